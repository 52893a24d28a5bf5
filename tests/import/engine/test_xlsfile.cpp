#include "import/engine/support/XlsFile.h"
#include "tests/support/BiffBuilder.h"

#include <QtTest>

using namespace biff;

namespace {

const QStringList kShared = {"first", "حساب بانکی", "café"};

QByteArray globals(const QByteArray& extra = {})
{
    return standardFormats() + sst(kShared) + extra;
}

// A workbook of one sheet "Data" holding body.
QByteArray oneSheet(const QByteArray& body, const QByteArray& extraGlobals = {})
{
    return workbook(globals(extraGlobals), {{"Data", body}});
}

QString errorOf(const QByteArray& bytes)
{
    TxlsFile f(QStringLiteral("book.xls"));
    try {
        f.OpenBytes(bytes);
    } catch (const ExlsFileError& e) {
        if (f.Opened())
            return QStringLiteral("left open");
        return e.message();
    }
    return QString();
}

// Three sheets where a damaged length in the first swallows its EOF and the second sheet's BOF:
// read on, the second sheet's cells would land in the first.
QByteArray sheetRunningIntoTheNext()
{
    const QByteArray stray = rec(0x00AA, {});
    QByteArray bytes = workbook(globals(), {{"A", number(0, 0, 1) + stray},
                                            {"B", number(0, 0, 2) + number(1, 0, 5)},
                                            {"C", number(0, 0, 3)}});
    const qsizetype at = bytes.indexOf(stray);
    const QByteArray swallowed = eof() + bof(0x10);
    bytes.replace(at + 2, 2, u16(quint16(swallowed.size())));
    return bytes;
}

quint32 rkInt(int v, bool cents = false)
{
    return (quint32(v) << 2) | 2u | (cents ? 1u : 0u);
}

} // namespace

