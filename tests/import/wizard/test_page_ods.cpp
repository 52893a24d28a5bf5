// The ODS page driven through the wizard window: sheets as tabs in the sheet's own terms, the
// column map by letters, and a spreadsheet imported into the register through a template.

#include "helper_gridpages.h"
#include "helper_office.h"

#include "import/wizard/ImportKinds.h"
#include "import/wizard/pages/OdsPage.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "platform/ini/IniFile.h"
#include "tests/support/MessageLog.h"
#include "ui_Durvel3WizardF.h"
#include "ui_OdsPage.h"

#include <QtTest>

namespace {

QList<OfficeTable> workbook()
{
    return {{"Summary", {{"Month", "Mehr"}}},
            {"Staff",
             {{"Code", "Name", "Family", "Account", "Amount"},
              {"101", "علی", "رضایی", "6037991234567", "1500000"},
              {"102", "مریم", "احمدی", "0101", "200"},
              {"103", "Ali  Reza", "Tehrani", "0202", "300"}}}};
}

QTreeWidgetItem* fieldItem(OdsPage* p, const QString& name)
{
    const auto found = p->ui->lvODSFields->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

class TestPageOds : public QObject
{
    Q_OBJECT

    QString m_file;
    std::unique_ptr<RegisterWizard> m_fx;

    OdsPage* open(std::unique_ptr<TDurvel3WizardF>& w)
    {
        w = OpenOptions(m_fx->wizard, aiODS, m_file);
        return w->findChild<OdsPage*>();
    }

private slots:
    void init()
    {
        m_fx = std::make_unique<RegisterWizard>();
        m_file = m_fx->dir.filePath(QStringLiteral("people.ods"));
        if (!WriteOds(m_file, workbook()))
            QSKIP("python3-odf is not available");
    }

    void cleanup() { m_fx.reset(); }

    void sheetsBecomeTabs()
    {
        std::unique_ptr<TDurvel3WizardF> w;
        OdsPage* p = open(w);
        QVERIFY(p);
        QCOMPARE(p->ui->pcODSFile->count(), 2);
        QCOMPARE(p->SheetName(), QStringLiteral("Summary"));
        p->ui->pcODSFile->setCurrentIndex(1);
        QCOMPARE(p->SheetName(), QStringLiteral("Staff"));
        TKobWideStringGrid* g = p->CurrentGrid();
        QCOMPARE(g->ColCount(), 257);
        QCOMPARE(g->Cells(2, 0), QStringLiteral("B"));
        QCOMPARE(g->Cells(0, 3), QStringLiteral("3"));
        // Sheet cell (1, 1) stands below B and right of 2.
        QCOMPARE(g->Cells(2, 2), QStringLiteral("علی"));
        QCOMPARE(g->Cells(2, 4), QStringLiteral("Ali  Reza"));
        // The account column is widened to its text.
        QVERIFY(g->ColWidths(4) > 64);
        QVERIFY(g->ColWidths(4) <= 130);
    }

    void columnClicks_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("complete");
        QTest::newRow("one click maps") << QList<int>{2} << "B" << true;
        QTest::newRow("the same column again unmaps") << QList<int>{2, 2} << "" << false;
        QTest::newRow("another column moves") << QList<int>{2, 28} << "AB" << true;
        QTest::newRow("row numbers change nothing") << QList<int>{3, 0} << "C" << true;
        QTest::newRow("row numbers map nothing") << QList<int>{0} << "" << false;
    }

    void columnClicks()
    {
        QFETCH(QList<int>, clicks);
        QFETCH(QString, value);
        QFETCH(bool, complete);
        std::unique_ptr<TDurvel3WizardF> w;
        OdsPage* p = open(w);
        p->ui->lvODSFields->setCurrentItem(fieldItem(p, "Hesab"));
        for (int c : clicks)
            p->ColumnClicked(c);
        QCOMPARE(fieldItem(p, "Hesab")->text(1), value);
        QCOMPARE(w->ui->bNext->isEnabled(), complete);
    }

    void autoFillGivesLetters()
    {
        std::unique_ptr<TDurvel3WizardF> w;
        OdsPage* p = open(w);
        p->AutoFill();
        const QTreeWidget* list = p->ui->lvODSFields;
        // Every field has a column of the 256 shown.
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("A"));
        QCOMPARE(list->topLevelItem(2)->text(1), QStringLiteral("C"));
        QCOMPARE(list->topLevelItem(list->topLevelItemCount() - 1)->text(1),
                 QString(QChar(u'A' + list->topLevelItemCount() - 1)));
        p->Clear();
        QVERIFY(!w->ui->bNext->isEnabled());
    }

