#include "helper_fakes.h"

#include "import/engine/Durvel3ODS.h"
#include "import/engine/Durvel3ODT.h"
#include "import/engine/support/OpenDocumentFile.h"
#include "tests/support/ZipBuilder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using Rows = QList<QStringList>;
Q_DECLARE_METATYPE(QList<Rows>)

namespace {

// Content whose body is Body; "t:", "x:" and "o:" are the table, text and office prefixes.
QList<ZipMember> content(const QByteArray& body, bool text = false)
{
    const QByteArray kind = text ? "text" : "spreadsheet";
    return {
        {"mimetype", "application/vnd.oasis.opendocument." + kind, true},
        {"content.xml", "<?xml version=\"1.0\"?><o:document-content "
                        "xmlns:o=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                        "xmlns:t=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                        "xmlns:x=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><o:body><o:" +
                            kind + ">" + body + "</o:" + kind + "></o:body></o:document-content>"}};
}

QByteArray c(const QByteArray& text, const QByteArray& attrs = {})
{
    return "<t:table-cell" + attrs + "><x:p>" + text + "</x:p></t:table-cell>";
}
QByteArray r(const QByteArray& cells, const QByteArray& attrs = {})
{
    return "<t:table-row" + attrs + ">" + cells + "</t:table-row>";
}
QByteArray t(const QByteArray& name, const QByteArray& rows)
{
    return "<t:table t:name=\"" + name + "\">" + rows + "</t:table>";
}

Rows gridOf(const TODSSpreadSheet& s)
{
    Rows rows;
    for (int y = 0; y < s.RowCount; ++y) {
        QStringList row;
        for (int x = 0; x < s.ColCount; ++x)
            row << s.Cells.Cell(x, y);
        rows << row;
    }
    return rows;
}

} // namespace

class TestOpenDocument : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;

    QString write(const QList<ZipMember>& members)
    {
        const QString path = m_dir.filePath(QStringLiteral("doc%1.zip").arg(++m_files));
        return writeZip(path, members) ? path : QString();
    }

