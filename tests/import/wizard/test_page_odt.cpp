// The ODT page driven through the wizard window: tables as tabs, the header option, the
// question before a complex table is imported, and a document imported into the register
// through a template.

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

namespace {

const QString kQuestion = QStringLiteral(
    "Selected table has a complex structure and could be improperly converted\n(it contains "
    "vertically merged cells and/or subtables).\nDo you want to convert this table anyway?\n"
    "You could examine internal structure of selected table by pressing No.");

const OfficeRows kStaff{{"Code", "Name", "Family", "Account", "Amount"},
                        {"101", "علی", "رضایی", "6037991234567", "1500000"},
                        {"102", "مریم", "احمدی", "0101", "200"}};

// A plain table, then the staff, then one with a table inside its cell B1.
QList<OfficeTable> document()
{
    return {{"Notes", {{"Mehr", "1405"}}},
            {"Staff", kStaff},
            {"Nested", {{"a", "b", "c"}, {"d", "e", "f"}}, 0, 1}};
}

QTreeWidgetItem* fieldItem(OdtPage* p, const QString& name)
{
    const auto found = p->ui->lvODTFields->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

void mapStaff(OdtPage* p)
{
    const QStringList fields{"Pers_number", "First_Name", "Last_Name", "Hesab", "Price"};
    for (int i = 0; i < fields.size(); ++i) {
        p->ui->lvODTFields->setCurrentItem(fieldItem(p, fields[i]));
        p->ColumnClicked(i + 1);
    }
}

} // namespace

class TestPageOdt : public QObject
{
    Q_OBJECT

    QString m_file;
    std::unique_ptr<RegisterWizard> m_fx;

    OdtPage* open(std::unique_ptr<TDurvel3WizardF>& w)
    {
        w = OpenOptions(m_fx->wizard, aiODT, m_file);
        return w->findChild<OdtPage*>();
    }

private slots:
    void init()
    {
        m_fx = std::make_unique<RegisterWizard>();
        m_file = m_fx->dir.filePath(QStringLiteral("people.odt"));
        if (!WriteOdt(m_file, document()))
            QSKIP("python3-odf is not available");
    }

    void cleanup() { m_fx.reset(); }

    void headerRowReplacesTheLettersAndKeepsTheTable()
    {
        std::unique_ptr<TDurvel3WizardF> w;
        OdtPage* p = open(w);
        QVERIFY(p);
        QCOMPARE(p->ui->pcODTFile->count(), 3);
        QCOMPARE(p->SheetName(), QStringLiteral("Notes"));
        p->ui->pcODTFile->setCurrentIndex(1);
        QCOMPARE(p->CurrentGrid()->Cells(1, 0), QStringLiteral("A"));
        QCOMPARE(p->CurrentGrid()->Cells(1, 1), QStringLiteral("Code"));

        MessageLog log;
        p->ui->cbODTUseHeader->setChecked(true);
        QVERIFY(p->UseHeader());
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(p->SheetName(), QStringLiteral("Staff"));
        QCOMPARE(p->ui->pcODTFile->currentIndex(), 1);
        TKobWideStringGrid* g = p->CurrentGrid();
        QCOMPARE(g->Cells(1, 0), QStringLiteral("Code"));
        QCOMPARE(g->Cells(5, 0), QStringLiteral("Amount"));
        QCOMPARE(g->Cells(6, 0), QString());
        QCOMPARE(g->Cells(2, 1), QStringLiteral("علی"));

        p->ui->cbODTUseHeader->setChecked(false);
        QCOMPARE(p->CurrentGrid()->Cells(1, 0), QStringLiteral("A"));
        QCOMPARE(p->ui->pcODTFile->currentIndex(), 1);
    }

    void mapAndCompleteness()
    {
        std::unique_ptr<TDurvel3WizardF> w;
        OdtPage* p = open(w);
        QVERIFY(!w->ui->bNext->isEnabled());
        p->ui->lvODTFields->setCurrentItem(fieldItem(p, "Price"));
        p->ColumnClicked(0);
        QVERIFY(!w->ui->bNext->isEnabled());
        p->ColumnClicked(2);
        QCOMPARE(fieldItem(p, "Price")->text(1), QStringLiteral("B"));
        QVERIFY(w->ui->bNext->isEnabled());
        p->ColumnClicked(2);
        QCOMPARE(fieldItem(p, "Price")->text(1), QString());
        QVERIFY(!w->ui->bNext->isEnabled());
    }

