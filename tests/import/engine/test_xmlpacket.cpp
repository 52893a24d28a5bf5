#include "helper_fakes.h"

#include "import/engine/Durvel3XML.h"
#include "platform/xml/AttributeLimit.h"
#include "platform/codepage/CodePage.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kHead = "<?xml version=\"1.0\" standalone=\"yes\"?>\n";
const QByteArray kMeta = "<METADATA><FIELDS><FIELD attrname=\"Code\" fieldtype=\"i4\"/>"
                         "<FIELD attrname=\"Name\" fieldtype=\"string\" WIDTH=\"40\"/></FIELDS>"
                         "<PARAMS/></METADATA>";

QByteArray packet(const QByteArray& rows, const QByteArray& head = kHead)
{
    return head + "<DATAPACKET Version=\"2.0\">" + kMeta + "<ROWDATA>" + rows +
           "</ROWDATA></DATAPACKET>\n";
}

} // namespace

class TestXmlPacket : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString writeFile(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("p%1.xml").arg(++m_files));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path;
    }
    static QList<QStringList> run(const QString& path, bool onFly, int skip = 0,
                                  const QStringList& map = {"0=Code", "1=Name"})
    {
        TDurvel3XML imp;
        imp.SetFileName(path);
        imp.WriteOnFly = onFly;
        imp.SkipFirstRows = skip;
        DurvelCellStore grid(int(map.size()), 0);
        imp.ImportDestination = didStringGrid;
        imp.StringGrid = &grid;
        for (const QString& m : map)
            imp.Map().Add(m);
        imp.Execute();
        return gridRows(grid);
    }
    static QString failure(const QString& path, bool onFly,
                           const QStringList& map = {"0=Code", "1=Name"})
    {
        try {
            run(path, onFly, 0, map);
        } catch (const EDurvelError& e) {
            return e.message();
        }
        return QStringLiteral("imported");
    }

