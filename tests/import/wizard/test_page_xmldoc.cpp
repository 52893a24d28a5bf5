// The XML-document page: the node table an XPath selects, the document's tree and the XPath
// taken from it, and a document imported into the register through a saved template.

#include "helper_gridpages.h"
#include "helper_office.h"

#include "import/wizard/pages/XmlDocPage.h"
#include "import/wizard/pages/XmlPage.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "tests/support/MessageLog.h"
#include "ui_Durvel3WizardF.h"
#include "ui_XmlDocPage.h"
#include "ui_XmlPage.h"

#include <QtTest>

namespace {

const QByteArray kPeople =
    "<?xml version='1.0' encoding='UTF-8'?>\n"
    "<staff xmlns='urn:payroll' xmlns:p='urn:people'>"
    "<person id='P1' name='علی'><amount>1200</amount></person>"
    "<person id='P2' name='رضا'><amount>300</amount><city>Qom</city></person>"
    "<p:extra code='X'/>"
    "</staff>";

QStringList row(const TKobWideStringGrid* g, int r)
{
    QStringList out;
    for (int c = 0; c < g->ColCount(); ++c)
        out << g->Cells(c, r);
    return out;
}

struct Opened
{
    RegisterWizard fx;
    std::unique_ptr<TDurvel3WizardF> w;
    XmlDocPage* page;