class TestXlsFile : public QObject
{
    Q_OBJECT

private slots:
    void cellText_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::newRow("number") << number(1, 1, 1234.5) << "1234.5";
        QTest::newRow("account as number") << number(1, 1, 6037991234567.0) << "6037991234567";
        QTest::newRow("built-in date") << number(1, 1, 45366, 1) << "2024/03/15";
        QTest::newRow("built-in date and time")
            << number(1, 1, 45366.75, 2) << "2024/03/15 18:00:00";
        QTest::newRow("built-in time") << number(1, 1, 0.75, 5) << "18:00:00";
        QTest::newRow("custom date by its own index") << number(1, 1, 45366, 3) << "2024/03/15";
        QTest::newRow("custom number by its own index") << number(1, 1, 45366, 4) << "45366";
        QTest::newRow("quoted letter is no date") << number(1, 1, 45366, 6) << "45366";
        QTest::newRow("rk integer") << rk(1, 1, rkInt(-42)) << "-42";
        QTest::newRow("rk hundredths") << rk(1, 1, rkInt(12345, true)) << "123.45";
        QTest::newRow("rk float") << rk(1, 1, 0x3FF80000u) << "1.5";
        QTest::newRow("rk date") << rk(1, 1, rkInt(45366), 1) << "2024/03/15";
        QTest::newRow("shared string") << labelSst(1, 1, 1) << "حساب بانکی";
        QTest::newRow("8-bit shared string") << labelSst(1, 1, 2) << "café";
        QTest::newRow("label") << label(1, 1, "café") << "café";
        QTest::newRow("wide label") << label(1, 1, "نام") << "نام";
        QTest::newRow("rich string") << rstring(1, 1, "شماره") << "شماره";
        QTest::newRow("true") << boolErr(1, 1, 1, false) << "True";
        QTest::newRow("false") << boolErr(1, 1, 0, false) << "False";
        QTest::newRow("division error") << boolErr(1, 1, 7, true) << "#DIV/0!";
        QTest::newRow("not available") << boolErr(1, 1, 42, true) << "#N/A";
        QTest::newRow("unknown error") << boolErr(1, 1, 99, true) << "#NULL!";
        QTest::newRow("formula number") << formula(1, 1, 42) << "42";
        QTest::newRow("formula date") << formula(1, 1, 45366, 1) << "2024/03/15";
        QTest::newRow("formula text") << formulaSpecial(1, 1, 0) + string("نتیجه") << "نتیجه";
        QTest::newRow("formula text after an array")
            << formulaSpecial(1, 1, 0) + array(1, 1, 1, 1) + string("abc") << "abc";
        QTest::newRow("formula text after a later cell")
            << formulaSpecial(1, 1, 0) + number(5, 5, 1) + string("xyz") << "xyz";
        QTest::newRow("formula boolean") << formulaSpecial(1, 1, 1, 1) << "True";
        QTest::newRow("formula error") << formulaSpecial(1, 1, 2, 7) << "#DIV/0!";
        QTest::newRow("formula empty text") << formulaSpecial(1, 1, 3) << "";
        QTest::newRow("stray text record")
            << string("lost") + number(1, 1, 3) + string("lost too") << "3";
        QTest::newRow("after a record of the most bytes one holds")
            << rec(0x00AA, QByteArray(8224, 'x')) + number(1, 1, 7) << "7";
        QTest::newRow("last record of a cell wins")
            << number(1, 1, 1) + label(1, 1, "two") << "two";
    }
    void cellText()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        TxlsFile f;
        f.OpenBytes(oneSheet(body));
        QCOMPARE(f.SheetCount(), 1);
        QCOMPARE(f.SheetName(0), QString("Data"));
        QCOMPARE(f.CellText(0, 1, 1), text);
        QCOMPARE(f.CellText(0, 0, 0), QString());
    }

    void typedAccess_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("refused"); // the cell's name when it cannot give the type
        const QDateTime evening(QDate(2024, 3, 15), QTime(18, 0), Qt::UTC);
        const QDateTime day(QDate(2024, 3, 15), QTime(0, 0), Qt::UTC);
        QTest::newRow("number as float")
            << number(1, 1, 1234.5) << 1 << 1 << "Float" << QVariant(1234.5) << "";
        QTest::newRow("rk hundredths as float")
            << rk(1, 1, rkInt(12345, true)) << 1 << 1 << "Float" << QVariant(123.45) << "";
        QTest::newRow("number as date-time")
            << number(1, 1, 45366.75) << 1 << 1 << "DateTime" << QVariant(evening) << "";
        QTest::newRow("formula number as float")
            << formula(1, 1, 42) << 1 << 1 << "Float" << QVariant(42.0) << "";
        QTest::newRow("number as variant")
            << number(1, 1, 42) << 1 << 1 << "Variant" << QVariant(42.0) << "";
        QTest::newRow("date cell as variant")
            << number(1, 1, 45366, 1) << 1 << 1 << "Variant" << QVariant(day) << "";
        QTest::newRow("boolean")
            << boolErr(1, 1, 1, false) << 1 << 1 << "Boolean" << QVariant(true) << "";
        QTest::newRow("boolean as variant")
            << boolErr(1, 1, 0, false) << 1 << 1 << "Variant" << QVariant(false) << "";
        QTest::newRow("shared string as variant")
            << labelSst(1, 1, 1) << 1 << 1 << "Variant" << QVariant(kShared[1]) << "";
        QTest::newRow("error as variant")
            << boolErr(1, 1, 7, true) << 1 << 1 << "Variant" << QVariant("#DIV/0!") << "";
        QTest::newRow("empty formula result as variant")
            << formulaSpecial(1, 1, 3) << 1 << 1 << "Variant" << QVariant() << "";
        QTest::newRow("text as float")
            << labelSst(1, 1, 0) << 1 << 1 << "Float" << QVariant() << "B2";
        QTest::newRow("boolean as float")
            << boolErr(1, 1, 1, false) << 1 << 1 << "Float" << QVariant() << "B2";
        QTest::newRow("number as boolean")
            << number(1, 1, 1) << 1 << 1 << "Boolean" << QVariant() << "B2";
        QTest::newRow("error as boolean")
            << boolErr(1, 1, 7, true) << 1 << 1 << "Boolean" << QVariant() << "B2";
        QTest::newRow("text as date-time")
            << label(1, 1, "x") << 1 << 1 << "DateTime" << QVariant() << "B2";
        QTest::newRow("empty formula result as float")
            << formulaSpecial(4, 0, 3) << 4 << 0 << "Float" << QVariant() << "A5";
        QTest::newRow("number past year 9999 as date-time")
            << number(0, 27, 3e6) << 0 << 27 << "DateTime" << QVariant() << "AB1";
    }
    void typedAccess()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, type);
        QFETCH(QVariant, value);
        QFETCH(QString, refused);
        TxlsFile f;
        f.OpenBytes(oneSheet(body));
        const TxlsWorkSheet& sheet = *f.Workbook()->Sheet(0);
        const TbiffCell* cell = sheet.Cell(row, col);
        QVERIFY(cell);
        try {
            QVariant got;
            if (type == "Float")
                got = f.CellAsFloat(*cell);
            else if (type == "DateTime")
                got = f.CellAsDateTime(*cell);
            else if (type == "Boolean")
                got = f.CellAsBoolean(*cell);
            else
                got = f.CellAsVariant(sheet, *cell);
            QVERIFY2(refused.isEmpty(), "a value the cell cannot give");
            QCOMPARE(got, value);
        } catch (const ExlsFileError& e) {
            QCOMPARE(e.message(),
                     QStringLiteral("Cannot access cell '%1' as type %2").arg(refused, type));
        }
    }

    void namesAndBuiltinFormats()
    {
        QCOMPARE(ColIndexToLetters(1), QString("A"));
        QCOMPARE(ColIndexToLetters(26), QString("Z"));
        QCOMPARE(ColIndexToLetters(27), QString("AA"));
        QCOMPARE(ColIndexToLetters(256), QString("IV"));
        QCOMPARE(ColLettersToIndex("IV"), 256);
        QCOMPARE(RowNumberToText(65536), QString("65536"));
        QCOMPARE(BuiltinNumberFormat(0), QString("General"));
        QCOMPARE(BuiltinNumberFormat(14), QString("m/d/yy"));
        QCOMPARE(BuiltinNumberFormat(22), QString("m/d/yy h:mm"));
        QCOMPARE(BuiltinNumberFormat(37), QString("#,##0 ;(#,##0)"));
        QCOMPARE(BuiltinNumberFormat(49), QString("@"));
        QVERIFY(BuiltinNumberFormat(30).isEmpty() && BuiltinNumberFormat(50).isEmpty());
        // The texts and the date rule by index agree.
        for (int i = 0; i < 50; ++i)
            QVERIFY2(IsDateFormatText(BuiltinNumberFormat(i)) == IsBuiltinDateFormat(i),
                     qPrintable(QString::number(i)));
    }

    void dateSystem1904()
    {
        TxlsFile f;
        f.OpenBytes(oneSheet(number(0, 0, 43904, 1), dateMode(true)));
        QCOMPARE(f.CellText(0, 0, 0), QString("2024/03/15"));
        TxlsFile zero;
        zero.OpenBytes(oneSheet(number(0, 0, 0, 1), dateMode(true)));
        QCOMPARE(zero.CellText(0, 0, 0), QString("1904/01/01"));
    }

    void importFormats()
    {
        TxlsFile f;
        f.TextFormat.DecimalSeparator = u'/';
        f.TextFormat.DateText = [](const QDateTime& v, TSheetDateKind) {
            return v.toString("d.M.yyyy");
        };
        f.OpenBytes(oneSheet(number(0, 0, 2.5) + number(0, 1, 45366, 1)));
        QCOMPARE(f.CellText(0, 0, 0), QString("2/5"));
        QCOMPARE(f.CellText(0, 0, 1), QString("15.3.2024"));
    }

    void continuedSharedStrings()
    {
        // The second string starts in 8-bit characters and goes on in 16-bit ones in the
        // CONTINUE record; the third has rich-text runs and extension data cut there too; the
        // fourth begins with its characters wholly in the next record.
        const QString wide = QStringLiteral("حساب");
        QByteArray first = u32(4) + u32(4) + str("ab");
        first += u16(8) + u8(0) + chars("abcd", false); // 4 of 8 characters
        QByteArray cont = u8(1) + chars("ef" + wide.left(2), true);
        cont += u16(3) + u8(0x0C) + u16(1) + u32(3) + chars("xy", false);
        QByteArray cont2 = u8(0) + chars("z", false) + u32(0x00010002) + QByteArray("\1\2\3", 3);
        cont2 += u16(2);
        cont2 += u8(1); // flags of the fourth string; its characters follow in the next record
        QByteArray cont3 = u8(1) + chars(wide.left(2), true);
        const QByteArray sstRecords =
            rec(0x00FC, first) + rec(0x003C, cont) + rec(0x003C, cont2) + rec(0x003C, cont3);
        const QByteArray body =
            labelSst(0, 0, 0) + labelSst(1, 0, 1) + labelSst(2, 0, 2) + labelSst(3, 0, 3);
        TxlsFile f;
        f.OpenBytes(workbook(sstRecords, {{"S", body}}));
        QCOMPARE(f.CellText(0, 0, 0), QString("ab"));
        QCOMPARE(f.CellText(0, 1, 0), "abcdef" + wide.left(2));
        QCOMPARE(f.CellText(0, 2, 0), QString("xyz"));
        QCOMPARE(f.CellText(0, 3, 0), wide.left(2));
    }

    void mulRk()
    {
        TxlsFile f;
        f.OpenBytes(oneSheet(mulrk(3, 1, {rkInt(10), rkInt(20), rkInt(3050, true), 0x3FF80000u})));
        const TxlsWorkSheet* s = f.Workbook()->Sheet(0);
        QCOMPARE(s->RowCells(3).size(), std::size_t(4));
        QCOMPARE(s->ColCount(), 5);
        QCOMPARE(f.CellText(0, 3, 1), QString("10"));
        QCOMPARE(f.CellText(0, 3, 3), QString("30.5"));
        QCOMPARE(f.CellText(0, 3, 4), QString("1.5"));
        QCOMPARE(f.FirstCol(0, 3), 1);
        QCOMPARE(f.LastCol(0, 3), 4);
    }

    // Every row holding cells is found, and no other, whether the rows follow one another or
    // leave gaps.
    void rowsFoundWithAndWithoutGaps_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("from the first row on") << QList<int>{0, 1, 2, 3};
        QTest::newRow("from a later row on") << QList<int>{5, 6, 7};
        QTest::newRow("gaps") << QList<int>{1, 2, 4, 9, 10, 300};
        QTest::newRow("gap after the first") << QList<int>{0, 7, 8};
        QTest::newRow("one row") << QList<int>{65535};
    }
    void rowsFoundWithAndWithoutGaps()
    {
        QFETCH(QList<int>, rows);
        QByteArray body;
        for (int r : rows)
            body += number(r, 0, r + 0.5);
        TxlsFile f;
        f.OpenBytes(oneSheet(body));
        const TxlsWorkSheet* s = f.Workbook()->Sheet(0);
        for (int r = -1; r <= 65536; ++r) {
            const bool held = rows.contains(r);
            QCOMPARE(s->RowCells(r).size(), std::size_t(held ? 1 : 0));
            QCOMPARE(f.CellText(0, r, 0), held ? QString::number(r + 0.5) : QString());
        }
    }

    // Every filled cell of a row is found, and no other, whether its columns follow one another
    // or leave gaps.
    void cellsFoundWithAndWithoutColumnGaps_data()
    {
        QTest::addColumn<QList<int>>("cols");
        QTest::newRow("from the first column on") << QList<int>{0, 1, 2, 3, 4, 5};
        QTest::newRow("from a later column on") << QList<int>{3, 4, 5};
        QTest::newRow("gaps") << QList<int>{1, 2, 4, 9, 10, 200};
        QTest::newRow("gap after the first") << QList<int>{0, 7, 8};
        QTest::newRow("last column alone") << QList<int>{255};
    }
    void cellsFoundWithAndWithoutColumnGaps()
    {
        QFETCH(QList<int>, cols);
        QByteArray body;
        for (int c : cols)
            body += number(3, c, c + 0.25);
        TxlsFile f;
        f.OpenBytes(oneSheet(body));
        const TxlsWorkSheet* s = f.Workbook()->Sheet(0);
        for (int c = -1; c <= 256; ++c) {
            const bool held = cols.contains(c);
            QCOMPARE(s->Cell(3, c) != nullptr, held);
            QCOMPARE(f.CellText(0, 3, c), held ? QString::number(c + 0.25) : QString());
        }
    }

    // However the records come (in order, backwards, a cell written again), each cell keeps its
    // last value and is found by row, by column and in the extents.
    void cellsIndexedWhateverTheirOrder_data()
    {
        using Cells = QList<QPair<QPoint, int>>; // (column, row) and the value
        QTest::addColumn<Cells>("written");
        const Cells ordered = {{{0, 0}, 1}, {{2, 0}, 2}, {{1, 1}, 3}, {{0, 4}, 4}, {{7, 4}, 5}};
        Cells backwards = ordered;
        std::reverse(backwards.begin(), backwards.end());
        QTest::newRow("in order") << ordered;
        QTest::newRow("backwards") << backwards;
        QTest::newRow("a cell again right after")
            << Cells{{{0, 0}, 1}, {{1, 0}, 2}, {{1, 0}, 9}, {{0, 3}, 4}};
        QTest::newRow("a cell again later")
            << Cells{{{1, 2}, 1}, {{0, 0}, 2}, {{3, 5}, 3}, {{1, 2}, 8}, {{0, 1}, 5}};
        QTest::newRow("one column") << Cells{{{4, 9}, 1}, {{4, 2}, 2}, {{4, 5}, 3}};
    }
    void cellsIndexedWhateverTheirOrder()
    {
        using Cells = QList<QPair<QPoint, int>>;
        QFETCH(Cells, written);
        QByteArray body;
        QMap<QPair<int, int>, int> last; // (row, column): value
        for (const auto& [at, value] : written) {
            body += number(at.y(), at.x(), value);
            last[{at.y(), at.x()}] = value;
        }
        TxlsFile f;
        f.OpenBytes(oneSheet(body));
        const TxlsWorkSheet& s = *f.Workbook()->Sheet(0);
        for (int r = 0; r < 11; ++r)
            for (int c = 0; c < 9; ++c) {
                const auto it = last.constFind({r, c});
                QCOMPARE(f.CellText(0, r, c), it == last.cend() ? QString() : QString::number(*it));
            }
        for (int c = 0; c < 9; ++c) {
            QList<int> rows, indexed;
            for (auto it = last.cbegin(); it != last.cend(); ++it)
                if (it.key().second == c)
                    rows << it.key().first; // the map is in row order
            for (quint32 i : s.ColCellIndexes(c)) {
                QCOMPARE(int(s.CellAt(i).Col), c);
                indexed << s.CellAt(i).Row;
            }
            QCOMPARE(indexed, rows);
            QCOMPARE(f.FirstRow(0, c), rows.isEmpty() ? -1 : rows.first());
            QCOMPARE(f.LastRow(0, c), rows.isEmpty() ? -1 : rows.last());
        }
    }

    void extentsIgnoreBlanks()
    {
        // Formatted empty cells below the data are not filled cells.
        const QByteArray blanks = rec(0x0201, cellHead(9, 0, 1)) +
                                  rec(0x00BE, u16(8) + u16(0) + u16(1) + u16(1) + u16(1) + u16(2));
        TxlsFile f;
        f.OpenBytes(oneSheet(number(2, 0, 1) + number(5, 0, 2) + number(4, 2, 3) + blanks));
        QCOMPARE(f.FirstRow(0, 0), 2);
        QCOMPARE(f.LastRow(0, 0), 5);
        QCOMPARE(f.FirstRow(0, 1), -1);
        QCOMPARE(f.FirstCol(0, 4), 2);
        QCOMPARE(f.LastCol(0, 9), -1);
        QCOMPARE(f.Workbook()->Sheet(0)->RowCount(), 6);
    }

    void sheetsMatchedByOffset_data()
    {
        QTest::addColumn<bool>("rightOffsets");
        QTest::newRow("by offset") << true;
        QTest::newRow("offsets left at 0") << false;
    }
    void sheetsMatchedByOffset()
    {
        QFETCH(bool, rightOffsets);
        // A chart sheet first, an embedded chart inside a sheet, and a macro sheet between.
        const QByteArray chart = number(0, 0, 99);
        const QByteArray embedded = bof(0x20) + number(0, 0, 77) + bof(0x20) + eof() + eof();
        Sheet macro{"Macro", number(0, 0, 55), 0x40};
        const QByteArray bytes =
            workbook(globals(),
                     {{"Chart1", chart, 0x20},
                      {"Data", label(0, 0, "d") + embedded + label(1, 0, "after")},
                      macro,
                      {"Other", label(0, 0, "o"), 0x10, 1}},
                     rightOffsets);
        TxlsFile f;
        f.OpenBytes(bytes);
        QCOMPARE(f.SheetCount(), 2);
        QCOMPARE(f.SheetName(0), QString("Data"));
        QCOMPARE(f.SheetName(1), QString("Other"));
        QCOMPARE(f.CellText(0, 0, 0), QString("d"));
        QCOMPARE(f.CellText(0, 1, 0), QString("after"));
        QCOMPARE(f.CellText(1, 0, 0), QString("o"));
        QVERIFY(f.Workbook()->Sheet(0)->Visible());
        QVERIFY(!f.Workbook()->Sheet(1)->Visible());
        QCOMPARE(f.SheetIndexByName("other"), 1);
        QCOMPARE(f.SheetIndexByName("Chart1"), -1);
    }

    void compoundFile_data()
    {
        QTest::addColumn<int>("cells");
        QTest::newRow("stream in the mini stream") << 10;
        QTest::newRow("stream in regular sectors") << 2000;
    }
    void compoundFile()
    {
        QFETCH(int, cells);
        QByteArray body;
        for (int i = 0; i < cells; ++i)
            body += number(i, 0, i);
        const QByteArray stream = oneSheet(body);
        const QByteArray file = biff::compoundFile(
            {{"\x05SummaryInformation", QByteArray(100, 'x')}, {"Workbook", stream}});
        TxlsFile f;
        f.OpenBytes(file);
        QCOMPARE(f.LastRow(0, 0), cells - 1);
        QCOMPARE(f.CellText(0, cells - 1, 0), QString::number(cells - 1));
    }

    void rowLimit()
    {
        TxlsFile f;
        f.RowLimit = 2;
        f.OpenBytes(
            oneSheet(number(5, 0, 1) + number(1, 0, 2) + number(5, 1, 3) + number(7, 0, 4)));
        QCOMPARE(f.CellText(0, 5, 1), QString("3"));
        QCOMPARE(f.CellText(0, 1, 0), QString("2"));
        QCOMPARE(f.CellText(0, 7, 0), QString());
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QString invalid = "Error reading Excel records. File invalid";
        const QByteArray good = oneSheet(number(0, 0, 1));
        QTest::newRow("encrypted")
            << workbook(filePass() + globals(), {{"Data", number(0, 0, 1)}})
            << "The workbook is encrypted with a password. Open it in the spreadsheet program, "
               "save it without a password and import that copy";
        QTest::newRow("BIFF5") << bof(5, 0x0500) + eof()
                               << "File is saved with an invalid Excel version";
        QTest::newRow("BIFF4") << rec(0x0409, u16(0) + u16(0x10)) + eof()
                               << "File is saved with an invalid Excel version";
        QTest::newRow("not a record stream") << QByteArray("Name,Account\r\n") << invalid;
        QTest::newRow("empty") << QByteArray() << invalid;
        QTest::newRow("worksheet without globals") << bof(0x10) + eof() << invalid;
        QTest::newRow("cut inside a sheet") << good.left(good.size() - 6) << invalid;
        QTest::newRow("record longer than the stream") << good.left(good.size() - 2) << invalid;
        QTest::newRow("shared string out of the table") << oneSheet(labelSst(0, 0, 3)) << invalid;
        QTest::newRow("cell record too short") << oneSheet(rec(0x0203, u16(0) + u16(0))) << invalid;
        QTest::newRow("record longer than a BIFF8 record holds")
            << oneSheet(rec(0x00AA, QByteArray(8225, 'x')) + number(0, 0, 1)) << invalid;
        QTest::newRow("continuation longer than a BIFF8 record holds")
            << oneSheet(rec(0x00AA, "x") + rec(0x003C, QByteArray(8225, 'x'))) << invalid;
        // An inverted header of a LABELSST cell, id 0xFF02 and length 65525, over the cells
        // after it up to one that follows in step.
        {
            QByteArray body;
            for (int i = 0; i < 10; ++i)
                body += labelSst(i, 0, 0);
            body += u16(0xFF02) + u16(65525);
            QByteArray swallowed;
            for (int i = 11; i < 4611; ++i)
                swallowed += labelSst(i, 0, 1);
            swallowed += rec(0x00AA, QByteArray(65525 - swallowed.size() - 4, 'x'));
            body += swallowed;
            for (int i = 4611; i < 6000; ++i)
                body += labelSst(i, 0, 2);
            QTest::newRow("header damaged into a length of 65525") << oneSheet(body) << invalid;
        }
        QTest::newRow("strings short of their table's bytes")
            << workbook(rec(0x00FC, u32(2) + u32(2) + str("one") + str("two") + str("three")),
                        {{"S", labelSst(0, 0, 0)}})
            << invalid;
        QTest::newRow("strings short of the table's continuation")
            << workbook(rec(0x00FC, u32(1) + u32(1) + str("one")) + rec(0x003C, u8(0) + "x"),
                        {{"S", labelSst(0, 0, 0)}})
            << invalid;
        // A block of zeros over the table: each three zero bytes read as an empty string.
        {
            QByteArray table = u32(4) + u32(4) + str("Ahmadi") + str("Karimi") + str("Rezaei") +
                               str("Yazdani");
            table.replace(17, 12, QByteArray(12, '\0'));
            QTest::newRow("strings zeroed in their table")
                << workbook(rec(0x00FC, table), {{"S", labelSst(0, 0, 3)}}) << invalid;
        }
        QTest::newRow("cell past the last column") << oneSheet(number(0, 256, 1)) << invalid;
        QTest::newRow("run of numbers past the last column")
            << oneSheet(mulrk(0, 254, {rkInt(1), rkInt(2), rkInt(3)})) << invalid;
        {
            QByteArray run = mulrk(2, 1, {rkInt(1), rkInt(2), rkInt(3)});
            run.replace(run.size() - 2, 2, u16(9));
            QTest::newRow("run of numbers ending at another column") << oneSheet(run) << invalid;
            QByteArray ragged = mulrk(2, 1, {rkInt(1), rkInt(2)});
            ragged.insert(ragged.size() - 2, "xy");
            ragged.replace(2, 2, u16(quint16(ragged.size() - 4)));
            QTest::newRow("run of numbers with bytes over") << oneSheet(ragged) << invalid;
        }
        QTest::newRow("sheet's records running into the next sheet")
            << sheetRunningIntoTheNext() << invalid;
        QTest::newRow("shared strings cut short")
            << workbook(rec(0x00FC, u32(5) + u32(5) + str("one")), {{"S", {}}})
            << "Error reading record";
        QTest::newRow("only a BIFF5 stream")
            << biff::compoundFile({{"Book", good}}) << "File book.xls is not an Excel Workbook";
        QTest::newRow("damaged compound file")
            << biff::compoundFile({{"Workbook", good}}).left(512)
            << "The file is damaged: the allocation table is larger than the file";
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QCOMPARE(errorOf(bytes), message);
    }

    void errorCodes()
    {
        for (int code : {0, 7, 15, 23, 29, 36, 42})
            QCOMPARE(TextToErrorCode(ErrorCodeToText(code)), code);
        QVERIFY_THROWS_EXCEPTION(ExlsFileError, TextToErrorCode("#OOPS"));
    }

    void missingFile()
    {
        TxlsFile f;
        QVERIFY_THROWS_EXCEPTION(ExlsFileError, f.Open());
        f.SetFileName("/nonexistent/book.xls");
        try {
            f.Open();
            QFAIL("opened a missing file");
        } catch (const ExlsFileError& e) {
            QCOMPARE(e.message(), QString("File /nonexistent/book.xls does not exist"));
        }
    }
};

QTEST_APPLESS_MAIN(TestXlsFile)
#include "test_xlsfile.moc"
