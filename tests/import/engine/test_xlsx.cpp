#include "helper_fakes.h"

#include "import/engine/Durvel3Xlsx.h"
#include "import/engine/support/XlsxFile.h"
#include "platform/ini/IniFile.h"
#include "platform/xml/AttributeLimit.h"
#include "tests/support/ZipBuilder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <xlsxwriter.h>

namespace {

const QByteArray kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const QByteArray kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const QByteArray kPkg = "http://schemas.openxmlformats.org/package/2006/relationships";
const QByteArray kDocType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
const QByteArray kSheetType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";

struct SheetSpec
{
    QByteArray name;
    QByteArray relId;
    QByteArray target; // as written in the relationships
    QByteArray state;  // empty: none
    QByteArray sheetData;
    QByteArray afterData; // mergeCells and the like
};

// A workbook written by hand, so that every odd shape real writers produce can be made.
// Prefix "x:" writes every element of the main namespace with that prefix.
QList<ZipMember> workbookMembers(const QList<SheetSpec>& sheets, bool date1904 = false,
                                 const QByteArray& prefix = {})
{
    const QByteArray p = prefix.isEmpty() ? QByteArray() : prefix + ':';
    const QByteArray ns =
        prefix.isEmpty() ? "xmlns=\"" + kMain + "\"" : "xmlns:" + prefix + "=\"" + kMain + "\"";
    QByteArray book =
        "<?xml version=\"1.0\"?><" + p + "workbook " + ns + " xmlns:r=\"" + kRel + "\">";
    if (date1904)
        book += "<" + p + "workbookPr date1904=\"1\"/>";
    book += "<" + p + "sheets>";
    QByteArray rels =
        "<?xml version=\"1.0\"?><Relationships xmlns=\"" + kPkg +
        "\">"
        "<Relationship Id=\"rIdS\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>"
        "<Relationship Id=\"rIdT\" Type=\"x/styles\" Target=\"styles.xml\"/>";
    QList<ZipMember> members;
    for (const SheetSpec& s : sheets) {
        book += "<" + p + "sheet name=\"" + s.name + "\" sheetId=\"9\" r:id=\"" + s.relId + "\"";
        if (!s.state.isEmpty())
            book += " state=\"" + s.state + "\"";
        book += "/>";
        rels += "<Relationship Id=\"" + s.relId + "\" Type=\"" + kSheetType + "\" Target=\"" +
                s.target + "\"/>";
        QByteArray part = s.target.startsWith('/') ? s.target.mid(1) : "xl/" + s.target;
        members.append(ZipMember{part, "<?xml version=\"1.0\"?><" + p + "worksheet " + ns + "><" +
                                           p + "sheetData>" + s.sheetData + "</" + p +
                                           "sheetData>" + s.afterData + "</" + p + "worksheet>"});
    }
    book += "</" + p + "sheets></" + p + "workbook>";
    rels += "</Relationships>";
    const QByteArray strings = "<sst xmlns=\"" + kMain +
                               "\"><si><t>zero</t></si>"
                               "<si><r><t>Ali </t></r><r><t>Reza</t></r><rPh><t>x</t></rPh></si>"
                               "<si><t>\xD9\xBE\xDA\x86\xDA\x98\xDA\xAF</t></si></sst>";
    const QByteArray styles =
        "<styleSheet xmlns=\"" + kMain +
        "\"><numFmts>"
        "<numFmt numFmtId=\"165\" formatCode=\"#,##0\"/>"
        "<numFmt numFmtId=\"166\" formatCode=\"[$-409]yyyy\\-mm\\-dd;@\"/>"
        "<numFmt numFmtId=\"167\" formatCode=\"&quot;day&quot; 0\"/></numFmts><cellXfs>"
        "<xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"165\"/><xf numFmtId=\"166\"/>"
        "<xf numFmtId=\"10\"/><xf numFmtId=\"22\"/><xf numFmtId=\"167\"/></cellXfs></styleSheet>";
    members.append(ZipMember{"[Content_Types].xml", "<Types/>"});
    members.append(ZipMember{"_rels/.rels", "<Relationships xmlns=\"" + kPkg +
                                                "\"><Relationship Id=\"rId1\" Type=\"" + kDocType +
                                                "\" Target=\"xl/workbook.xml\"/></Relationships>"});
    members.append(ZipMember{"xl/workbook.xml", book});
    members.append(ZipMember{"xl/_rels/workbook.xml.rels", rels});
    members.append(ZipMember{"xl/sharedStrings.xml", strings});
    members.append(ZipMember{"xl/styles.xml", styles});
    return members;
}

// A workbook of one sheet "S" with this data and what follows it.
QList<ZipMember> oneSheet(const QByteArray& data, const QByteArray& after = {},
                          bool date1904 = false)
{
    return workbookMembers({{"S", "rId1", "worksheets/s.xml", {}, data, after}}, date1904);
}

QByteArray cellRow(int row, const QByteArray& cell)
{
    return "<row r=\"" + QByteArray::number(row) + "\">" + cell + "</row>";
}

QByteArray inl(const QByteArray& ref, const QByteArray& text)
{
    return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
}

// The member of that name replaced (or dropped when Data is null).
QList<ZipMember> replaced(QList<ZipMember> members, const QByteArray& name, const QByteArray& data)
{
    for (qsizetype i = 0; i < members.size(); ++i)
        if (members[i].name == name) {
            if (data.isNull())
                members.removeAt(i);
            else
                members[i].data = data;
            break;
        }
    return members;
}

} // namespace