    Opened()
        : w(OpenOptions(fx.wizard, aiXMLDoc, fx.file(QStringLiteral("people.xml"), kPeople))),
          page(static_cast<XmlDocPage*>(w->Page(aiXMLDoc)))
    {}
};

QTreeWidgetItem* findItem(QTreeWidget* tree, const QString& text)
{
    const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

class TestPageXmlDoc : public QObject
{
    Q_OBJECT

private slots:
    void fillGrid_data()
    {
        QTest::addColumn<QString>("xpath");
        QTest::addColumn<int>("location");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("second");
        QTest::newRow("attributes")
            << "/staff/person" << 0 << QStringList{"Node name", "Text", "id", "name"}
            << QStringList{"person", "300Qom", "P2", "رضا"};
        QTest::newRow("sub nodes")
            << "/staff/person" << 1 << QStringList{"Node name", "Text", "amount", "city"}
            << QStringList{"person", "300Qom", "300", "Qom"};
        QTest::newRow("declared prefix")
            << "//p:extra" << 0 << QStringList{"Node name", "Text", "code"} << QStringList{};
    }
    void fillGrid()
    {
        QFETCH(QString, xpath);
        QFETCH(int, location);
        QFETCH(QStringList, header);
        QFETCH(QStringList, second);
        Opened o;
        o.page->ui->cbXMLDocDataLocation->setCurrentIndex(location);
        o.page->ui->edXMLDocXPath->setText(xpath);
        MessageLog log;
        o.page->ui->bXMLDocFillGrid->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(row(o.page->Grid, 0), header);
        if (!second.isEmpty())
            QCOMPARE(row(o.page->Grid, 2), second);
        QCOMPARE(o.page->ui->cbXMLDocColNumber->count(), header.size() + 1);
        TDurvel3XMLDoc reader;
        o.page->CopyOptions(reader);
        QCOMPARE(reader.XPath, xpath);
        QCOMPARE(int(reader.DataLocation), location);
    }

    // Another data location refills the shown preview at once; a field keeps the column of the
    // same name where the new table has one, else it is unmapped, never moved onto other data.
    void dataLocationRefillsThePreview_data()
    {
        QTest::addColumn<int>("location");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("values");
        // Attributes give id (3) and amount (4); sub nodes amount (3) and name (4).
        QTest::newRow("to sub nodes") << 1 << QStringList{"Node name", "Text", "amount", "name"}
                                      << QStringList{"", "", "2", "3", ""};
        QTest::newRow("the same again") << 0 << QStringList{"Node name", "Text", "id", "amount"}
                                        << QStringList{"3", "", "2", "4", ""};
    }
    void dataLocationRefillsThePreview()
    {
        QFETCH(int, location);
        QFETCH(QStringList, header);
        QFETCH(QStringList, values);
        RegisterWizard fx;
        auto w = OpenOptions(fx.wizard, aiXMLDoc,
                             fx.file(QStringLiteral("pay.xml"),
                                     "<staff><person id='P1' amount='5'><amount>1200</amount>"
                                     "<name>Ali</name></person></staff>"));
        auto* page = static_cast<XmlDocPage*>(w->Page(aiXMLDoc));
        page->ui->edXMLDocXPath->setText(QStringLiteral("/staff/person"));
        page->ui->bXMLDocFillGrid->click();
        const QStringList fields{"Pers_number", "First_Name", "Last_Name", "Hesab", "Price"};
        const QStringList mapped{"3", "", "2", "4", ""};
        for (int i = 0; i < fields.size(); ++i) {
            selectField(page, fields[i]);
            page->SetSelectedValue(mapped[i]);
        }
        MessageLog log;
        QComboBox* box = page->ui->cbXMLDocDataLocation;
        box->setCurrentIndex(location);
        emit box->activated(location);
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(row(page->Grid, 0), header);
        QCOMPARE(page->DataLocation(), TXMLDataLocation(location));
        QStringList got;
        for (const QString& f : fields)
            got << fieldValue(page, f);
        QCOMPARE(got, values);
    }

    void aBadXPathIsReported()
    {
        Opened o;
        o.page->SetXMLDocXPath(QStringLiteral("/staff/person"));
        o.page->ui->edXMLDocXPath->setText(QStringLiteral("/staff/[["));
        MessageLog log;
        o.page->ui->bXMLDocFillGrid->click();
        QCOMPARE(log.texts().size(), 1);
        QVERIFY(!log.texts().first().isEmpty());
        // The grid does not keep the table of the XPath before.
        QCOMPARE(o.page->Grid->ColCount(), 2);
        QCOMPARE(o.page->Grid->Cells(0, 1), QString());
    }

    void xpathFromTheTree_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("xpath");
        QTest::newRow("element") << "amount"
                                 << "/staff/person/amount";
        QTest::newRow("attribute") << "id = \"P1\""
                                   << "/staff/person[id]";
        QTest::newRow("root") << "staff"
                              << "/staff";
        QTest::newRow("text node names its element") << "Qom"
                                                     << "/staff/person/city";
        QTest::newRow("nothing selected") << ""
                                          << "/";
    }
    void xpathFromTheTree()
    {
        QFETCH(QString, item);
        QFETCH(QString, xpath);
        Opened o;
        o.page->ui->edXMLDocXPath->setText(QStringLiteral("/old"));
        o.page->ui->bXMLDocBuildTree->click();
        QTreeWidget* tree = o.page->ui->tvXMLDoc;
        QVERIFY(tree->topLevelItemCount() == 1);
        if (!item.isEmpty()) {
            QTreeWidgetItem* found = findItem(tree, item);
            QVERIFY(found);
            tree->setCurrentItem(found);
        }
        o.page->ui->bXMLDocGetXPath->click();
        QCOMPARE(o.page->ui->edXMLDocXPath->text(), xpath);
        // The pop-up menu's item does the same.
        o.page->ui->edXMLDocXPath->setText(QStringLiteral("/old"));
        o.page->miGetXPath->trigger();
        QCOMPARE(o.page->ui->edXMLDocXPath->text(), xpath);
    }

    // A data packet is an XML document too: switching between the two kinds on one file reads
    // the file again as the new kind reads it.
    void aKindChangeReadsTheFileAgain_data()
    {
        QTest::addColumn<int>("first");
        QTest::newRow("packet, then document") << int(aiXML);
        QTest::newRow("document, then packet") << int(aiXMLDoc);
    }
    void aKindChangeReadsTheFileAgain()
    {
        QFETCH(int, first);
        RegisterWizard fx;
        const QString file =
            fx.file(QStringLiteral("packet.xml"),
                    "<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                    "<FIELD attrname=\"PNO\" fieldtype=\"string\" WIDTH=\"9\"/></FIELDS><PARAMS/>"
                    "</METADATA><ROWDATA><ROW PNO=\"P7\"/></ROWDATA></DATAPACKET>");
        auto w = OpenOptions(fx.wizard, first, file);
        QCOMPARE(w->Step(), 1);
        w->ui->bBack->click();
        const int second = first == aiXML ? aiXMLDoc : aiXML;
        w->SetImportType(second);
        MessageLog log;
        w->ui->bNext->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(w->Step(), 1);
        if (second == aiXML) {
            auto* p = static_cast<XmlPage*>(w->Page(aiXML));
            QCOMPARE(p->ui->lvXML->topLevelItemCount(), 1);
        } else {
            auto* p = static_cast<XmlDocPage*>(w->Page(aiXMLDoc));
            p->BuildTreeClick();
            QVERIFY(p->ui->tvXMLDoc->topLevelItemCount() > 0);
        }
    }

    void importsThroughASavedTemplate()
    {
        RegisterWizard fx;
        const QString xml =
            fx.file(QStringLiteral("people.xml"),
                    "<staff xmlns='urn:payroll'>"
                    "<person><id>P1</id><name>علی</name><amount>1200</amount></person>"
                    "<person><id>P2</id><name>رضا</name><amount>300</amount></person></staff>");
        const QString imp = fx.dir.filePath(QStringLiteral("xml.imp"));
        {
            auto w = fx.window();
            w->SetImportType(aiXMLDoc);
            w->ui->edtFileName->setText(xml);
            w->ui->bNext->click();
            auto* p = static_cast<XmlDocPage*>(w->Page(aiXMLDoc));
            p->ui->cbXMLDocDataLocation->setCurrentIndex(1);
            p->ui->edXMLDocXPath->setText(QStringLiteral("/staff/person"));
            p->ui->bXMLDocFillGrid->click();
            // Row 1 of the node table is its header.
            p->ui->edXMLDocSkipLines->setText(QStringLiteral("1"));
            selectField(p, QStringLiteral("Pers_number"));
            p->ColumnClicked(2);
            selectField(p, QStringLiteral("First_Name"));
            p->ColumnClicked(3);
            selectField(p, QStringLiteral("Price"));
            p->ColumnClicked(4);
            w->SaveTemplate(imp);
        }
        auto w = fx.window();
        w->LoadTemplate(imp);
        auto* p = static_cast<XmlDocPage*>(w->Page(aiXMLDoc));
        QCOMPARE(p->XPath(), QStringLiteral("/staff/person"));
        QCOMPARE(p->DataLocation(), tlSubNodes);
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 1);
        QCOMPARE(p->Grid->Cells(4, 0), QStringLiteral("amount"));
        w->ui->bNext->click();
        w->ui->bNext->click();
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(fx.rows(), (QStringList{"P2|رضا|300", "P1|علی|1200"}));
    }
};

QTEST_MAIN(TestPageXmlDoc)
#include "test_page_xmldoc.moc"
