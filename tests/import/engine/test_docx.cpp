#include "helper_fakes.h"

#include "import/engine/Durvel3Docx.h"
#include "import/engine/support/DocxFile.h"
#include "tests/support/ZipBuilder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using Rows = std::vector<QStringList>;
Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(QList<ZipMember>)

namespace {

const QByteArray kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

// A document whose body is Body, every element written with prefix P.
QList<ZipMember> document(const QByteArray& body, const QByteArray& p = "w")
{
    QByteArray xml = "<?xml version=\"1.0\"?><" + p + ":document xmlns:" + p + "=\"" + kW +
                     "\" xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
                     "<" +
                     p + ":body>" + body + "</" + p + ":body></" + p + ":document>";
    xml.replace("<w:", "<" + p + ":");
    xml.replace("</w:", "</" + p + ":");
    xml.replace(" w:", " " + p + ":");
    return {{"[Content_Types].xml", "<Types/>"}, {"word/document.xml", xml}};
}

QByteArray wp(const QByteArray& text)
{
    return "<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>";
}
QByteArray wtc(const QByteArray& content, const QByteArray& pr = {})
{
    return "<w:tc>" + (pr.isEmpty() ? QByteArray() : "<w:tcPr>" + pr + "</w:tcPr>") + content +
           "</w:tc>";
}
QByteArray wtr(const QByteArray& cells)
{
    return "<w:tr>" + cells + "</w:tr>";
}
QByteArray wtbl(const QByteArray& rows)
{
    return "<w:tbl>" + rows + "</w:tbl>";
}

} // namespace

class TestDocx : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;

    QString write(const QList<ZipMember>& members)
    {
        const QString path = m_dir.filePath(QStringLiteral("doc%1.docx").arg(++m_files));
        return writeZip(path, members) ? path : QString();
    }

    // The message a refused document's import is told with (empty when it ran).
    QString refusal(const QList<ZipMember>& members, int table, DurvelCellStore& grid)
    {
        TDurvel3Docx imp;
        imp.SetFileName(write(members));
        imp.SetTableNumber(table);
        intoGrid(imp, grid);
        try {
            imp.Execute();
        } catch (const EDurvelError& e) {
            return e.message();
        }
        return QString();
    }

