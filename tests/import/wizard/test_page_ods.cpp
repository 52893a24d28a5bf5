// The ODS page in the wizard window: sheets as tabs in the sheet's terms, a template's sheet,
// and a spreadsheet imported into the register through a saved template.

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

class TestPageOds : public QObject
{
    Q_OBJECT

    std::unique_ptr<RegisterWizard> m_fx;
    QString m_file;

private slots:
    void init()
    {
        m_fx = std::make_unique<RegisterWizard>();
        m_file = m_fx->dir.filePath(QStringLiteral("people.ods"));
        if (!WriteOffice("ods", m_file, {{"Summary", {{"Month", "Mehr"}}}, {"Staff", kStaff}}))
            QSKIP("python3-odf is not available");
    }

    void sheetsBecomeTabs()
    {
        auto w = OpenOptions(m_fx->wizard, aiODS, m_file);
        auto* p = w->findChild<OdsPage*>();
        QCOMPARE(p->SheetName(), QStringLiteral("Summary"));
        p->ui->pcODSFile->setCurrentIndex(1);
        QCOMPARE(p->SheetName(), QStringLiteral("Staff"));
        TKobWideStringGrid* g = p->CurrentGrid();
        QCOMPARE(g->ColCount(), OdsPage::PreviewSize + 1);
        QCOMPARE(g->Cells(2, 0), QStringLiteral("B"));
        QCOMPARE(g->Cells(0, 3), QStringLiteral("3"));
        QCOMPARE(g->Cells(2, 2), QStringLiteral("علی"));
        // The account column widens to its text, the short ones keep their width.
        QVERIFY(g->ColWidths(4) > 64 && g->ColWidths(4) <= OdsPage::MaxColWidth);
        QCOMPARE(g->ColWidths(6), 64);
    }

    // A sheet after one longer than the preview is read when its tab is first shown.
    void sheetAfterALongOneIsReadWhenShown()
    {
        QList<QStringList> rows;
        for (int i = 0; i < OdsPage::PreviewSize + 50; ++i)
            rows << QStringList{QString::number(i)};
        const QString path = m_fx->dir.filePath(QStringLiteral("long.ods"));
        if (!WriteOffice("ods", path, {{"Long", rows}, {"Staff", kStaff}}, true))
            QSKIP("python3-odf is not available");
        auto w = OpenOptions(m_fx->wizard, aiODS, path);
        auto* p = w->findChild<OdsPage*>();
        QCOMPARE(p->ui->pcODSFile->count(), 2);
        QCOMPARE(p->CurrentGrid()->Cells(1, OdsPage::PreviewSize), QString::number(255));
        p->ui->pcODSFile->setCurrentIndex(1);
        QCOMPARE(p->SheetName(), QStringLiteral("Staff"));
        QCOMPARE(p->CurrentGrid()->Cells(2, 2), QStringLiteral("علی"));
    }

    // Template defaults, and the jump to the last page only with a sheet the file has.
    void templateSheet_data()
    {
        QTest::addColumn<QString>("sheet"); // empty: no key
        QTest::addColumn<bool>("jump");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("step");
        QTest::newRow("default, not read") << "" << false << "Sheet1" << 0;
        QTest::newRow("default missing") << "" << true << "Sheet1" << 0;
        QTest::newRow("other letter case") << "staff" << true << "staff" << 0;
        QTest::newRow("named sheet") << "Staff" << true << "Staff" << 3;
    }

    void templateSheet()
    {
        QFETCH(QString, sheet);
        QFETCH(bool, jump);
        QFETCH(QString, shown);
        QFETCH(int, step);
        const QString imp = m_fx->dir.filePath(QStringLiteral("sheet.imp"));
        IniFile ini(imp);
        ini.writeInteger("FIRST_STEP", "ImportType", aiODS);
        ini.writeString("FIRST_STEP", "FileName", m_file);
        ini.writeBool("FIRST_STEP", "GoToLastPage", jump);
        ini.writeString("ODS_MAP", "PERS_number", "A");
        if (!sheet.isEmpty())
            ini.writeString("ODS_OPTIONS", "SheetName", sheet);
        ini.save();
        auto w = m_fx->window();
        w->LoadTemplate(imp);
        auto* p = w->findChild<OdsPage*>();
        QCOMPARE(p->SheetName(), shown);
        QCOMPARE(fieldValue(p, "Pers_number"), QStringLiteral("A"));
        QCOMPARE(w->Step(), step);
    }

    void importThroughTemplate()
    {
        auto w = OpenOptions(m_fx->wizard, aiODS, m_file);
        auto* p = w->findChild<OdsPage*>();
        p->ui->pcODSFile->setCurrentIndex(1);
        MapStaff(p, 1);
        p->ui->edODSSkipRows->selectAll();
        QTest::keyClicks(p->ui->edODSSkipRows, QStringLiteral("1"));
        w = ThroughTemplate(std::move(w), m_fx->dir.filePath(QStringLiteral("ods.imp")));
        p = w->findChild<OdsPage*>();
        QCOMPARE(p->SheetName(), QStringLiteral("Staff"));
        QCOMPARE(p->SkipRows(), 1);
        QCOMPARE(fieldValue(p, "Price"), QStringLiteral("E"));
        // The map is whole before the file is read, as the run needs no preview.
        QVERIFY(p->MapReady());
        w->ui->bNext->click();
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(m_fx->rows(), kStaffStored);
    }
};

QTEST_MAIN(TestPageOds)
#include "test_page_ods.moc"
