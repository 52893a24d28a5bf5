#include "helper_fakes.h"

#include "import/engine/Durvel3XMLDoc.h"
#include "import/engine/support/SparseCells.h"
#include "platform/xml/Xml.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using Rows = QList<QStringList>;

class TestXmlDoc : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;

    QString write(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("doc%1.xml").arg(++m_files));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path;
    }

    static Rows table(const TXMLDocFile& file)
    {
        Rows rows;
        for (int r = 0; r < file.RowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < file.ColCount(); ++c)
                row << file.Cell(c, r);
            rows << row;
        }
        return rows;
    }

private slots:
    void tables_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("xpath");
        QTest::addColumn<int>("location");
        QTest::addColumn<Rows>("rows");
        const QByteArray people =
            "<?xml version=\"1.0\"?><list><p id=\"1\" name=\"Ali\"> a </p><p id=\"2\"/>"
            "<p name=\"\xD9\xBE\xDA\x98\" id=\"3\"/></list>";
        QTest::newRow("attributes as columns, a missing one empty")
            << people << "/list/p" << int(tlAttributes)
            << Rows{{"Node name", "Text", "id", "name"},
                    {"p", "a", "1", "Ali"},
                    {"p", "", "2", ""},
                    {"p", "", "3", u"\u067E\u0698"_qs}};
        QTest::newRow("child elements as columns, shared by name")
            << QByteArray("<r><row><acc>12</acc><amt>5</amt></row><row><amt>7</amt>"
                          "<acc>34</acc><x/></row></r>")
            << "//row" << int(tlSubNodes)
            << Rows{{"Node name", "Text", "acc", "amt", "x"},
                    {"row", "125", "12", "5", ""},
                    {"row", "734", "34", "7", ""}};
        QTest::newRow("indentation is no text, a value's own blanks are")
            << QByteArray("<r>\n  <row>\n    <acc>12</acc>\n    <amt> 5 </amt>\n"
                          "    <sp>  </sp>\n  </row>\n</r>\n")
            << "//row" << int(tlSubNodes)
            << Rows{{"Node name", "Text", "acc", "amt", "sp"}, {"row", "12 5", "12", " 5 ", "  "}};
        QTest::newRow("default namespace matched by plain names")
            << QByteArray("<r xmlns=\"urn:x\"><a v=\"1\"/></r>") << "/r/a" << int(tlAttributes)
            << Rows{{"Node name", "Text", "v"}, {"a", "", "1"}};
        QTest::newRow("the document's own prefixes")
            << QByteArray("<ns0:r xmlns:ns0=\"urn:y\"><ns0:a v=\"2\"/></ns0:r>") << "//ns0:a"
            << int(tlAttributes) << Rows{{"Node name", "Text", "v"}, {"ns0:a", "", "2"}};
        QTest::newRow("nothing selected: the header alone")
            << people << "/list/q" << int(tlAttributes) << Rows{{"Node name", "Text"}};
    }
    void tables()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, xpath);
        QFETCH(int, location);
        QFETCH(Rows, rows);
        TXMLDocFile file;
        file.SetFileName(write(xml));
        file.DataLocation = TXMLDataLocation(location);
        file.Load();
        file.SetXPath(xpath);
        QCOMPARE(table(file), rows);
    }

    void errors_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("xpath");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad xpath") << QByteArray("<a/>") << "//["
                                   << "is not valid";
        QTest::newRow("not well-formed") << QByteArray("<a><b></a>") << "/a"
                                         << "";
        // The scan before the parser reads what the parser reads: attributes no longer hide
        // behind a quote in a comment of the internal subset, and an encoding it cannot follow
        // is refused by name.
        QByteArray many = "<a><b";
        for (int i = 0; i < 60000; ++i)
            many += " f" + QByteArray::number(i) + "=\"1\"";
        many += "/></a>";
        QTest::newRow("a quote in a subset comment")
            << "<!DOCTYPE a [<!-- \" -->]>" + many << "/a/b"
            << "4096 attributes";
        QTest::newRow("UTF-7") << "<?xml version=\"1.0\" encoding=\"UTF-7\"?>" + many << "/a/b"
                               << "UTF-7";
    }
    void errors()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, xpath);
        QFETCH(QString, message);
        TDurvel3XMLDoc imp;
        imp.SetFileName(write(xml));
        imp.XPath = xpath;
        DurvelCellStore grid(1, 0);
        intoGrid(imp, grid, QStringLiteral("0=1"));
        try {
            imp.Execute();
            QFAIL("the import ran");
        } catch (const EDurvelError& e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        }
    }

    // Each node brings a name of its own: the columns grow without touching earlier rows, up
    // to the cap.
    void everyNodeOpensAColumn_data()
    {
        QTest::addColumn<int>("location");
        QTest::addColumn<int>("names");
        QTest::addColumn<bool>("refused");
        QTest::newRow("attributes up to the cap") << int(tlAttributes) << 16384 << false;
        QTest::newRow("child elements up to the cap") << int(tlSubNodes) << 16384 << false;
        QTest::newRow("attributes past the cap") << int(tlAttributes) << 16385 << true;
        QTest::newRow("child elements past the cap") << int(tlSubNodes) << 16385 << true;
    }
    void everyNodeOpensAColumn()
    {
        QFETCH(int, location);
        QFETCH(int, names);
        QFETCH(bool, refused);
        QByteArray xml = "<l>";
        for (int i = 0; i < names; ++i) {
            const QByteArray n = "n" + QByteArray::number(i);
            xml += location == tlAttributes ? "<p " + n + "=\"" + n + "\"/>"
                                            : "<p><" + n + ">" + n + "</" + n + "></p>";
        }
        TXMLDocFile file;
        file.SetFileName(write(xml + "</l>"));
        file.DataLocation = TXMLDataLocation(location);
        file.Load();
        try {
            file.SetXPath(QStringLiteral("/l/p"));
            QVERIFY(!refused);
        } catch (const xml::XmlError& e) {
            QVERIFY(refused);
            QVERIFY2(e.message().contains(QLatin1String("more than 16384 different names")),
                     qPrintable(e.message()));
            return;
        }
        QCOMPARE(file.ColCount(), names + 2);
        QCOMPARE(file.RowCount(), names + 1);
        QCOMPARE(file.Cell(names + 1, 0), "n" + QString::number(names - 1));
        QCOMPARE(file.Cell(names + 1, names), "n" + QString::number(names - 1));
        QCOMPARE(file.Cell(names + 1, names - 1), QString());
        QCOMPARE(file.Cell(2, 1), QStringLiteral("n0"));
    }

    void externalEntityNotRead()
    {
        const QString secret = write("SECRET");
        TXMLDocFile file;
        file.SetFileName(write("<!DOCTYPE r [<!ENTITY e SYSTEM \"file://" + secret.toUtf8() +
                               "\">]><r><a>&e;</a></r>"));
        try {
            file.Load();
            file.SetXPath(QStringLiteral("/r/a"));
            QVERIFY(!table(file).value(1).value(1).contains(QStringLiteral("SECRET")));
        } catch (const xml::XmlError&) {
            // refusing the document is as good
        }
    }

    // The node table's header row is the reader's own, never data; a skip count of 1 has
    // always meant it, so counts keep their meaning.
    void readerSkipsTheHeader_data()
    {
        QTest::addColumn<int>("skip");
        QTest::addColumn<Rows>("rows");
        QTest::newRow("none") << 0 << Rows{{"a", "1"}, {"b", "2"}};
        QTest::newRow("the header") << 1 << Rows{{"a", "1"}, {"b", "2"}};
        QTest::newRow("header and one node") << 2 << Rows{{"b", "2"}};
    }
    void readerSkipsTheHeader()
    {
        QFETCH(int, skip);
        QFETCH(Rows, rows);
        TDurvel3XMLDoc imp;
        imp.SetFileName(write("<l><p id=\"1\" n=\"a\"/><p id=\"2\" n=\"b\"/></l>"));
        imp.XPath = QStringLiteral("/l/p");
        imp.SkipFirstRows = skip;
        DurvelCellStore grid(2, 0);
        intoGrid(imp, grid, QStringLiteral("0=4"));
        imp.Map().Add(QStringLiteral("1=3"));
        QVERIFY(imp.Execute());
        QCOMPARE(gridRows(grid), rows);
    }

    void previewShowsThirtyRows()
    {
        QByteArray xml = "<l>";
        for (int i = 0; i < 50; ++i)
            xml += "<p i=\"" + QByteArray::number(i) + "\"/>";
        TXMLDocFile file;
        file.SetFileName(write(xml + "</l>"));
        file.Load();
        file.SetXPath(QStringLiteral("//p"));
        QCOMPARE(file.RowCount(), 51);
        TKobSparseCells cells;
        FillXMLDocGrid(cells, file);
        QCOMPARE(cells.RowCount(), 30);
        QCOMPARE(cells.ColCount(), 3);
        QCOMPARE(cells.Cell(2, 29), QStringLiteral("28"));
    }
};

QTEST_MAIN(TestXmlDoc)
#include "test_xmldoc.moc"