private slots:
    void cellText_data()
    {
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<QString>("text");
        QTest::newRow("paragraphs by carriage return, runs joined")
            << wp("ab") + "<w:p><w:r><w:t>c</w:t></w:r><w:r><w:t>d</w:t></w:r></w:p>"
            << "ab\rcd";
        QTest::newRow("empty paragraphs add no line")
            << "<w:p/>" + wp("x") + "<w:p/>" + wp("y") << "x\ry";
        QTest::newRow("every text of a run, tabs and breaks")
            << QByteArray("<w:p><w:r><w:t>a</w:t><w:tab/><w:t>b</w:t><w:br/><w:t>c</w:t>"
                          "</w:r></w:p>")
            << "a\tb\nc";
        QTest::newRow("hyperlinks, insertions and simple fields")
            << QByteArray("<w:p><w:hyperlink><w:r><w:t>link</w:t></w:r></w:hyperlink>"
                          "<w:ins><w:r><w:t> new</w:t></w:r></w:ins><w:del><w:r><w:delText>old"
                          "</w:delText></w:r></w:del><w:fldSimple><w:r><w:t> 7</w:t></w:r>"
                          "</w:fldSimple></w:p>")
            << "link new 7";
        QTest::newRow("alternate content read once, text boxes left out")
            << QByteArray("<w:p><w:r><w:t>A</w:t></w:r><mc:AlternateContent><mc:Choice><w:r>"
                          "<w:t>B</w:t><w:txbxContent><w:p><w:r><w:t>box</w:t></w:r></w:p>"
                          "</w:txbxContent></w:r></mc:Choice><mc:Fallback><w:r><w:t>B</w:t>"
                          "</w:r></mc:Fallback></mc:AlternateContent></w:p>")
            << "AB";
        QTest::newRow("persian with spaces kept")
            << QByteArray(
                   "<w:p><w:r><w:t xml:space=\"preserve\"> \xD9\xBE\xDA\x86 </w:t></w:r></w:p>")
            << u" \u067E\u0686 "_qs;
    }
    void cellText()
    {
        QFETCH(QByteArray, cell);
        QFETCH(QString, text);
        TDocxFile file;
        file.SetFileName(write(document(wtbl(wtr(wtc(cell))))));
        file.Load();
        QCOMPARE(file.Tables.size(), size_t(1));
        QCOMPARE(file.Tables[0].Rows, (Rows{{text}}));
    }

    void tableShapes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("fill");
        QTest::addColumn<int>("table");
        QTest::addColumn<Rows>("rows");
        const QByteArray span = wtbl(wtr(wtc(wp("x"), "<w:gridSpan w:val=\"3\"/>") + wtc(wp("y"))));
        QTest::newRow("span, fill off") << span << false << 0 << Rows{{"x", "", "", "y"}};
        QTest::newRow("span, fill on") << span << true << 0 << Rows{{"x", "x", "x", "y"}};
        const QByteArray merge =
            wtbl(wtr(wtc(wp("top"), "<w:vMerge w:val=\"restart\"/>") + wtc(wp("1"))) +
                 wtr(wtc(wp(""), "<w:vMerge/>") + wtc(wp("2"))) +
                 wtr(wtc(wp(""), "<w:vMerge w:val=\"continue\"/>") + wtc(wp("3"))));
        QTest::newRow("vertical merge, fill on")
            << merge << true << 0 << Rows{{"top", "1"}, {"top", "2"}, {"top", "3"}};
        QTest::newRow("vertical merge, fill off")
            << merge << false << 0 << Rows{{"top", "1"}, {"", "2"}, {"", "3"}};
        QTest::newRow("merge in the first row or under a shorter row reads empty")
            << wtbl(wtr(wtc(wp("a"), "<w:vMerge/>")) +
                    wtr(wtc(wp("b")) + wtc(wp("c"), "<w:vMerge/>")))
            << true << 0 << Rows{{""}, {"b", ""}};
        const QByteArray nested =
            wtbl(wtr(wtc(wp("out") + wtbl(wtr(wtc(wp("in1")) + wtc(wp("in2"))))) + wtc(wp("z"))));
        QTest::newRow("outer cell without the nested table's text")
            << nested << false << 0 << Rows{{"out", "z"}};
        QTest::newRow("nested table listed after its outer table")
            << nested << false << 1 << Rows{{"in1", "in2"}};
    }
    void tableShapes()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, fill);
        QFETCH(int, table);
        QFETCH(Rows, rows);
        TDocxFile file;
        file.SetNeedFillMerge(fill);
        file.SetFileName(write(document(body)));
        file.Load();
        QVERIFY(int(file.Tables.size()) > table);
        QCOMPARE(file.Tables[size_t(table)].Rows, rows);
    }

    void prefixOfAnyName()
    {
        TDocxFile file;
        file.SetFileName(write(document(wtbl(wtr(wtc(wp("ns0")))), "ns0")));
        file.Load();
        QCOMPARE(file.Tables.size(), size_t(1));
        QCOMPARE(file.Tables[0].Rows, (Rows{{"ns0"}}));
    }

    void readerImportsTheChosenTable()
    {
        const QString path =
            write(document(wp("before") + wtbl(wtr(wtc(wp("t1")))) + wp("between") +
                           wtbl(wtr(wtc(wp("Name")) + wtc(wp("Account"))) +
                                wtr(wtc(wp("Ali")) + wtc(wp("0123"))) + wtr(wtc(wp("Reza"))))));
        TDurvel3Docx imp;
        imp.SetFileName(path);
        imp.SetTableNumber(2);
        imp.SkipFirstRows = 1;
        DurvelCellStore grid(2, 0);
        intoGrid(imp, grid, QStringLiteral("0=1"));
        imp.Map().Add(QStringLiteral("1=2"));
        QVERIFY(imp.Execute());
        QCOMPARE(gridRows(grid), (QList<QStringList>{{"Ali", "0123"}, {"Reza", ""}}));
    }

    void readerRefuses_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("message");
        QTest::newRow("no tables") << wp("just text") << 1 << "No tables were found";
        QTest::newRow("no such table") << wtbl(wtr(wtc(wp("a")))) << 2 << "has no table 2";
        QTest::newRow("none chosen") << wtbl(wtr(wtc(wp("a")))) << 0 << "No table";
    }
    void readerRefuses()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, table);
        QFETCH(QString, message);
        DurvelCellStore grid(1, 0);
        const QString told = refusal(document(body), table, grid);
        QVERIFY2(told.contains(message), qPrintable(told));
    }

    // What a small archive can describe is bounded before it is held.
    void partsPastTheirCaps_data()
    {
        QTest::addColumn<QList<ZipMember>>("members");
        QTest::addColumn<QString>("message");
        QList<ZipMember> rels = document(wtbl(wtr(wtc(wp("a")))));
        rels.append(
            {"_rels/.rels", "<Relationships>" + QByteArray(9 << 20, ' ') + "</Relationships>"});
        QTest::newRow("relationships padded past the small-part cap")
            << rels << "_rels/.rels is larger than";
        QByteArray wide;
        for (int i = 0; i < 4000000 / 64 + 1; ++i)
            wide += wtc({}, "<w:gridSpan w:val=\"64\"/>");
        QTest::newRow("spans past the cell cap")
            << document(wtbl(wtr(wide))) << "more than 4000000 cells";
        QByteArray rows;
        for (int i = 0; i < 4000000 / 3000 + 1; ++i)
            rows += wtr(QByteArray("<w:tc/>").repeated(3000));
        QTest::newRow("empty cells past the cell cap")
            << document(wtbl(rows)) << "more than 4000000 cells";
        QTest::newRow("one-cell rows past the cell cap, a row counting two")
            << document(wtbl(QByteArray("<w:tr><w:tc/></w:tr>").repeated(4000000 / 3 + 1)))
            << "more than 4000000 cells";
    }
    void partsPastTheirCaps()
    {
        QFETCH(QList<ZipMember>, members);
        QFETCH(QString, message);
        DurvelCellStore grid(1, 0);
        const QString told = refusal(members, 1, grid);
        QVERIFY2(told.contains(message), qPrintable(told));
        QCOMPARE(gridRows(grid), QList<QStringList>{});
    }

    void documentWrittenByPythonDocx()
    {
        const QString path = m_dir.filePath(QStringLiteral("py.docx"));
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, docx\n"
                                 "d = docx.Document()\n"
                                 "d.add_paragraph('intro')\n"
                                 "t = d.add_table(rows=2, cols=2)\n"
                                 "t.cell(0, 0).text = '\u0646\u0627\u0645'\n"
                                 "t.cell(0, 1).text = 'Account'\n"
                                 "t.cell(1, 0).text = 'Ali'\n"
                                 "t.cell(1, 1).text = '6037991234567'\n"
                                 "t.cell(1, 1).add_paragraph('second')\n"
                                 "d.save(sys.argv[1])\n"),
                  path});
        if (!py.waitForFinished(60000) || py.exitCode() != 0)
            QSKIP("python3-docx is not available");
        TDocxFile file;
        file.SetFileName(path);
        file.Load();
        QCOMPARE(file.Tables.size(), size_t(1));
        QCOMPARE(file.Tables[0].Rows,
                 (Rows{{u"\u0646\u0627\u0645"_qs, "Account"}, {"Ali", "6037991234567\rsecond"}}));
    }
};

QTEST_MAIN(TestDocx)
#include "test_docx.moc"