private slots:
    void spreadsheetShapes_data()
    {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<bool>("notExpand");
        QTest::addColumn<Rows>("grid");
        QTest::newRow("paragraphs, spaces, tabs, breaks; annotations left out")
            << r("<t:table-cell><x:p>Ali<x:s x:c=\"2\"/>Reza</x:p><x:p><x:span>b</x:span>"
                 "<x:tab/>c<x:line-break/>d</x:p><o:annotation><x:p>note</x:p></o:annotation>"
                 "</t:table-cell>")
            << true << Rows{{"Ali  Reza\rb\tc\nd"}};
        QTest::newRow("repeated cell, next cell further on")
            << r(c("x", " t:number-columns-repeated=\"3\"") + c("y")) << true
            << Rows{{"x", "x", "x", "y"}};
        const QByteArray span =
            r(c("x", " t:number-columns-spanned=\"2\" t:number-rows-spanned=\"2\"") +
              "<t:covered-table-cell/>" + c("z")) +
            r("<t:covered-table-cell t:number-columns-repeated=\"2\"/>" + c("w"));
        QTest::newRow("span, top-left only") << span << true << Rows{{"x", "", "z"}, {"", "", "w"}};
        QTest::newRow("span expanded") << span << false << Rows{{"x", "x", "z"}, {"x", "x", "w"}};
        QTest::newRow("repeated rows")
            << r(c("a") + c("b"), " t:number-rows-repeated=\"2\"") + r(c("c")) << true
            << Rows{{"a", "b"}, {"a", "b"}, {"c", ""}};
        QTest::newRow("trailing repeats cost nothing")
            << r(c("1")) + r("<t:table-cell/>", " t:number-rows-repeated=\"3\"") + r(c("5")) +
                   r("<t:table-cell t:number-columns-repeated=\"1024\"/>",
                     " t:number-rows-repeated=\"1048570\"")
            << true << Rows{{"1"}, {""}, {""}, {""}, {"5"}};
        QTest::newRow("typed values read from the value, not the display")
            << r("<t:table-cell o:value-type=\"float\" o:value=\"1234567.5\"><x:p>1,234,568</x:p>"
                 "</t:table-cell><t:table-cell o:value-type=\"date\" o:date-value=\"2024-03-05\">"
                 "<x:p>05/03/24</x:p></t:table-cell><t:table-cell o:value-type=\"boolean\" "
                 "o:boolean-value=\"true\"><x:p>TRUE</x:p></t:table-cell>"
                 "<t:table-cell o:value-type=\"float\" o:value=\"603799123456789\"/>")
            << true << Rows{{"1234567.5", "2024/03/05", "True", "603799123456789"}};
        const auto time = [](const QByteArray& value) {
            return "<t:table-cell o:value-type=\"time\" o:time-value=\"" + value +
                   "\"><x:p>shown</x:p></t:table-cell>";
        };
        QTest::newRow("times of day, durations past 64 bits show the cell's text")
            << r(time("PT12H30M05S") + time("PT36H00M00.4S") + time("PT2562047788015216H") +
                 time("P106751991167301DT0H") + time("PT0H153722867280912931M") +
                 time("PT0H0M1e300S"))
            << true << Rows{{"12:30:05", "12:00:00", "shown", "shown", "shown", "shown"}};
        QTest::newRow("sub-tables are not sheets and not cell text")
            << r("<t:table-cell><x:p>out</x:p><t:table t:is-sub-table=\"true\">" + r(c("in")) +
                 "</t:table></t:table-cell>")
            << true << Rows{{"out"}};
    }
    void spreadsheetShapes()
    {
        QFETCH(QByteArray, rows);
        QFETCH(bool, notExpand);
        QFETCH(Rows, grid);
        TODSFile file;
        file.SetNotExpandMergedValue(notExpand);
        file.SetFileName(write(content(t("Sheet1", rows))));
        file.Load();
        QCOMPARE(file.SpreadSheets.size(), size_t(1));
        QCOMPARE(gridOf(*file.SpreadSheets[0]), grid);
    }

    void refusesWhatItCannotHold_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        QTest::newRow("no table") << QByteArray("<x:p>text only</x:p>")
                                  << "No spreadsheets were found";
        QTest::newRow("text beyond the last row")
            << t("S", r(c("x"), " t:number-rows-repeated=\"2000000\"")) << "beyond row";
        const QByteArray huge = "9223372036854775807";
        QTest::newRow("row repeats summing past 64 bits")
            << t("S", r("<t:table-cell/>", " t:number-rows-repeated=\"" + huge + "\"") +
                          r("<t:table-cell/>", " t:number-rows-repeated=\"" + huge + "\"") +
                          r(c("x")))
            << "beyond row";
        QTest::newRow("column repeats summing past 64 bits")
            << t("S", r("<t:table-cell t:number-columns-repeated=\"" + huge +
                        "\"/>"
                        "<t:covered-table-cell t:number-columns-repeated=\"" +
                        huge + "\"/>" + c("x")))
            << "beyond row";
        QTest::newRow("a repeat of more digits than 64 bits hold")
            << t("S", r("<t:table-cell/>", " t:number-rows-repeated=\"99999999999999999999999\"") +
                          r(c("x")))
            << "beyond row";
        QTest::newRow("a million rows each with a cell far to the right")
            << t("S", r("<t:table-cell t:number-columns-repeated=\"1024\"/>" + c("x"),
                        " t:number-rows-repeated=\"1048000\""))
            << "MB of memory";
        QTest::newRow("billions of cells")
            << t("S", r(c("x", " t:number-columns-repeated=\"16384\""),
                        " t:number-rows-repeated=\"1048576\""))
            << "more than";
    }
    void refusesWhatItCannotHold()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        TODSFile file;
        file.SetFileName(write(content(body)));
        try {
            file.Load();
            QFAIL("loaded");
        } catch (const EZipError& e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        }
        QVERIFY(!file.Loaded());
    }

    void textTables_data()
    {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<bool>("complex");
        QTest::addColumn<Rows>("grid");
        QTest::newRow("paragraphs by carriage return")
            << r(c("a") + "<t:table-cell><x:p>b</x:p><x:p/><x:p>c</x:p></t:table-cell>") << false
            << Rows{{"a", "b\rc"}};
        QTest::newRow("a 2 x 2 sub-table laid into the grid")
            << r(c("a") + "<t:table-cell><t:table t:is-sub-table=\"true\">" + r(c("s1") + c("s2")) +
                 r(c("s3") + c("s4")) + "</t:table></t:table-cell>") +
                   r(c("next"))
            << true << Rows{{"a", "s1", "s2"}, {"", "s3", "s4"}, {"next", "", ""}};
    }
    void textTables()
    {
        QFETCH(QByteArray, rows);
        QFETCH(bool, complex);
        QFETCH(Rows, grid);
        TODTFile file;
        file.SetFileName(write(content(t("T", rows), true)));
        file.Load();
        QCOMPARE(file.SpreadSheets.size(), size_t(1));
        QCOMPARE(file.SpreadSheets[0]->ComplexTable, complex);
        QCOMPARE(gridOf(*file.SpreadSheets[0]), grid);
    }

    // Word processors nest a table in a cell without marking it a sub-table: it is listed
    // after its outer table, and the outer cell keeps its own text.
    void nestedTablesAreTablesOfTheirOwn_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<Rows>>("grids");
        QTest::newRow("a table in a cell, text around it")
            << t("Outer", r(c("a") + "<t:table-cell><x:p>own</x:p>" +
                            t("Inner", r(c("i1") + c("i2")) + r(c("i3"))) +
                            "<x:p>after</x:p></t:table-cell>") +
                              r(c("next") + c("b")))
            << QStringList{"Outer", "Inner"}
            << QList<Rows>{{{"a", "own\rafter"}, {"next", "b"}}, {{"i1", "i2"}, {"i3", ""}}};
        QTest::newRow("two levels, then a table after the outer one")
            << t("A",
                 r("<t:table-cell>" +
                   t("B", r("<t:table-cell>" + t("C", r(c("c"))) + "</t:table-cell>" + c("b"))) +
                   "</t:table-cell>" + c("a"))) +
                   t("D", r(c("d")))
            << QStringList{"A", "B", "C", "D"}
            << QList<Rows>{{{"", "a"}}, {{"", "b"}}, {{"c"}}, {{"d"}}};
    }
    void nestedTablesAreTablesOfTheirOwn()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, names);
        QFETCH(QList<Rows>, grids);
        TODTFile file;
        file.SetFileName(write(content(body, true)));
        file.Load();
        QStringList listed;
        QList<Rows> read;
        for (const auto& table : file.SpreadSheets) {
            listed << table->Name;
            read << gridOf(*table);
            QVERIFY(!table->ComplexTable);
        }
        QCOMPARE(listed, names);
        QCOMPARE(read, grids);
    }

    // A preview reads the top rows of each table; with the sheets named in the settings it
    // stops at the first long sheet and lists the rest unread; one sheet can be read alone.
    void previewReadsTheTopRows_data()
    {
        QTest::addColumn<bool>("settings");
        QTest::addColumn<QString>("only");
        QTest::addColumn<QStringList>("sheets"); // name:rows read, "?" when unread
        QTest::newRow("named in the settings") << true << "" << QStringList{"Long:3", "Short?"};
        QTest::newRow("not named: every sheet read")
            << false << "" << QStringList{"Long:3", "Short:2"};
        QTest::newRow("one sheet alone") << true << "short" << QStringList{"Short:2"};
        QTest::newRow("one long sheet alone") << true << "LONG" << QStringList{"Long:3"};
    }
    void previewReadsTheTopRows()
    {
        QFETCH(bool, settings);
        QFETCH(QString, only);
        QFETCH(QStringList, sheets);
        QByteArray rows;
        for (int i = 0; i < 10; ++i)
            rows += r(c(QByteArray::number(i)));
        QList<ZipMember> members = content(t("Long", rows) + t("Short", r(c("s1")) + r(c("s2"))));
        if (settings)
            members.append(ZipMember{
                "settings.xml",
                "<o:document-settings xmlns:o=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                "xmlns:k=\"urn:oasis:names:tc:opendocument:xmlns:config:1.0\"><o:settings>"
                "<k:config-item-set k:name=\"ooo:view-settings\"><k:config-item-map-indexed "
                "k:name=\"Views\"><k:config-item-map-entry><k:config-item-map-named "
                "k:name=\"Tables\"><k:config-item-map-entry k:name=\"Long\"/>"
                "<k:config-item-map-entry k:name=\"Short\"/></k:config-item-map-named>"
                "</k:config-item-map-entry></k:config-item-map-indexed></k:config-item-set>"
                "</o:settings></o:document-settings>"});
        const QString path = write(members);
        TODSFile file;
        file.SetPreviewRows(3);
        file.SetOnlySheet(only);
        file.SetFileName(path);
        file.Load();
        QStringList read;
        for (const auto& sheet : file.SpreadSheets)
            read << (sheet->Unread ? sheet->Name + u'?'
                                   : sheet->Name + u':' + QString::number(sheet->RowCount));
        QCOMPARE(read, sheets);
        if (only.isEmpty())
            QCOMPARE(file.SpreadSheets[0]->Cells.Cell(0, 2), QStringLiteral("2"));
        // The import reads every row.
        TODSFile whole;
        whole.SetFileName(path);
        whole.Load();
        QCOMPARE(whole.SpreadSheets[0]->RowCount, 10);
        QCOMPARE(whole.SpreadSheets[1]->RowCount, 2);
    }

    // A preview skips the rows it does not show by scanning for the sheet's end; whatever
    // hides markup there must not end the sheet early or start another, and what the scanner
    // cannot be sure of is parsed. Either way the sheets are those the parse reads.
    void previewSkipsRowsByScanning_data()
    {
        QTest::addColumn<QByteArray>("document"); // content.xml
        QTest::addColumn<QString>("only");        // the one sheet read
        QTest::addColumn<QStringList>("sheets");  // name:rows read
        QTest::addColumn<bool>("scanned");
        const QByteArray ns = "xmlns:o=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                              "xmlns:x=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"";
        const QByteArray tableNs = "\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\"";
        // Two sheets, the first longer than the preview; Hide goes among its skipped rows.
        const auto doc = [&](const QByteArray& hide, const QByteArray& p = "t",
                             const QByteArray& prolog = "<?xml version=\"1.0\"?>",
                             const QByteArray& more = {}) {
            QByteArray rows;
            for (int i = 0; i < 6; ++i)
                rows += "<" + p + ":table-row><" + p + ":table-cell><x:p>" + QByteArray::number(i) +
                        "</x:p></" + p + ":table-cell></" + p + ":table-row>";
            return prolog + "<o:document-content " + ns + " xmlns:" + p + "=" + tableNs + more +
                   "><o:body><o:spreadsheet><" + p + ":table " + p + ":name=\"Long\">" + rows +
                   hide + rows + "</" + p + ":table><" + p + ":table " + p + ":name=\"Short\"><" +
                   p + ":table-row><" + p + ":table-cell><x:p>s</x:p></" + p + ":table-cell></" +
                   p + ":table-row></" + p +
                   ":table></o:spreadsheet></o:body></o:document-content>";
        };
        const QStringList two{"Long:3", "Short:1"};
        QTest::newRow("plain") << doc("") << QString() << two << true;
        QTest::newRow("the prefix \"table\"") << doc("", "table") << QString() << two << true;
        QTest::newRow("a prefix of its own") << doc("", "tb") << QString() << two << true;
        QTest::newRow("\"table\" bound elsewhere, tables under \"t\"")
            << doc("<table:table xmlns:table=\"urn:other\"></table:table>") << QString() << two
            << false;
        QTest::newRow("tables of another namespace named like ours")
            << doc("<q:table><q:table-row/></q:table>", "t", "<?xml version=\"1.0\"?>",
                   " xmlns:q=\"urn:other\"")
            << QString() << two << true;
        QTest::newRow("a comment holding tables")
            << doc("<!-- </t:table><t:table t:name=\"Fake\"> -->") << QString() << two << true;
        QTest::newRow("CDATA holding tables")
            << doc("<t:table-row><t:table-cell><x:p><![CDATA[</t:table><t:table "
                   "t:name=\"Fake\">]]></x:p></t:table-cell></t:table-row>")
            << QString() << two << true;
        QTest::newRow("an instruction holding a table's end")
            << doc("<?keep </t:table>?>") << QString() << two << true;
        QTest::newRow("a value holding \">\" and \"/>\"")
            << doc("<t:table-row t:style-name=\"a/>b>\"><t:table-cell t:formula='x>\"y\"'/>"
                   "</t:table-row>")
            << QString() << two << true;
        QTest::newRow("nested tables, one empty, one repeating the sheet's end")
            << doc("<t:table-row><t:table-cell><t:table t:name=\"In\"><t:table-row>"
                   "<t:table-cell><t:table t:name=\"Deeper\"/></t:table-cell></t:table-row>"
                   "</t:table ></t:table-cell></t:table-row>")
            << QString() << two << true;
        QTest::newRow("a table start tag whose name holds \">\"")
            << doc("").replace("t:name=\"Short\"", "t:name=\"a/>\" ") << QString()
            << QStringList{"Long:3", "a/>:1"} << true;
        QTest::newRow("a sub-table at the top and an empty table")
            << doc("").replace("<t:table t:name=\"Short\">",
                               "<t:table t:name=\"Sub\" t:is-sub-table=\"true\"><t:table-row/>"
                               "</t:table><t:table t:name=\"Empty\"/><t:table "
                               "t:name=\"Short\">")
            << QString() << QStringList{"Long:3", "Empty:0", "Short:1"} << true;
        QTest::newRow("a root of a short name ending the part")
            << doc("").replace("o:document-content", "r") << QString() << two << true;
        QTest::newRow("a comment after the root")
            << doc("").append("<!-- end -->\n") << QString() << two << true;
        QTest::newRow("comments and instructions before the root, a byte-order mark")
            << doc("", "t",
                   "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- c --><?pi x?>")
            << QString() << two << true;
        QTest::newRow("namespace declared below the root: parsed")
            << doc("<x:p xmlns:t2=" + tableNs + "/>") << QString() << two << false;
        QTest::newRow("a document type: parsed")
            << doc("", "t", "<?xml version=\"1.0\"?><!DOCTYPE o:document-content []>") << QString()
            << two << false;
        QTest::newRow("another encoding: parsed")
            << doc("", "t", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>") << QString() << two
            << false;
        QTest::newRow("one sheet alone, after markup hidden in the first")
            << doc("<!-- </t:table><t:table t:name=\"Short\"> -->") << "short"
            << QStringList{"Short:1"} << true;
        QTest::newRow("one sheet alone, the long one")
            << doc("<![CDATA[</t:table>]]>") << "LONG" << QStringList{"Long:3"} << true;
    }

    void previewSkipsRowsByScanning()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, only);
        QFETCH(QStringList, sheets);
        QFETCH(bool, scanned);
        const QString path =
            write({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", true},
                   {"content.xml", document}});
        TODSFile file;
        file.SetPreviewRows(3);
        file.SetOnlySheet(only);
        file.SetFileName(path);
        file.Load();
        QStringList read;
        for (const auto& sheet : file.SpreadSheets)
            read << sheet->Name + u':' + QString::number(sheet->RowCount);
        QCOMPARE(read, sheets);
        QCOMPARE(file.SkippedByScanning(), scanned);
        if (sheets[0].startsWith(QLatin1String("Long")))
            QCOMPARE(gridOf(*file.SpreadSheets[0]), (Rows{{"0"}, {"1"}, {"2"}}));
        TODSFile parsed;
        parsed.SetPreviewRows(3);
        parsed.SetOnlySheet(only);
        parsed.SetSkipByScanning(false);
        parsed.SetFileName(path);
        parsed.Load();
        QCOMPARE(parsed.SpreadSheets.size(), file.SpreadSheets.size());
        for (std::size_t i = 0; i < file.SpreadSheets.size(); ++i)
            QCOMPARE(gridOf(*file.SpreadSheets[i]), gridOf(*parsed.SpreadSheets[i]));
    }

    // A text document's preview skips a table's rows past it too, unless a table is nested in
    // the table (a table of its own, or one that makes it complex): then every row is parsed.
    void textPreviewSkipsRowsByScanning_data()
    {
        QTest::addColumn<QByteArray>("hidden"); // a row among the long table's skipped ones
        QTest::addColumn<QByteArray>("shown");  // a row among its shown ones
        QTest::addColumn<bool>("scanned");
        QTest::newRow("plain tables") << QByteArray() << QByteArray() << true;
        QTest::newRow("a table nested in a skipped row")
            << r(c("a") + "<t:table-cell>" + t("Inner", r(c("i"))) + "</t:table-cell>")
            << QByteArray() << false;
        QTest::newRow("a sub-table in a skipped row")
            << r("<t:table-cell><t:table t:is-sub-table=\"true\">" + r(c("s1") + c("s2")) +
                 "</t:table></t:table-cell>")
            << QByteArray() << false;
        QTest::newRow("a sub-table in a shown row")
            << QByteArray()
            << r("<t:table-cell><t:table t:is-sub-table=\"true\">" + r(c("s1")) +
                 "</t:table></t:table-cell>")
            << false;
    }
    void textPreviewSkipsRowsByScanning()
    {
        QFETCH(QByteArray, hidden);
        QFETCH(QByteArray, shown);
        QFETCH(bool, scanned);
        QByteArray rows = r(c("0")) + shown;
        for (int i = 1; i < 6; ++i)
            rows += r(c(QByteArray::number(i)));
        const QString path =
            write(content(t("Long", rows + hidden + r(c("last"))) + t("Short", r(c("s"))), true));
        const auto load = [&](TODTFile& f, bool skip) {
            f.SetPreviewRows(3);
            f.SetSkipByScanning(skip);
            f.SetFileName(path);
            f.Load();
            QStringList tables;
            for (const auto& sheet : f.SpreadSheets)
                tables << sheet->Name + (sheet->ComplexTable ? "*" : "");
            return tables;
        };
        TODTFile file, parsed;
        QCOMPARE(load(file, true), load(parsed, false));
        QCOMPARE(file.SkippedByScanning(), scanned);
        for (std::size_t i = 0; i < file.SpreadSheets.size(); ++i)
            QCOMPARE(gridOf(*file.SpreadSheets[i]), gridOf(*parsed.SpreadSheets[i]));
        // One table asked for reads as the parse reads it, the listing that scanned the whole
        // sparing the preview the rest of the table.
        TODTFile lister;
        lister.SetListOnly(true);
        lister.SetFileName(path);
        lister.Load();
        QCOMPARE(lister.SkippedByScanning(), scanned);
        for (const QString& only : {QStringLiteral("Long"), QStringLiteral("Short")}) {
            TODTFile one, oneParsed;
            one.SetOnlySheet(only);
            one.SetListedByScanning(lister.SkippedByScanning());
            oneParsed.SetOnlySheet(only);
            QCOMPARE(load(one, true), load(oneParsed, false));
            QVERIFY(one.GetSheetByName(only) && oneParsed.GetSheetByName(only));
            QCOMPARE(gridOf(*one.GetSheetByName(only)), gridOf(*oneParsed.GetSheetByName(only)));
        }
    }

    // A damaged part fails as it does when every row is parsed, with the same message. A
    // skipped row's markup is looked at no further than it hides a sheet's end: a mismatched
    // end tag there is met by the import, which reads every row.
    void previewOfDamagedPartFailsAsTheParse_data()
    {
        QTest::addColumn<QByteArray>("damage");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("previewFails");
        QTest::newRow("cut in a skipped row") << QByteArray("cut") << "content.xml" << true;
        QTest::newRow("no end after the sheets") << QByteArray("open") << "content.xml" << true;
        QTest::newRow("a skipped byte changed: checksum")
            << QByteArray("flip") << "checksum" << true;
        QTest::newRow("a shown row's end tag mismatched")
            << QByteArray("row1</x:p></t:table-cell>") << "content.xml" << true;
        QTest::newRow("a skipped row's end tag mismatched")
            << QByteArray("row30</x:p></t:table-cell>") << "content.xml" << false;
    }
    void previewOfDamagedPartFailsAsTheParse()
    {
        QFETCH(QByteArray, damage);
        QFETCH(QString, message);
        QFETCH(bool, previewFails);
        QByteArray rows;
        for (int i = 0; i < 50; ++i)
            rows += r(c("row" + QByteArray::number(i)));
        QList<ZipMember> members = content(t("Long", rows) + t("Short", r(c("s"))));
        QByteArray& xml = members[1].data;
        if (damage == "cut")
            xml.truncate(xml.indexOf("row40"));
        else if (damage.startsWith("row"))
            xml.replace(damage, damage.chopped(1) + "l>");
        else if (damage == "open")
            xml.truncate(xml.indexOf("</o:spreadsheet>"));
        members[1].stored = damage == "flip";
        const QString path = write(members);
        if (damage == "flip") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QByteArray bytes = f.readAll();
            const qsizetype at = bytes.indexOf("row30");
            QVERIFY(at > 0);
            bytes[at] = 'R';
            f.seek(0);
            f.write(bytes);
        }
        // Skipping, parsing, and the import's whole read.
        QString errors[3];
        for (int i = 0; i < 3; ++i) {
            TODSFile file;
            file.SetPreviewRows(i < 2 ? 3 : 0);
            file.SetSkipByScanning(i == 0);
            file.SetFileName(path);
            try {
                file.Load();
            } catch (const std::exception& e) {
                errors[i] = QString::fromUtf8(e.what());
            }
            QCOMPARE(file.Loaded(), errors[i].isEmpty());
        }
        QVERIFY2(errors[1].contains(message), qPrintable(errors[1]));
        QCOMPARE(errors[2], errors[1]);
        QCOMPARE(errors[0], previewFails ? errors[1] : QString());
    }

    void odsReader_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("skip");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("error");
        QTest::newRow("by name, header skipped") << "SECOND" << 1 << Rows{{"Ali", "0123"}} << "";
        QTest::newRow("empty name: first sheet") << "" << 0 << Rows{{"one", ""}} << "";
        QTest::newRow("no such sheet") << "Third" << 0 << Rows{} << "no sheet named \"Third\"";
    }
    void odsReader()
    {
        QFETCH(QString, sheet);
        QFETCH(int, skip);
        QFETCH(Rows, rows);
        QFETCH(QString, error);
        const QString path =
            write(content(t("First", r(c("one"))) +
                          t("Second", r(c("Name") + c("Account")) + r(c("Ali") + c("0123")))));
        TDurvel3ODS imp;
        imp.SetFileName(path);
        imp.SetSheetName(sheet);
        imp.SkipFirstRows = skip;
        DurvelCellStore grid(2, 0);
        intoGrid(imp, grid, QStringLiteral("0=A"));
        imp.Map().Add(QStringLiteral("1=B"));
        try {
            QVERIFY(imp.Execute());
            QVERIFY(error.isEmpty());
        } catch (const EDurvelError& e) {
            QVERIFY2(!error.isEmpty() && e.message().contains(error), qPrintable(e.message()));
        }
        QCOMPARE(gridRows(grid), rows);
    }

    void odtReader_data()
    {
        QTest::addColumn<bool>("header");
        QTest::addColumn<int>("skip");
        QTest::addColumn<bool>("complexAllowed");
        QTest::addColumn<Rows>("rows");
        QTest::newRow("header row skipped") << true << 0 << true << Rows{{"2"}, {"3"}};
        QTest::newRow("header and one more") << true << 1 << true << Rows{{"3"}};
        QTest::newRow("complex refused") << false << 0 << false << Rows{};
    }
    void odtReader()
    {
        QFETCH(bool, header);
        QFETCH(int, skip);
        QFETCH(bool, complexAllowed);
        QFETCH(Rows, rows);
        const QByteArray sub = "<t:table-cell><t:table t:is-sub-table=\"true\">" + r(c("s")) +
                               "</t:table></t:table-cell>";
        const QString path = write(content(
            t("Plain", r(c("1")) + r(c("2")) + r(c("3"))) + t("Complex", r(c("a") + sub)), true));
        TDurvel3ODT imp;
        imp.SetFileName(path);
        imp.SetSheetName(complexAllowed ? QStringLiteral("plain") : QStringLiteral("Complex"));
        imp.UseHeader = header;
        imp.UseComplexTables = complexAllowed;
        imp.SkipFirstRows = skip;
        DurvelCellStore grid(1, 0);
        intoGrid(imp, grid, QStringLiteral("0=A"));
        try {
            imp.Execute();
            QVERIFY(complexAllowed);
        } catch (const EDurvelError& e) {
            QVERIFY(!complexAllowed);
            QCOMPARE(e.message(), QStringLiteral("Trying to convert complex tables"));
        }
        QCOMPARE(gridRows(grid), rows);
    }

    void filesWrittenByOdfpy()
    {
        const QString ods = m_dir.filePath(QStringLiteral("py.ods"));
        const QString odt = m_dir.filePath(QStringLiteral("py.odt"));
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral(
                      "import sys\n"
                      "from odf.opendocument import OpenDocumentSpreadsheet, OpenDocumentText\n"
                      "from odf.table import Table, TableRow, TableCell\n"
                      "from odf.text import P, Span\n"
                      "def table(name, rows):\n"
                      "    t = Table(name=name)\n"
                      "    for row in rows:\n"
                      "        tr = TableRow()\n"
                      "        for v in row:\n"
                      "            if isinstance(v, float):\n"
                      "                tc = TableCell(valuetype='float', value=v)\n"
                      "                tc.addElement(P(text='%.0f' % v))\n"
                      "            else:\n"
                      "                tc = TableCell()\n"
                      "                p = P(text=v[:2]); p.addElement(Span(text=v[2:])); "
                      "tc.addElement(p)\n"
                      "            tr.addElement(tc)\n"
                      "        t.addElement(tr)\n"
                      "    return t\n"
                      "rows = [['\u0646\u0627\u0645 \u067E\u062F\u0631', 6037991234567.0], ['Ali "
                      "Reza', 15000000.0]]\n"
                      "s = OpenDocumentSpreadsheet(); s.spreadsheet.addElement(table('Sheet1', "
                      "rows)); s.save(sys.argv[1])\n"
                      "d = OpenDocumentText(); outer = table('Table1', rows)\n"
                      "cell = outer.getElementsByType(TableCell)[0]\n"
                      "cell.addElement(table('Inner', [['in']]))\n"
                      "d.text.addElement(outer); d.save(sys.argv[2])\n"),
                  ods, odt});
        if (!py.waitForFinished(60000) || py.exitCode() != 0)
            QSKIP("python3-odf is not available");
        TODSFile s;
        s.SetFileName(ods);
        s.Load();
        QCOMPARE(gridOf(*s.GetSheetByName(QStringLiteral("sheet1"))),
                 (Rows{{u"\u0646\u0627\u0645 \u067E\u062F\u0631"_qs, "6037991234567"},
                       {"Ali Reza", "15000000"}}));
        TODTFile d;
        d.SetFileName(odt);
        d.Load();
        QCOMPARE(gridOf(*d.GetSheetByName(QString())),
                 (Rows{{u"\u0646\u0627\u0645 \u067E\u062F\u0631"_qs, "6037991234567"},
                       {"Ali Reza", "15000000"}}));
        QVERIFY(!d.GetSheetByName(QString())->ComplexTable);
        QCOMPARE(gridOf(*d.GetSheetByName(QStringLiteral("inner"))), (Rows{{"in"}}));
    }
};

QTEST_MAIN(TestOpenDocument)
#include "test_opendocument.moc"
