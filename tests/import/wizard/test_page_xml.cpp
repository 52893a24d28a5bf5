#include "helper_fieldpair.h"

#include "import/wizard/pages/FieldPairMap.h"
#include "import/wizard/pages/XmlPage.h"
#include "platform/ini/IniFile.h"
#include "ui_XmlPage.h"

namespace {

QByteArray packet(const QString& fields, const QString& rows)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DATAPACKET Version=\"2.0\">"
                          "<METADATA><FIELDS>%1</FIELDS><PARAMS/></METADATA>"
                          "<ROWDATA>%2</ROWDATA></DATAPACKET>\n")
        .arg(fields, rows)
        .toUtf8();
}

QByteArray people()
{
    return packet(
        QStringLiteral("<FIELD attrname=\"PNO\" fieldtype=\"string\" WIDTH=\"10\"/>"
                       "<FIELD attrname=\"NAME\" fieldtype=\"string\" WIDTH=\"40\"/>"
                       "<FIELD attrname=\"ACC\" fieldtype=\"string\" WIDTH=\"20\"/>"),
        QStringLiteral("<ROW PNO=\"201\" NAME=\"زهرا &amp; سارا\" ACC=\"0201\"/>"
                       "<ROW PNO=\"202\" NAME=\"&#1605;&#1607;&#1585;&lt;\" ACC=\"0202\"/>"
                       "<ROW PNO=\"203\" ACC=\"0203\"/>"));
}

} // namespace

class TestPageXml : public QObject
{
    Q_OBJECT

private slots:
    void fieldNames_data()
    {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("message");
        QTest::newRow("attrname first")
            << "<FIELD attrname=\"A\" FieldName=\"X\"/><FIELD FieldName=\"B\"/>"
            << QStringList{"A", "B"} << "";
        QTest::newRow("no field") << "" << QStringList{} << "XML field list is empty";
        QTest::newRow("nameless field") << "<FIELD attrname=\"A\"/><FIELD fieldtype=\"string\"/>"
                                        << QStringList{} << "XML read with errors";
    }
    void fieldNames()
    {
        QFETCH(QString, fields);
        QFETCH(QStringList, names);
        QFETCH(QString, message);
        RegisterWizard fx;
        auto f = fx.window();
        MessageLog log;
        openSource(f.get(), "rbtXML", fx.file("f.xml", packet(fields, QString())));
        auto* p = static_cast<XmlPage*>(f->Page(aiXML));
        QCOMPARE(log.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(f->Step(), 1);
        QCOMPARE(f->ui->bNext->isEnabled(), false);
        QCOMPARE(columnTexts(p->ui->lvXML), names);
    }

    void templateRoundTripIntoTheRegister_data()
    {
        QTest::addColumn<bool>("onFly");
        QTest::newRow("whole") << false;
        QTest::newRow("on the fly") << true;
    }
    void templateRoundTripIntoTheRegister()
    {
        QFETCH(bool, onFly);
        RegisterWizard fx;
        const QString source = fx.file("people.xml", people());
        const QString imp = fx.dir.filePath("people.imp");
        {
            auto f = fx.window();
            openSource(f.get(), "rbtXML", source);
            auto* p = static_cast<XmlPage*>(f->Page(aiXML));
            if (onFly)
                p->ui->chXMLWriteOnFly->click();
            pairUp(p->ui->lvXMLDataSet, p->ui->lvXML, p->ui->bXMLAdd, "Pers_number", "PNO");
            pairUp(p->ui->lvXMLDataSet, p->ui->lvXML, p->ui->bXMLAdd, "First_Name", "NAME");
            pairUp(p->ui->lvXMLDataSet, p->ui->lvXML, p->ui->bXMLAdd, "Price", "ACC");
            f->SaveTemplate(imp);
        }
        const IniFile ini(imp);
        QCOMPARE(ini.readBool("XML_OPTIONS", "WriteOnFly", !onFly), onFly);
        QCOMPARE(ini.readString("XML_MAP", "First_Name"), QStringLiteral("NAME"));

        fx.wizard.GoToLastPage = true;
        auto f = fx.window();
        f->LoadTemplate(imp);
        QCOMPARE(static_cast<XmlPage*>(f->Page(aiXML))->XMLWriteOnFly(), onFly);
        QCOMPARE(f->Step(), 3);
        MessageLog none;
        QTest::mouseClick(f->ui->bOk, Qt::LeftButton);
        QCOMPARE(none.texts(), QStringList());
        QCOMPARE(fx.rows(),
                 (QStringList{"P2|old|1", "201|زهرا & سارا|0201", "202|مهر<|0202", "203||0203"}));
    }
};

QTEST_MAIN(TestPageXml)
#include "test_page_xml.moc"