    void templateCarriesThePageIntoTheRegister()
    {
        const QString imp = m_fx->dir.filePath(QStringLiteral("ods.imp"));
        {
            std::unique_ptr<TDurvel3WizardF> w;
            OdsPage* p = open(w);
            p->ui->pcODSFile->setCurrentIndex(1);
            const QStringList fields{"Pers_number", "First_Name", "Last_Name", "Hesab", "Price"};
            for (int i = 0; i < fields.size(); ++i) {
                p->ui->lvODSFields->setCurrentItem(fieldItem(p, fields[i]));
                p->ColumnClicked(i + 1);
            }
            p->ui->edODSSkipRows->selectAll();
            QTest::keyClicks(p->ui->edODSSkipRows, QStringLiteral("1"));
            w->SaveTemplate(imp);
        }
        IniFile ini(imp);
        QCOMPARE(ini.keys("ODS_MAP"),
                 (QStringList{"Pers_number", "First_Name", "Last_Name", "Hesab", "Price"}));
        QCOMPARE(ini.readString("ODS_MAP", "Price"), QStringLiteral("E"));
        QCOMPARE(ini.readString("ODS_OPTIONS", "SheetName"), QStringLiteral("Staff"));
        QCOMPARE(ini.readInteger("ODS_OPTIONS", "SkipLines", 0), 1);

        TDurvel3WizardF w(&m_fx->wizard);
        w.LoadTemplate(imp);
        auto* p = w.findChild<OdsPage*>();
        QCOMPARE(p->SheetName(), QStringLiteral("Staff"));
        QCOMPARE(p->SkipRows(), 1);
        w.ui->bNext->click();
        QCOMPARE(p->ui->pcODSFile->currentIndex(), 1);
        MessageLog log;
        w.ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(m_fx->rows(),
                 (QStringList{"P2|old|1", "101|علی|1500000", "102|مریم|200", "103|Ali  Reza|300"}));
    }

    // Template defaults, and the jump to the last page only with a sheet the file has.
    void templateSheet_data()
    {
        QTest::addColumn<QString>("sheet"); // empty: no key
        QTest::addColumn<bool>("jump");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("step");
        QTest::newRow("default, not read") << "" << false << "Sheet1" << 0;
        QTest::newRow("default missing, no jump") << "" << true << "Summary" << 0;
        QTest::newRow("named sheet, jump") << "Staff" << true << "Staff" << 3;
        QTest::newRow("other letter case, no jump") << "staff" << true << "Summary" << 0;
    }

    void templateSheet()
    {
        QFETCH(QString, sheet);
        QFETCH(bool, jump);
        QFETCH(QString, shown);
        QFETCH(int, step);
        const QString imp = m_fx->dir.filePath(QStringLiteral("sheet.imp"));
        {
            IniFile ini(imp);
            ini.writeInteger("FIRST_STEP", "ImportType", aiODS);
            ini.writeString("FIRST_STEP", "FileName", m_file);
            ini.writeBool("FIRST_STEP", "GoToLastPage", jump);
            ini.writeString("ODS_MAP", "PERS_number", "A");
            ini.writeString("ODS_MAP", "Nobody", "B");
            if (!sheet.isEmpty())
                ini.writeString("ODS_OPTIONS", "SheetName", sheet);
            ini.save();
        }
        TDurvel3WizardF w(&m_fx->wizard);
        w.LoadTemplate(imp);
        auto* p = w.findChild<OdsPage*>();
        QCOMPARE(p->SheetName(), shown);
        QCOMPARE(p->SkipRows(), 0);
        QCOMPARE(fieldValue(p, "Pers_number"), QStringLiteral("A"));
        QCOMPARE(w.Step(), step);
        if (step == 0)
            return;
        MessageLog log;
        w.ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(m_fx->rows(), (QStringList{"P2|old|1", "Code||", "101||", "102||", "103||"}));
    }
};

QTEST_MAIN(TestPageOds)
#include "test_page_ods.moc"