private slots:
    void wholeAndOnTheFlyReadTheSame_data()
    {
        QTest::addColumn<QByteArray>("doc");
        QTest::addColumn<int>("skip");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::newRow("plain") << packet("<ROW Code=\"1\" Name=\"Ali\"/><ROW Code=\"2\"/>") << 0
                               << QList<QStringList>{{"1", "Ali"}, {"2", ""}};
        QTest::newRow("entities and character references")
            << packet("<ROW Code=\"&lt;&amp;&gt;\" Name=\"&quot;&#1587;&#x644;&apos;&#160;\"/>")
            << 0 << QList<QStringList>{{"<&>", QString::fromUtf8("\"سل'\u00A0")}};
        QTest::newRow("UTF-8 Persian")
            << packet("<ROW Code=\"1\" Name=\"" + QString::fromUtf8("علی رضایی").toUtf8() + "\"/>")
            << 0 << QList<QStringList>{{"1", QString::fromUtf8("علی رضایی")}};
        QTest::newRow("ANSI text without a declared encoding")
            << packet("<ROW Code=\"1\" Name=\"" +
                      codepage::encode(codepage::SystemAnsi, QString::fromUtf8("سلام")) + "\"/>")
            << 0 << QList<QStringList>{{"1", QString::fromUtf8("سلام")}};
        QTest::newRow("declared windows-1256")
            << packet("<ROW Code=\"1\" Name=\"\xD3\xE1\xC7\xE3\"/>",
                      "<?xml version=\"1.0\" encoding=\"windows-1256\"?>")
            << 0 << QList<QStringList>{{"1", QString::fromUtf8("سلام")}};
        QTest::newRow("two of five skipped")
            << packet("<ROW Code=\"1\"/><ROW Code=\"2\"/><ROW Code=\"3\"/><ROW Code=\"4\"/>"
                      "<ROW Code=\"5\"/>")
            << 2 << QList<QStringList>{{"3", ""}, {"4", ""}, {"5", ""}};
        QTest::newRow("white space and a byte-order mark before the declaration")
            << "\xEF\xBB\xBF \r\n" + packet("<ROW Code=\"7\" Name=\"x\"/>") << 0
            << QList<QStringList>{{"7", "x"}};
        QTest::newRow("attribute names in another letter case")
            << packet("<row CODE=\"9\" name=\"y\"/>") << 0 << QList<QStringList>{{"9", "y"}};
    }
    void wholeAndOnTheFlyReadTheSame()
    {
        QFETCH(QByteArray, doc);
        QFETCH(int, skip);
        QFETCH(QList<QStringList>, rows);
        const QString path = writeFile(doc);
        QCOMPARE(run(path, false, skip), rows);
        QCOMPARE(run(path, true, skip), rows);
    }

    // A packet writes its numbers with "."; an import whose decimal separator is "," reads
    // 1234.56 as 1234,56, whole or on the fly. Text fields are left as they are.
    void numbersTakeTheImportsSeparators_data()
    {
        QTest::addColumn<bool>("onFly");
        QTest::newRow("whole") << false;
        QTest::newRow("on the fly") << true;
    }
    void numbersTakeTheImportsSeparators()
    {
        QFETCH(bool, onFly);
        const QByteArray doc = kHead +
                               "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                               "<FIELD attrname=\"Amount\" fieldtype=\"r8\"/>"
                               "<FIELD attrname=\"Big\" fieldtype=\"r8\"/>"
                               "<FIELD attrname=\"Code\" fieldtype=\"string\" WIDTH=\"10\"/>"
                               "</FIELDS></METADATA><ROWDATA>"
                               "<ROW Amount=\"1234.56\" Big=\"1E+20\" Code=\"1.5\"/>"
                               "</ROWDATA></DATAPACKET>";
        FakeDataSet ds({{"Amount", ftFloat}, {"Big"}, {"Code"}});
        TDurvel3XML imp;
        imp.SetFileName(writeFile(doc));
        imp.WriteOnFly = onFly;
        imp.DataSet = &ds;
        imp.Map().Add("Amount=Amount");
        imp.Map().Add("Big=Big");
        imp.Map().Add("Code=Code");
        imp.Formats().DecimalSeparator = u',';
        imp.Formats().ThousandSeparator = u'.';
        QVERIFY(imp.Execute());
        const QVector<QVariant> row{1234.56, "100000000000000000000", "1.5"};
        QCOMPARE(ds.rows, QVector<QVector<QVariant>>{row});
    }

    // A map line naming a field the packet does not define stops the run before the first row,
    // naming it, both ways of reading.
    void undefinedMapFieldStopsTheRun_data()
    {
        QTest::addColumn<bool>("onFly");
        QTest::newRow("whole") << false;
        QTest::newRow("on the fly") << true;
    }
    void undefinedMapFieldStopsTheRun()
    {
        QFETCH(bool, onFly);
        const QString path = writeFile(packet("<ROW Code=\"1\" Name=\"a\"/>"));
        const QString message = failure(path, onFly, {"0=Code", "1=Family"});
        QVERIFY2(message.contains(QStringLiteral("Family")), qPrintable(message));
        // Letter case aside, a defined field is found as before.
        QCOMPARE(run(path, onFly, 0, {"0=code", "1=Name"}).size(), 1);
    }

    void parserMessages_data()
    {
        QTest::addColumn<QByteArray>("doc");
        QTest::addColumn<QString>("message");
        QTest::newRow("no declaration") << packet("", "") << "XML header failed";
        QTest::newRow("processing instruction is no declaration")
            << packet("", "<?xml-stylesheet href=\"a\"?>") << "XML header failed";
        QTest::newRow("encoding first") << packet("", "<?xml encoding=\"UTF-8\" version=\"1.0\"?>")
                                        << "Version attribute expected but encoding found";
        QTest::newRow("unknown attribute")
            << packet("", "<?xml version=\"1.0\" foo=\"1\"?>") << "Unexpected attriute name foo";
        QTest::newRow("repeated attribute")
            << packet("", "<?xml version=\"1.0\" standalone=\"yes\" standalone=\"no\"?>")
            << "Attribute standalone duplicates";
        QTest::newRow("ROWDATA closed inside a ROW")
            << QByteArray(kHead + "<DATAPACKET><ROWDATA><ROW Code=\"1\"></ROWDATA></DATAPACKET>")
            << "/ROWDATA - corresponding tag not found";
    }
    void parserMessages()
    {
        QFETCH(QByteArray, doc);
        QFETCH(QString, message);
        const QString path = writeFile(doc);
        QCOMPARE(failure(path, false), message);
        QCOMPARE(failure(path, true), message);
    }

    // A row of 100,000 attributes (1.1 MB) kept libxml2 busy for half a minute: it is refused,
    // both ways of reading, before the parser reaches it, in every encoding the parser reads;
    // one the scan cannot follow is refused by name.
    void rowWithTooManyAttributesIsRefused_data()
    {
        QTest::addColumn<bool>("onFly");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("message");
        const QString many = QStringLiteral("4096 attributes");
        for (const bool onFly : {false, true}) {
            const char* how = onFly ? "on the fly" : "whole";
            QTest::addRow("%s, UTF-8", how) << onFly << "UTF-8" << many;
            QTest::addRow("%s, UTF-16LE", how) << onFly << "UTF-16LE" << many;
            QTest::addRow("%s, UTF-7 declared", how) << onFly << "UTF-7" << "UTF-7";
        }
    }
    void rowWithTooManyAttributesIsRefused()
    {
        QFETCH(bool, onFly);
        QFETCH(QString, encoding);
        QFETCH(QString, message);
        QByteArray row = "<ROW Code=\"1\" Name=\"a\"";
        for (int i = 0; i < 100000; ++i)
            row += " F" + QByteArray::number(i) + "=\"1\"";
        QByteArray bytes = packet(row + "/>");
        if (encoding == QLatin1String("UTF-7")) {
            bytes = packet(row + "/>", "<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n");
        } else if (encoding != QLatin1String("UTF-8")) {
            // With its byte-order mark, as the parser is told the encoding by it.
            QByteArray wide("\xFF\xFE");
            for (const char c : bytes)
                wide += QByteArray(1, c) + '\0';
            bytes = wide;
        }
        const QString path = writeFile(bytes);
        const QString failed = failure(path, onFly);
        QVERIFY2(failed.contains(message), qPrintable(failed));
    }

    // Rows of as many different field names as the parser takes are read; one more is refused
    // before the parser reaches them, both ways of reading.
    void packetOfTooManyNamesIsRefused_data()
    {
        QTest::addColumn<bool>("onFly");
        QTest::addColumn<bool>("over");
        QTest::newRow("whole, at the limit") << false << false;
        QTest::newRow("whole, one past it") << false << true;
        QTest::newRow("on the fly, at the limit") << true << false;
        QTest::newRow("on the fly, one past it") << true << true;
    }
    void packetOfTooManyNamesIsRefused()
    {
        QFETCH(bool, onFly);
        QFETCH(bool, over);
        QByteArray rows;
        const QByteArray doc = packet("<ROW Code=\"1\" Name=\"a\"/>");
        // Every name of the packet as it stands is one of these few.
        const QByteArray names[] = {"xml", "DATAPACKET", "Version", "METADATA", "FIELDS",
                                    "FIELD",  "attrname", "fieldtype", "WIDTH", "PARAMS",
                                    "ROWDATA", "ROW", "Code", "Name"};
        for (const QByteArray& n : names)
            QVERIFY2(doc.contains(n), n.constData());
        const int own = xml::kMaxNames - int(std::size(names)) + (over ? 1 : 0);
        for (int i = 0; i < own; ++i)
            rows += "<ROW Code=\"2\" Name=\"b\" F" + QByteArray::number(i) + "=\"1\"/>";
        const QString path = writeFile(packet("<ROW Code=\"1\" Name=\"a\"/>" + rows));
        const QString message = failure(path, onFly);
        if (over)
            QVERIFY2(message.contains(QStringLiteral("more than %1 different element and "
                                                     "attribute names")
                                          .arg(xml::kMaxNames)),
                     qPrintable(message));
        else
            QCOMPARE(message, QStringLiteral("imported"));
    }

    void externalEntityIsNotRead()
    {
        const QString secret = m_dir.filePath(QStringLiteral("secret.txt"));
        QFile f(secret);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("TOPSECRET");
        f.close();
        const QByteArray doc = kHead + "<!DOCTYPE DATAPACKET [<!ENTITY x SYSTEM \"" +
                               QUrl::fromLocalFile(secret).toEncoded() +
                               "\">]><DATAPACKET><ROWDATA><ROW Code=\"&x;\"/>"
                               "</ROWDATA><x>&x;</x></DATAPACKET>";
        const QString path = writeFile(doc);
        for (bool onFly : {false, true}) {
            QString seen;
            try {
                for (const QStringList& r : run(path, onFly))
                    seen += r.join(u' ');
            } catch (const EDurvelError& e) {
                seen = e.message();
            }
            QVERIFY2(!seen.contains(QLatin1String("TOPSECRET")), qPrintable(seen));
        }
    }

    void fieldNames_data()
    {
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("error");
        QTest::newRow("attrname before FieldName")
            << QByteArray("<FIELD FieldName=\"F\" attrname=\"A\"/><FIELD FieldName=\"B\"/>")
            << QStringList{"A", "B"} << "";
        QTest::newRow("empty list") << QByteArray() << QStringList{} << "XML field list is empty";
        QTest::newRow("no name") << QByteArray("<FIELD attrname=\"A\"/><FIELD width=\"3\"/>")
                                 << QStringList{} << "XML read with errors";
    }
    void fieldNames()
    {
        QFETCH(QByteArray, fields);
        QFETCH(QStringList, names);
        QFETCH(QString, error);
        TXMLFile file;
        file.FileName = writeFile(kHead + "<DATAPACKET><METADATA><FIELDS>" + fields +
                                  "</FIELDS></METADATA><ROWDATA/></DATAPACKET>");
        file.Open();
        try {
            QCOMPARE(file.FieldNames(), names);
            QVERIFY(error.isEmpty());
        } catch (const EDurvelError& e) {
            QCOMPARE(e.message(), error);
        }
    }

    void missingFileMessages()
    {
        TXMLFile file;
        QVERIFY_THROWS_EXCEPTION(EDurvelError, file.Load());
        file.FileName = m_dir.filePath(QStringLiteral("none.xml"));
        try {
            file.Open();
            QFAIL("opened");
        } catch (const EDurvelError& e) {
            QCOMPARE(e.message(), QStringLiteral("File %1 not found").arg(file.FileName));
        }
    }
};

QTEST_GUILESS_MAIN(TestXmlPacket)
#include "test_xmlpacket.moc"
