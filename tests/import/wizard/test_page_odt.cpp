// The ODT page in the wizard window: the header option, the question before a complex table is
// imported, and a document imported into the register through a saved template.

#include "helper_gridpages.h"
#include "helper_office.h"

#include "import/wizard/ImportKinds.h"
#include "import/wizard/pages/OdtPage.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "platform/ini/IniFile.h"
#include "tests/support/MessageLog.h"
#include "ui_Durvel3WizardF.h"
#include "ui_OdtPage.h"

#include <QtTest>

class TestPageOdt : public QObject
{
    Q_OBJECT

    std::unique_ptr<RegisterWizard> m_fx;
    QString m_file;

private slots:
    void init()
    {
        m_fx = std::make_unique<RegisterWizard>();
        m_file = m_fx->dir.filePath(QStringLiteral("people.odt"));
        // The third table holds a table in its cell B1.
        if (!WriteOffice("odt", m_file,
                         {{"Notes", {{"Mehr"}}},
                          {"Staff", kStaff},
                          {"Nested", {{"a", "b", "c"}, {"d", "e", "f"}}, 0, 1}}))
            QSKIP("python3-odf is not available");
    }

    void headerRowReplacesTheLetters()
    {
        auto w = OpenOptions(m_fx->wizard, aiODT, m_file);
        auto* p = w->findChild<OdtPage*>();
        p->ui->pcODTFile->setCurrentIndex(1);
        QCOMPARE(p->CurrentGrid()->Cells(1, 1), QStringLiteral("Code"));
        p->ui->cbODTUseHeader->setChecked(true);
        QCOMPARE(p->SheetName(), QStringLiteral("Staff"));
        QCOMPARE(p->ui->pcODTFile->currentIndex(), 1);
        QCOMPARE(p->CurrentGrid()->Cells(5, 0), QStringLiteral("Amount"));
        QCOMPARE(p->CurrentGrid()->Cells(6, 0), QString());
        QCOMPARE(p->CurrentGrid()->Cells(1, 1), QStringLiteral("101"));
        p->ui->cbODTUseHeader->setChecked(false);
        QCOMPARE(p->CurrentGrid()->Cells(1, 0), QStringLiteral("A"));
    }

    void complexTableAsksFirst_data()
    {
        QTest::addColumn<bool>("execute");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("rows");
        QTest::newRow("next, yes") << false << int(dialogs::Button::Yes) << 2 << 1;
        QTest::newRow("next, no") << false << int(dialogs::Button::No) << 1 << 1;
        // The sub-table takes rows 1 and 2; the outer second row comes third.
        QTest::newRow("execute, yes") << true << int(dialogs::Button::Yes) << 1 << 4;
        QTest::newRow("execute, no") << true << int(dialogs::Button::No) << 1 << 1;
    }

    void complexTableAsksFirst()
    {
        QFETCH(bool, execute);
        QFETCH(int, answer);
        QFETCH(int, step);
        QFETCH(int, rows);
        auto w = OpenOptions(m_fx->wizard, aiODT, m_file);
        auto* p = w->findChild<OdtPage*>();
        p->ui->pcODTFile->setCurrentIndex(2);
        selectField(p, "Pers_number");
        p->ColumnClicked(1);
        MessageLog log{dialogs::Button(answer)};
        (execute ? w->ui->bOk : w->ui->bNext)->click();
        QCOMPARE(log.texts(),
                 QStringList{"Selected table has a complex structure and could be improperly "
                             "converted\n(it contains vertically merged cells and/or "
                             "subtables).\nDo you want to convert this table anyway?\nYou could "
                             "examine internal structure of selected table by pressing No."});
        QCOMPARE(w->Step(), step);
        QCOMPARE(m_fx->rows().size(), rows);
        // A plain table asks nothing.
        w->ui->bBack->click();
        p->ui->pcODTFile->setCurrentIndex(1);
        w->ui->bNext->click();
        QCOMPARE(log.texts().size(), 1);
    }

    // A template's jump past a complex table asks as Next does.
    void jumpAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("step");
        QTest::newRow("yes") << int(dialogs::Button::Yes) << 3;
        QTest::newRow("no") << int(dialogs::Button::No) << 0;
    }

    void jumpAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(int, step);
        const QString imp = m_fx->dir.filePath(QStringLiteral("nested.imp"));
        IniFile ini(imp);
        ini.writeInteger("FIRST_STEP", "ImportType", aiODT);
        ini.writeString("FIRST_STEP", "FileName", m_file);
        ini.writeBool("FIRST_STEP", "GoToLastPage", true);
        ini.writeString("ODT_MAP", "Pers_number", "A");
        ini.writeString("ODT_OPTIONS", "SheetName", "Nested");
        ini.save();
        MessageLog log{dialogs::Button(answer)};
        auto w = m_fx->window();
        w->LoadTemplate(imp);
        QCOMPARE(log.texts().size(), 1);
        QCOMPARE(w->Step(), step);
    }

    void importThroughTemplate()
    {
        auto w = OpenOptions(m_fx->wizard, aiODT, m_file);
        auto* p = w->findChild<OdtPage*>();
        p->ui->pcODTFile->setCurrentIndex(1);
        p->ui->cbODTUseHeader->setChecked(true);
        MapStaff(p, 1);
        w = ThroughTemplate(std::move(w), m_fx->dir.filePath(QStringLiteral("odt.imp")));
        p = w->findChild<OdtPage*>();
        QVERIFY(p->ui->cbODTUseHeader->isChecked());
        w->ui->bNext->click();
        QCOMPARE(p->SheetName(), QStringLiteral("Staff"));
        QCOMPARE(p->CurrentGrid()->Cells(1, 0), QStringLiteral("Code"));
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(m_fx->rows(), kStaffStored);
    }
};

QTEST_MAIN(TestPageOdt)
#include "test_page_odt.moc"