    void complexTableAsksFirst_data()
    {
        QTest::addColumn<bool>("execute");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("rows");
        QTest::newRow("next, yes") << false << int(dialogs::Button::Yes) << 2 << 0;
        QTest::newRow("next, no") << false << int(dialogs::Button::No) << 1 << 0;
        QTest::newRow("execute, yes") << true << int(dialogs::Button::Yes) << 1 << 3;
        QTest::newRow("execute, no") << true << int(dialogs::Button::No) << 1 << 0;
    }

    void complexTableAsksFirst()
    {
        QFETCH(bool, execute);
        QFETCH(int, answer);
        QFETCH(int, step);
        QFETCH(int, rows);
        std::unique_ptr<TDurvel3WizardF> w;
        OdtPage* p = open(w);
        p->ui->pcODTFile->setCurrentIndex(2);
        QVERIFY(p->ComplexTable());
        p->ui->lvODTFields->setCurrentItem(fieldItem(p, "Pers_number"));
        p->ColumnClicked(1);
        MessageLog log{dialogs::Button(answer)};
        (execute ? w->ui->bOk : w->ui->bNext)->click();
        QCOMPARE(log.texts(), QStringList{kQuestion});
        QCOMPARE(log.messages.first().buttons, dialogs::Button::Yes | dialogs::Button::No);
        QCOMPARE(w->Step(), step);
        // The sub-table fills rows 1 and 2; the outer second row comes third.
        QCOMPARE(m_fx->rows().size(), 1 + rows);

        // A plain table asks nothing.
        if (!execute && answer == int(dialogs::Button::No)) {
            p->ui->pcODTFile->setCurrentIndex(1);
            QVERIFY(!p->ComplexTable());
            w->ui->bNext->click();
            QCOMPARE(log.texts().size(), 1);
            QCOMPARE(w->Step(), 2);
        }
    }

    void templateCarriesThePageIntoTheRegister()
    {
        const QString imp = m_fx->dir.filePath(QStringLiteral("odt.imp"));
        {
            std::unique_ptr<TDurvel3WizardF> w;
            OdtPage* p = open(w);
            p->ui->pcODTFile->setCurrentIndex(1);
            p->ui->cbODTUseHeader->setChecked(true);
            mapStaff(p);
            w->SaveTemplate(imp);
        }
        IniFile ini(imp);
        QCOMPARE(ini.readString("ODT_MAP", "Last_Name"), QStringLiteral("C"));
        QCOMPARE(ini.readString("ODT_OPTIONS", "SheetName"), QStringLiteral("Staff"));
        QVERIFY(ini.readBool("ODT_OPTIONS", "UseHeader", false));
        QVERIFY(ini.keyExists("ODT_OPTIONS", "SkipLines"));

        TDurvel3WizardF w(&m_fx->wizard);
        w.LoadTemplate(imp);
        auto* p = w.findChild<OdtPage*>();
        QVERIFY(p->ui->cbODTUseHeader->isChecked());
        w.ui->bNext->click();
        QCOMPARE(p->SheetName(), QStringLiteral("Staff"));
        QCOMPARE(p->CurrentGrid()->Cells(1, 0), QStringLiteral("Code"));
        MessageLog log;
        w.ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(m_fx->rows(), (QStringList{"P2|old|1", "101|علی|1500000", "102|مریم|200"}));
    }

    void templateDefaults()
    {
        const QString imp = m_fx->dir.filePath(QStringLiteral("bare.imp"));
        {
            IniFile ini(imp);
            ini.writeInteger("FIRST_STEP", "ImportType", aiODT);
            ini.writeString("FIRST_STEP", "FileName", m_file);
            ini.save();
        }
        TDurvel3WizardF w(&m_fx->wizard);
        w.LoadTemplate(imp);
        auto* p = w.findChild<OdtPage*>();
        QCOMPARE(p->SheetName(), QStringLiteral("Table1"));
        QVERIFY(!p->UseHeader());
        // The document has no "Table1": its first table is shown.
        w.ui->bNext->click();
        QCOMPARE(p->SheetName(), QStringLiteral("Notes"));
    }
};

QTEST_MAIN(TestPageOdt)
#include "test_page_odt.moc"