class TestXlsx : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;

    QString write(const QList<ZipMember>& members)
    {
        const QString path = m_dir.filePath(QStringLiteral("book%1.xlsx").arg(++m_files));
        return writeZip(path, members) ? path : QString();
    }

    static void load(TXlsxFile& file, const QString& path, bool hidden = false, bool merge = false)
    {
        file.Workbook.LoadHiddenSheet = hidden;
        file.Workbook.NeedFillMerge = merge;
        file.SetFileName(path);
        file.Load();
    }

private slots:
    void cellValues_data()
    {
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<QString>("text");
        QTest::newRow("number without a type") << QByteArray("<v>12.5</v>") << "12.5";
        QTest::newRow("t=n") << QByteArray("<v>7</v>") << "7";
        QTest::newRow("15-digit account stays digits")
            << QByteArray("<v>603799123456789</v>") << "603799123456789";
        QTest::newRow("exponent written out") << QByteArray("<v>1.5E+15</v>") << "1500000000000000";
        QTest::newRow("binary noise cut at 15 digits")
            << QByteArray("<v>0.30000000000000004</v>") << "0.3";
        QTest::newRow("built-in date format 14") << QByteArray("s=1|<v>45000</v>") << "2023/03/15";
        QTest::newRow("custom #,##0 is no date") << QByteArray("s=2|<v>1500000</v>") << "1500000";
        QTest::newRow("custom date format")
            << QByteArray("s=3|<v>45000.5</v>") << "2023/03/15 12:00:00";
        QTest::newRow("quoted letters are no date") << QByteArray("s=6|<v>3</v>") << "3";
        QTest::newRow("percent") << QByteArray("s=4|<v>0.1234</v>") << "12.34%";
        QTest::newRow("shared string") << QByteArray("t=s|<v>0</v>") << "zero";
        QTest::newRow("shared rich text without phonetics")
            << QByteArray("t=s|<v>1</v>") << "Ali Reza";
        QTest::newRow("persian shared string")
            << QByteArray("t=s|<v>2</v>") << u"\u067E\u0686\u0698\u06AF"_qs;
        QTest::newRow("inline string")
            << QByteArray("t=inlineStr|<is><t>in</t><r><t>line</t></r></is>") << "inline";
        QTest::newRow("error") << QByteArray("t=e|<v>#DIV/0!</v>") << "#DIV/0!";
        QTest::newRow("boolean") << QByteArray("t=b|<v>1</v>") << "True";
        QTest::newRow("boolean false") << QByteArray("t=b|<v>0</v>") << "False";
        QTest::newRow("iso date") << QByteArray("t=d|<v>2024-03-05T00:00:00</v>") << "2024/03/05";
        QTest::newRow("formula string") << QByteArray("t=str|<f>A1&amp;B1</f><v>ab</v>") << "ab";
    }
    void cellValues()
    {
        QFETCH(QByteArray, cell);
        QFETCH(QString, text);
        QByteArray attrs;
        QByteArray body = cell;
        if (cell.contains('|')) {
            const QByteArray head = cell.left(cell.indexOf('|'));
            body = cell.mid(cell.indexOf('|') + 1);
            const QByteArray key = head.left(head.indexOf('='));
            attrs = " " + key + "=\"" + head.mid(head.indexOf('=') + 1) + "\"";
        }
        const QString path =
            write(workbookMembers({{"S",
                                    "rId1",
                                    "worksheets/sheet1.xml",
                                    {},
                                    cellRow(2, "<c r=\"B2\"" + attrs + ">" + body + "</c>"),
                                    {}}}));
        TXlsxFile file;
        load(file, path);
        TXlsxWorkSheet* sheet = file.Workbook.GetFirstSheet();
        QCOMPARE(sheet->Cells.Cell(1, 1), text);
        QCOMPARE(sheet->ColCount, 2);
        QCOMPARE(sheet->RowCount, 2);
    }

    void sheetsAndRelationships()
    {
        const QByteArray one = cellRow(1, "<c r=\"A1\" t=\"s\"><v>0</v></c>");
        const QString path = write(workbookMembers({
            {"First", "R7f3a", "worksheets/a.xml", "visible", one, {}},
            {"Hid", "rId2", "worksheets/b.xml", "hidden", one, {}},
            {"Deep", "rId3", "worksheets/c.xml", "veryHidden", one, {}},
            {"Abs", "X", "/xl/sheets/abs.xml", {}, cellRow(1, "<c r=\"C1\"><v>3</v></c>"), {}},
        }));
        TXlsxFile shown;
        load(shown, path);
        QStringList names;
        for (const auto& s : shown.Workbook.WorkSheets)
            names << s->Name;
        QCOMPARE(names, (QStringList{"First", "Abs"}));
        QCOMPARE(shown.Workbook.GetSheetByName(QStringLiteral("FIRST"))->Cells.Cell(0, 0),
                 QStringLiteral("zero"));
        QCOMPARE(shown.Workbook.GetSheetByName(QStringLiteral("abs"))->Cells.Cell(2, 0),
                 QStringLiteral("3"));
        TXlsxFile all;
        load(all, path, true);
        QCOMPARE(all.Workbook.WorkSheets.size(), size_t(4));
        QVERIFY(all.Workbook.WorkSheets[1]->Hidden && all.Workbook.WorkSheets[2]->Hidden);
        QVERIFY(!all.Workbook.WorkSheets[0]->Hidden);
    }

    void prefixedAndWithoutReferences()
    {
        // Cells and rows without "r" follow the ones before them.
        const QByteArray data = "<x:row><x:c><x:v>1</x:v></x:c><x:c><x:v>2</x:v></x:c></x:row>"
                                "<x:row r=\"4\"><x:c r=\"C4\"><x:v>3</x:v></x:c><x:c><x:v>4</x:v>"
                                "</x:c></x:row><x:row><x:c><x:v>5</x:v></x:c></x:row>";
        const QString path =
            write(workbookMembers({{"P", "rId1", "worksheets/p.xml", {}, data, {}}}, false, "x"));
        TXlsxFile file;
        load(file, path);
        const TKobSparseCells& cells = file.Workbook.GetFirstSheet()->Cells;
        QCOMPARE(cells.Cell(0, 0), QStringLiteral("1"));
        QCOMPARE(cells.Cell(1, 0), QStringLiteral("2"));
        QCOMPARE(cells.Cell(2, 3), QStringLiteral("3"));
        QCOMPARE(cells.Cell(3, 3), QStringLiteral("4"));
        QCOMPARE(cells.Cell(0, 4), QStringLiteral("5"));
        QCOMPARE(cells.RowCount(), 5);
        QCOMPARE(cells.ColCount(), 4);
    }

    // Elements are told by namespace, however often a name comes: a cell of another namespace
    // in a row is no cell.
    void foreignElementsAreNoCells()
    {
        const QByteArray data =
            cellRow(1, "<c r=\"A1\"><v>1</v></c><o:c xmlns:o=\"urn:other\" r=\"B1\"><o:v>2"
                       "</o:v></o:c><c r=\"C1\"><o:v xmlns:o=\"urn:other\">3</o:v><v>4</v></c>");
        const QString path = write(oneSheet(data));
        TXlsxFile file;
        load(file, path);
        const TKobSparseCells& cells = file.Workbook.GetFirstSheet()->Cells;
        QCOMPARE((QStringList{cells.Cell(0, 0), cells.Cell(1, 0), cells.Cell(2, 0)}),
                 (QStringList{"1", "", "4"}));
    }

    // A cell's r, t and s are its own attributes of no namespace, however they are written.
    void cellAttributes_data()
    {
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<QStringList>("row"); // A1 to C1
        QTest::newRow("in any order")
            << QByteArray(
                   "<c s=\"4\" t=\"n\" r=\"B1\"><v>0.5</v></c><c t=\"s\" r=\"C1\"><v>1</v></c>")
            << QStringList{"", "50.00%", "Ali Reza"};
        QTest::newRow("another namespace's are not the cell's")
            << QByteArray(
                   "<c xmlns:o=\"urn:o\" o:t=\"s\" o:r=\"C1\" r=\"A1\" o:s=\"4\"><v>2</v></c>")
            << QStringList{"2", "", ""};
        QTest::newRow("nor the main namespace's, prefixed")
            << "<c xmlns:m=\"" + kMain + "\" m:t=\"s\" r=\"A1\"><v>1</v></c>"
            << QStringList{"1", "", ""};
        QTest::newRow("longer names are others")
            << QByteArray("<c rr=\"C1\" r=\"A1\" ts=\"s\" tt=\"b\" sx=\"4\"><v>1</v></c>")
            << QStringList{"1", "", ""};
        QTest::newRow("references in the values")
            << QByteArray("<c r=\"&#66;1\" t=\"&#115;\"><v>1</v></c><c r=\"C&#x31;\" s=\"&#52;\">"
                          "<v>0.25</v></c>")
            << QStringList{"", "Ali Reza", "25.00%"};
        QTest::newRow("none: the next column")
            << QByteArray("<c><v>7</v></c><c t=\"b\"><v>1</v></c>") << QStringList{"7", "True", ""};
    }
    void cellAttributes()
    {
        QFETCH(QByteArray, cell);
        QFETCH(QStringList, row);
        const QString path = write(oneSheet(cellRow(1, cell)));
        TXlsxFile file;
        load(file, path);
        const TKobSparseCells& cells = file.Workbook.GetFirstSheet()->Cells;
        QCOMPARE((QStringList{cells.Cell(0, 0), cells.Cell(1, 0), cells.Cell(2, 0)}), row);
    }

    // Rows come in batches whose storage is filled again: a row never shows a cell of one
    // before it, whatever the widths, read whole or imported.
    void rowsOfEveryWidthComeWhole_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("period"); // row r has r % period cells
        QTest::newRow("short and long in turn") << 3000 << 7;
        QTest::newRow("one wide row in many") << 2000 << 500;
    }
    void rowsOfEveryWidthComeWhole()
    {
        QFETCH(int, rows);
        QFETCH(int, period);
        const int width = qMin(period - 1, 7);
        QByteArray data;
        QList<QStringList> expected;
        for (int r = 1; r <= rows; ++r) {
            QByteArray cells;
            QStringList line(width);
            for (int c = 0; c < r % period && c < width; ++c) {
                cells += "<c><v>" + QByteArray::number(r * 10 + c) + "</v></c>";
                line[c] = QString::number(r * 10 + c);
            }
            data += cellRow(r, cells);
            expected << line;
        }
        const QString path = write(oneSheet(data));
        TXlsxFile file;
        load(file, path);
        const TKobSparseCells& store = file.Workbook.GetFirstSheet()->Cells;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < width; ++c)
                QCOMPARE(store.Cell(c, r), expected[r][c]);

        TDurvel3Xlsx imp;
        imp.SetFileName(path);
        DurvelCellStore grid(width, 0);
        intoGrid(imp, grid, QStringLiteral("0=A"));
        for (int c = 1; c < width; ++c)
            imp.Map().Add(QStringLiteral("%1=%2").arg(c).arg(QChar(u'A' + c)));
        QVERIFY(imp.Execute());
        // The import ends at the last row that holds a cell.
        while (!expected.isEmpty() && expected.last().join(QString()).isEmpty())
            expected.removeLast();
        QCOMPARE(gridRows(grid), expected);
    }

    // The shared strings are read ahead of the rows in batches: every text arrives in any
    // order of reference, damage past the texts the cells need goes unseen, and damage before
    // one a cell needs is told.
    void sharedStringsReadAhead_data()
    {
        QTest::addColumn<int>("items");
        QTest::addColumn<bool>("damaged"); // after the items
        QTest::addColumn<QList<int>>("refs");
        QTest::addColumn<QString>("message"); // empty: it loads
        QList<int> forwards, backwards;
        for (int i = 0; i < 5000; ++i) {
            forwards << i;
            backwards.prepend(i);
        }
        QTest::newRow("in order") << 5000 << false << forwards << QString();
        QTest::newRow("backwards") << 5000 << false << backwards << QString();
        QTest::newRow("far, near, last, first")
            << 5000 << false << QList<int>{4500, 3, 4999, 0} << QString();
        QTest::newRow("damage past the texts needed")
            << 3000 << true << QList<int>{0, 1500, 2999} << QString();
        QTest::newRow("damage far past them") << 40000 << true << QList<int>{0, 7} << QString();
        QTest::newRow("damage before a text needed")
            << 3000 << true << QList<int>{0, 2999, 3000} << QStringLiteral("sharedStrings.xml");
        QTest::newRow("past the table")
            << 3000 << false << QList<int>{0, 3000}
            << QStringLiteral("A2 refers to a shared string 3000 that does not exist");
    }
    void sharedStringsReadAhead()
    {
        QFETCH(int, items);
        QFETCH(bool, damaged);
        QFETCH(QList<int>, refs);
        QFETCH(QString, message);
        QByteArray sst = "<sst xmlns=\"" + kMain + "\">";
        for (int i = 0; i < items; ++i)
            sst += "<si><t>s" + QByteArray::number(i) + "</t></si>";
        sst += damaged ? "<si><t>bad</x></si></sst>" : "</sst>";
        QByteArray data;
        for (int r = 0; r < refs.size(); ++r)
            data += cellRow(r + 1, "<c t=\"s\"><v>" + QByteArray::number(refs[r]) + "</v></c>");
        const QString path = write(replaced(oneSheet(data), "xl/sharedStrings.xml", sst));
        TXlsxFile file;
        QString error;
        try {
            load(file, path);
        } catch (const EZipError& e) {
            error = e.message();
        }
        if (!message.isEmpty()) {
            QVERIFY2(error.contains(message), qPrintable(error));
            return;
        }
        QCOMPARE(error, QString());
        const TKobSparseCells& cells = file.Workbook.GetFirstSheet()->Cells;
        for (int r = 0; r < refs.size(); ++r)
            QCOMPARE(cells.Cell(0, r), QStringLiteral("s%1").arg(refs[r]));
    }

    void extentsComeFromValues()
    {
        const QByteArray data = cellRow(1, "<c r=\"A1\"><v>1</v></c><c r=\"B1\" s=\"1\"/>") +
                                cellRow(7, "<c r=\"C7\" t=\"s\"><v></v></c><c r=\"D7\" "
                                           "t=\"s\"><v> </v></c>") +
                                "<row r=\"1048576\"><c r=\"XFD1048576\" s=\"2\"/></row>";
        const QString path =
            write(workbookMembers({{"E", "rId1", "worksheets/e.xml", {}, data, {}}}));
        TXlsxFile file;
        load(file, path);
        QCOMPARE(file.Workbook.GetFirstSheet()->RowCount, 1);
        QCOMPARE(file.Workbook.GetFirstSheet()->ColCount, 1);
    }

    void date1904()
    {
        const QString path =
            write(workbookMembers({{"D",
                                    "rId1",
                                    "worksheets/d.xml",
                                    {},
                                    cellRow(1, "<c r=\"A1\" s=\"1\"><v>366</v></c>"),
                                    {}}},
                                  true));
        TXlsxFile file;
        load(file, path);
        QCOMPARE(file.Workbook.GetFirstSheet()->Cells.Cell(0, 0), QStringLiteral("1905/01/01"));
        const QString zero =
            write(oneSheet(cellRow(1, "<c r=\"A1\" s=\"1\"><v>0</v></c>"), {}, true));
        TXlsxFile first;
        load(first, zero);
        QCOMPARE(first.Workbook.GetFirstSheet()->Cells.Cell(0, 0), QStringLiteral("1904/01/01"));
    }

    void merges_data()
    {
        QTest::addColumn<bool>("fill");
        QTest::addColumn<QStringList>("cells"); // B1, A2, B2, A3
        QTest::newRow("fill on") << true << QStringList{"x", "x", "x", "y"};
        QTest::newRow("fill off") << false << QStringList{"", "", "", "y"};
    }
    void merges()
    {
        QFETCH(bool, fill);
        QFETCH(QStringList, cells);
        const QByteArray data =
            cellRow(1, "<c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c><c r=\"B1\" s=\"1\"/>") +
            cellRow(2, "<c r=\"A2\"/><c r=\"B2\"/>") +
            cellRow(3, "<c r=\"A3\" t=\"inlineStr\"><is><t>y</t></is></c>");
        const QString path =
            write(workbookMembers({{"M",
                                    "rId1",
                                    "worksheets/m.xml",
                                    {},
                                    data,
                                    "<mergeCells count=\"2\"><mergeCell ref=\"A1:B2\"/><mergeCell "
                                    "ref=\"A9:A1000000\"/></mergeCells>"}}));
        TXlsxFile file;
        load(file, path, false, fill);
        const TKobSparseCells& c = file.Workbook.GetFirstSheet()->Cells;
        QCOMPARE((QStringList{c.Cell(1, 0), c.Cell(0, 1), c.Cell(1, 1), c.Cell(0, 2)}), cells);
        QCOMPARE(c.RowCount(), 3);
    }

    void mergesFillEveryPosition_data()
    {
        QTest::addColumn<QByteArray>("sheetData");
        QTest::addColumn<QByteArray>("merges");
        QTest::addColumn<QList<QStringList>>("rows"); // columns A to C
        QTest::newRow("no elements for covered cells")
            << cellRow(1, inl("A1", "x")) + cellRow(4, inl("A4", "y"))
            << QByteArray("<mergeCell ref=\"A1:B3\"/>")
            << QList<QStringList>{{"x", "x", ""}, {"x", "x", ""}, {"x", "x", ""}, {"y", "", ""}};
        QTest::newRow("a range past the last row lengthens the sheet")
            << cellRow(1, inl("B1", "x")) << QByteArray("<mergeCell ref=\"B1:C3\"/>")
            << QList<QStringList>{{"", "x", "x"}, {"", "x", "x"}, {"", "x", "x"}};
        QTest::newRow("an empty top-left fills nothing")
            << cellRow(1, "<c r=\"A1\"/>") + cellRow(2, inl("C2", "z"))
            << QByteArray("<mergeCell ref=\"A1:B5\"/>")
            << QList<QStringList>{{"", "", ""}, {"", "", "z"}};
        QTest::newRow("a covered cell's own text gives way")
            << cellRow(1, inl("A1", "x") + inl("B1", "own")) + cellRow(2, inl("B2", "k"))
            << QByteArray("<mergeCell ref=\"A1:B1\"/>")
            << QList<QStringList>{{"x", "x", ""}, {"", "k", ""}};
        QTest::newRow("the later of overlapping ranges wins")
            << cellRow(1, inl("A1", "x")) + cellRow(2, inl("A2", "y"))
            << QByteArray("<mergeCell ref=\"A1:B3\"/><mergeCell ref=\"A2:C2\"/>")
            << QList<QStringList>{{"x", "x", ""}, {"x", "y", "y"}, {"x", "x", ""}};
        QTest::newRow("ranges written bottom first")
            << cellRow(1, inl("C1", "c")) + cellRow(3, inl("A3", "a"))
            << QByteArray("<mergeCell ref=\"A3:B4\"/><mergeCell ref=\"C1:C2\"/>")
            << QList<QStringList>{{"", "", "c"}, {"", "", "c"}, {"a", "a", ""}, {"a", "a", ""}};
    }
    // The cell store and the streamed import read the same rows.
    void mergesFillEveryPosition()
    {
        QFETCH(QByteArray, sheetData);
        QFETCH(QByteArray, merges);
        QFETCH(QList<QStringList>, rows);
        const QString path = write(oneSheet(sheetData, "<mergeCells>" + merges + "</mergeCells>"));
        TXlsxFile file;
        load(file, path, false, true);
        const TXlsxWorkSheet* sheet = file.Workbook.GetFirstSheet();
        QList<QStringList> stored;
        for (int r = 0; r < sheet->RowCount; ++r)
            stored.append({sheet->Cells.Cell(0, r), sheet->Cells.Cell(1, r),
                           sheet->Cells.Cell(2, r)});
        QCOMPARE(stored, rows);

        TDurvel3Xlsx imp;
        imp.SetFileName(path);
        imp.SetNeedFillMerge(true);
        DurvelCellStore grid(3, 0);
        intoGrid(imp, grid, QStringLiteral("0=A"));
        imp.Map().Add(QStringLiteral("1=B"));
        imp.Map().Add(QStringLiteral("2=C"));
        QVERIFY(imp.Execute());
        QCOMPARE(gridRows(grid), rows);

        // A column alone still has every row the sheet has.
        TDurvel3Xlsx one;
        one.SetFileName(path);
        one.SetNeedFillMerge(true);
        DurvelCellStore column(1, 0);
        intoGrid(one, column, QStringLiteral("0=C"));
        QVERIFY(one.Execute());
        QList<QStringList> expected;
        for (const QStringList& r : rows)
            expected.append({r.at(2)});
        QCOMPARE(gridRows(column), expected);
    }

    // Parts read whole have caps and shared strings a budget; a value far longer than a cell
    // holds (32,767 characters) is refused before it is gathered; a sheet needs its part.
    void partsPastTheirBoundsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("cell");   // B1
        QTest::addColumn<QByteArray>("part");   // changed
        QTest::addColumn<QByteArray>("data");   // null: the part is dropped
        QTest::addColumn<int>("budget");        // of the shared strings; 0: as loaded by default
        QTest::addColumn<QStringList>("words"); // of the message; none: it loads
        const QByteArray blanks(17 << 20, ' '); // after the root: well-formed
        const QByteArray sst = "xl/sharedStrings.xml";
        const auto strings = [](const QByteArray& items) {
            return "<sst xmlns=\"" + kMain + "\"><si><t>s</t></si>" + items + "</sst>";
        };
        const QByteArray huge(64 << 20, '7');
        const QByteArray half(600000, 'x');
        const QByteArray pieces = "<r><t>" + half + "</t></r><r><t>" + half + "</t></r>";
        for (const auto& [part, cap] :
             {std::pair<QByteArray, QString>{"xl/workbook.xml", "8388608"},
              {"xl/_rels/workbook.xml.rels", "4194304"},
              {"_rels/.rels", "4194304"},
              {"xl/styles.xml", "16777216"}})
            QTest::newRow(part.constData()) << QByteArray() << part << blanks << 0
                                            << QStringList{QString::fromLatin1(part), cap};
        const QByteArray b1s = "<c r=\"B1\" t=\"s\"><v>1</v></c>";
        // 2.4 MB of texts, held once however they grew.
        const QByteArray two = strings("<si><t>" + half + "</t></si><si><t>" + half + "</t></si>");
        QTest::newRow("shared strings within their budget")
            << b1s << sst << two << 4 << QStringList{};
        QTest::newRow("shared strings past their budget")
            << b1s << sst << two << 1 << QStringList{"shared strings take more than 1 MiB"};
        QTest::newRow("cell value") << "<c r=\"B1\"><v>" + huge + "</v></c>" << sst
                                    << strings({}) << 0 << QStringList{"longer than 1048576"};
        QTest::newRow("cell value in pieces")
            << "<c r=\"B1\" t=\"str\"><v>" + half + "<!---->" + half + "</v></c>" << sst
            << strings({}) << 0 << QStringList{"longer than 1048576"};
        QTest::newRow("inline runs") << "<c r=\"B1\" t=\"inlineStr\"><is>" + pieces + "</is></c>"
                                     << sst << strings({}) << 0
                                     << QStringList{"longer than 1048576"};
        QTest::newRow("shared string") << b1s << sst << strings("<si><t>" + huge + "</t></si>")
                                       << 0 << QStringList{"longer than 1048576"};
        QTest::newRow("shared string in runs") << b1s << sst << strings("<si>" + pieces + "</si>")
                                               << 0 << QStringList{"longer than 1048576"};
        // What the parser is spared, told while the part is inflated ahead of it.
        QByteArray attributes;
        for (int i = 0; i <= xml::kMaxAttributes; ++i)
            attributes += " a" + QByteArray::number(i) + "=\"\"";
        QTest::newRow("attributes of a cell")
            << "<c r=\"B1\"" + attributes + "><v>1</v></c>" << sst << strings({}) << 0
            << QStringList{QString::number(xml::kMaxAttributes), "attributes"};
        QByteArray names;
        for (int i = 0; i <= xml::kMaxNames; ++i)
            names += "<n" + QByteArray::number(i) + "/>";
        QTest::newRow("names in shared strings")
            << b1s << sst << strings("<si><t>s</t>" + names + "</si>") << 0
            << QStringList{QString::number(xml::kMaxNames), "different element and attribute"};
    }
    void partsPastTheirBoundsAreRefused()
    {
        QFETCH(QByteArray, cell);
        QFETCH(QByteArray, part);
        QFETCH(QByteArray, data);
        QFETCH(int, budget);
        QFETCH(QStringList, words);
        QList<ZipMember> members = oneSheet(cellRow(1, "<c r=\"A1\"><v>1</v></c>" + cell));
        if (data.startsWith(' ')) {
            for (ZipMember& m : members)
                if (m.name == part)
                    m.data += data;
        } else {
            members = replaced(members, part, data);
        }
        const QString path = write(members);
        TXlsxFile file;
        if (budget)
            file.Workbook.SharedStrings.Budget = budget << 20;
        QString message;
        try {
            load(file, path);
            QCOMPARE(file.Workbook.GetFirstSheet()->Cells.Cell(1, 0).size(), 600000);
        } catch (const std::exception& e) {
            message = QString::fromUtf8(e.what());
        }
        QCOMPARE(message.isEmpty(), words.isEmpty());
        for (const QString& w : words)
            QVERIFY2(message.contains(w), qPrintable(message));
        if (budget == 0) {
            // The import ends with the message too.
            TDurvel3Xlsx imp;
            imp.SetFileName(path);
            DurvelCellStore grid(1, 0);
            intoGrid(imp, grid, QStringLiteral("0=A"));
            QVERIFY_THROWS_EXCEPTION(EDurvelError, imp.Execute());
        }
    }

    // A sheet whose relationship leads nowhere opens empty beside the others; only an import
    // of that sheet is refused, naming it.
    void sheetWithoutItsPartOpensEmpty_data()
    {
        QTest::addColumn<bool>("dropPart"); // else the relationship points past every part
        QTest::newRow("its part dropped") << true;
        QTest::newRow("its target elsewhere") << false;
    }
    void sheetWithoutItsPartOpensEmpty()
    {
        QFETCH(bool, dropPart);
        const QByteArray data = cellRow(1, "<c r=\"A1\" t=\"s\"><v>1</v></c>");
        QList<ZipMember> members =
            workbookMembers({{"Good", "rId1", "worksheets/g.xml", {}, data, {}},
                             {"Lost", "rId2", "worksheets/l.xml", {}, data, {}},
                             {"After", "rId3", "worksheets/a.xml", {}, data, {}}});
        members = replaced(members, "xl/worksheets/l.xml", QByteArray());
        if (!dropPart) {
            for (ZipMember& m : members)
                if (m.name == "xl/_rels/workbook.xml.rels")
                    m.data.replace("worksheets/l.xml", "worksheets/none.xml");
            members.append(ZipMember{"xl/worksheets/l.xml", "<not-read/>"});
        }
        const QString path = write(members);

        TXlsxFile file;
        load(file, path);
        QVERIFY(file.Loaded());
        const auto& sheets = file.Workbook.WorkSheets;
        QCOMPARE(sheets.size(), std::size_t(3));
        for (int i : {0, 2}) {
            QCOMPARE(sheets[i]->Cells.Cell(0, 0), QStringLiteral("Ali Reza"));
            QCOMPARE(sheets[i]->RowCount, 1);
        }
        QCOMPARE(sheets[1]->Name, QStringLiteral("Lost"));
        QVERIFY(sheets[1]->Loaded);
        QCOMPARE(sheets[1]->ColCount, 0);
        QCOMPARE(sheets[1]->RowCount, 0);

        for (const QString& name : {QStringLiteral("Good"), QStringLiteral("After")}) {
            TDurvel3Xlsx imp;
            imp.SetFileName(path);
            imp.SetSheetName(name);
            DurvelCellStore grid(1, 0);
            intoGrid(imp, grid, QStringLiteral("0=A"));
            QVERIFY(imp.Execute());
            QCOMPARE(gridRows(grid), QList<QStringList>{{"Ali Reza"}});
        }
        TDurvel3Xlsx imp;
        imp.SetFileName(path);
        imp.SetSheetName(QStringLiteral("Lost"));
        DurvelCellStore grid(1, 0);
        intoGrid(imp, grid, QStringLiteral("0=A"));
        try {
            imp.Execute();
            QFAIL("the import ran");
        } catch (const EDurvelError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("\"Lost\" is missing")),
                     qPrintable(e.message()));
        }
        QVERIFY(gridRows(grid).isEmpty());
    }

    // Rows come from a thread of their own: a fault far down the sheet still ends the import
    // with its message, after the rows before it.
    void damageFarDownEndsTheImport()
    {
        QByteArray data;
        for (int r = 1; r <= 3000; ++r)
            data += cellRow(r, "<c><v>" + QByteArray::number(r) + "</v></c>");
        data += cellRow(3001, "<c t=\"s\"><v>77</v></c>");
        const QString path = write(oneSheet(data));
        TDurvel3Xlsx imp;
        imp.SetFileName(path);
        DurvelCellStore grid(1, 0);
        intoGrid(imp, grid, QStringLiteral("0=A"));
        try {
            imp.Execute();
            QFAIL("a damaged sheet was imported");
        } catch (const EDurvelError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("A3001")), qPrintable(e.message()));
        }
        QCOMPARE(grid.rowCount(), 3000);
    }

    void cellLimitsStopTheParse()
    {
        QByteArray data;
        for (int r = 1; r <= 3; ++r)
            data += cellRow(r, "<c><v>" + QByteArray::number(r) + "1</v></c><c><v>" +
                                   QByteArray::number(r) + "2</v></c><c><v>" +
                                   QByteArray::number(r) + "3</v></c>");
        // What follows the rows read is never parsed: damage there goes unseen.
        data += "<row r=\"1\"/>";
        const QString path = write(oneSheet(data));
        TXlsxFile file;
        file.SetCellLimits(2, 2);
        load(file, path);
        const TXlsxWorkSheet* sheet = file.Workbook.GetFirstSheet();
        QCOMPARE(sheet->RowCount, 2);
        QCOMPARE(sheet->Cells.StoredCellCount(), 4);
        QCOMPARE(sheet->Cells.Cell(1, 1), QStringLiteral("22"));
    }

    void damagedWorkbooks_data()
    {
        QTest::addColumn<QByteArray>("sheetData");
        QTest::addColumn<QString>("message");
        QTest::newRow("shared string out of range")
            << cellRow(1, "<c r=\"A1\" t=\"s\"><v>99</v></c>") << "shared string";
        QTest::newRow("not well-formed") << QByteArray("<row><c><v>1</c></row>") << "";
        QTest::newRow("column beyond XFD")
            << cellRow(1, "<c r=\"A1\"><v>1</v></c><c r=\"XFE1\"><v>2</v></c>") << "XFE1";
        QTest::newRow("four letters") << cellRow(1, "<c r=\"AAAA1\"><v>2</v></c>") << "AAAA1";
        QTest::newRow("row beyond the last")
            << QByteArray("<row r=\"1048577\"><c><v>1</v></c></row>") << "1048577";
        QTest::newRow("cell beyond the last row")
            << QByteArray("<row><c r=\"A1048577\"><v>1</v></c></row>") << "A1048577";
        QTest::newRow("no reference after XFD")
            << QByteArray("<row r=\"1\"><c r=\"XFD1\"><v>1</v></c><c><v>2</v></c></row>")
            << "beyond column";
        QTest::newRow("not a reference") << cellRow(1, "<c r=\"1A\"><v>2</v></c>") << "1A";
        QTest::newRow("cell outside its row") << cellRow(2, "<c r=\"A3\"><v>2</v></c>") << "A3";
        QTest::newRow("rows out of order")
            << cellRow(5, "<c><v>1</v></c>") + cellRow(2, "<c><v>2</v></c>") << "row 2";
        QTest::newRow("merged range beyond the sheet")
            << cellRow(1, "<c r=\"A1\"><v>1</v></c>") + "</sheetData><mergeCells><mergeCell "
               "ref=\"A1:XFE2\"/></mergeCells><sheetData>"
            << "A1:XFE2";
    }
    void damagedWorkbooks()
    {
        QFETCH(QByteArray, sheetData);
        QFETCH(QString, message);
        const QString path =
            write(workbookMembers({{"B", "rId1", "worksheets/b.xml", {}, sheetData, {}}}));
        TXlsxFile file;
        try {
            load(file, path, false, true);
            QFAIL("a damaged workbook loaded");
        } catch (const std::exception& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(message), e.what());
        }
        QVERIFY(!file.Loaded());
    }

    void readerImportsOneSheet_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("skip");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::newRow("first sheet, all rows")
            << "" << 0
            << QList<QStringList>{{"Name", "Account"}, {"", ""}, {"Ali Reza", "603799123456789"}};
        QTest::newRow("by name in other case, header skipped")
            << "DATA" << 1 << QList<QStringList>{{"", ""}, {"Ali Reza", "603799123456789"}};
    }
    void readerImportsOneSheet()
    {
        QFETCH(QString, sheet);
        QFETCH(int, skip);
        QFETCH(QList<QStringList>, rows);
        const QByteArray data =
            cellRow(1, "<c r=\"A1\" t=\"inlineStr\"><is><t>Name</t></is></c><c r=\"B1\" "
                       "t=\"inlineStr\"><is><t>Account</t></is></c>") +
            cellRow(3, "<c r=\"A3\" t=\"s\"><v>1</v></c><c r=\"B3\"><v>603799123456789</v></c>");
        const QString path =
            write(workbookMembers({{"Data", "rId1", "worksheets/d.xml", {}, data, {}},
                                   {"Other", "rId2", "worksheets/o.xml", {}, {}, {}}}));
        TDurvel3Xlsx imp;
        imp.SetFileName(path);
        imp.SetSheetName(sheet);
        imp.SkipFirstRows = skip;
        DurvelCellStore grid(2, 0);
        intoGrid(imp, grid, QStringLiteral("0=A"));
        imp.Map().Add(QStringLiteral("1=B"));
        QVERIFY(imp.Execute());
        QCOMPARE(gridRows(grid), rows);
    }

    void readerRefuses_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("mapValue");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such sheet") << "Missing"
                                       << "A"
                                       << "no sheet named \"Missing\"";
        QTest::newRow("column not letters") << ""
                                            << "1"
                                            << "not a column name";
    }
    void readerRefuses()
    {
        QFETCH(QString, sheet);
        QFETCH(QString, mapValue);
        QFETCH(QString, message);
        const QString path = write(workbookMembers({{"Data",
                                                     "rId1",
                                                     "worksheets/d.xml",
                                                     {},
                                                     cellRow(1, "<c r=\"A1\"><v>1</v></c>"),
                                                     {}}}));
        TDurvel3Xlsx imp;
        imp.SetFileName(path);
        imp.SetSheetName(sheet);
        DurvelCellStore grid(1, 0);
        intoGrid(imp, grid, QStringLiteral("0=") + mapValue);
        try {
            imp.Execute();
            QFAIL("the import ran");
        } catch (const EDurvelError& e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        }
        QVERIFY(gridRows(grid).isEmpty());
    }

    void workbookWrittenByLibxlsxwriter()
    {
        const QString path = m_dir.filePath(QStringLiteral("written.xlsx"));
        lxw_workbook* wb = workbook_new(QFile::encodeName(path).constData());
        lxw_worksheet* ws =
            workbook_add_worksheet(wb, u"\u0641\u0647\u0631\u0633\u062A"_qs.toUtf8().constData());
        lxw_format* date = workbook_add_format(wb);
        format_set_num_format(date, "yyyy/mm/dd");
        lxw_format* amount = workbook_add_format(wb);
        format_set_num_format(amount, "#,##0");
        worksheet_write_string(ws, 0, 0, u"\u067E\u0631\u0648\u06CC\u0646"_qs.toUtf8().constData(),
                               nullptr);
        worksheet_write_number(ws, 0, 1, 6037991234567.0, nullptr);
        worksheet_write_number(ws, 0, 2, 15000000, amount);
        lxw_datetime dt = {2024, 3, 5, 0, 0, 0};
        worksheet_write_datetime(ws, 0, 3, &dt, date);
        worksheet_write_boolean(ws, 0, 4, 1, nullptr);
        worksheet_write_formula_num(ws, 1, 0, "=1+1", nullptr, 2);
        QCOMPARE(workbook_close(wb), LXW_NO_ERROR);

        TXlsxFile file;
        load(file, path);
        const TXlsxWorkSheet* sheet = file.Workbook.GetFirstSheet();
        QCOMPARE(sheet->Name, u"\u0641\u0647\u0631\u0633\u062A"_qs);
        QCOMPARE((QStringList{sheet->Cells.Cell(0, 0), sheet->Cells.Cell(1, 0),
                              sheet->Cells.Cell(2, 0), sheet->Cells.Cell(3, 0),
                              sheet->Cells.Cell(4, 0), sheet->Cells.Cell(0, 1)}),
                 (QStringList{u"\u067E\u0631\u0648\u06CC\u0646"_qs, "6037991234567", "15000000",
                              "2024/03/05", "True", "2"}));
    }

    void templateSection()
    {
        IniFile ini(m_dir.filePath(QStringLiteral("t.imp")));
        TDurvel3Xlsx a;
        a.SkipFirstRows = 2;
        a.SetSheetName(QStringLiteral(" Sheet = 1 "));
        a.SetNeedFillMerge(true);
        a.SaveTemplateSections(ini);
        TDurvel3Xlsx b;
        b.SetLoadHiddenSheet(true);
        b.LoadTemplateSections(ini);
        QCOMPARE(b.SkipFirstRows, 2);
        QCOMPARE(b.SheetName, QStringLiteral(" Sheet = 1 "));
        QVERIFY(b.NeedFillMerge && !b.LoadHiddenSheet);
    }
};

QTEST_MAIN(TestXlsx)
#include "test_xlsx.moc"
