// The DOCX page driven through the wizard window: tables as tabs, the column map, and a
// document imported into the register through a saved template.

#include "helper_gridpages.h"
#include "helper_office.h"

#include "import/wizard/ImportKinds.h"
#include "import/wizard/pages/DocxPage.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "platform/ini/IniFile.h"
#include "tests/support/MessageLog.h"
#include "ui_DocxPage.h"
#include "ui_Durvel3WizardF.h"

#include <QtTest>

namespace {

const QString kPeople = QStringLiteral("people.docx");

// A small table first, then the personnel table with its header row.
QList<OfficeTable> documentTables(int extraRows = 0)
{
    OfficeRows people{{"Code", "Name", "Family", "Account", "Amount"},
                      {"101", "علی", "رضایی", "6037991234567", "1500000"},
                      {"102", "مریم", "احمدی", "0101", "200"}};
    for (int i = 0; i < extraRows; ++i)
        people << QStringList{QString::number(200 + i), "x", "y", "1", "2"};
    return {{"", {{"Title", "Payroll"}, {"Month", "Mehr"}}}, {"", people}};
}

QTreeWidgetItem* fieldItem(DocxPage* p, const QString& name)
{
    const auto found = p->ui->lvDocxFields->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

void mapField(DocxPage* p, const QString& name, int column)
{
    p->ui->lvDocxFields->setCurrentItem(fieldItem(p, name));
    p->ColumnClicked(column);
}

} // namespace

class TestPageDocx : public QObject
{
    Q_OBJECT

    QString m_file;
    std::unique_ptr<RegisterWizard> m_fx;

    DocxPage* open(std::unique_ptr<TDurvel3WizardF>& w, const QString& file)
    {
        w = OpenOptions(m_fx->wizard, aiDOCX, file);
        return w->findChild<DocxPage*>();
    }

private slots:
    void init()
    {
        m_fx = std::make_unique<RegisterWizard>();
        m_file = m_fx->dir.filePath(kPeople);
        if (!WriteDocx(m_file, documentTables(40)))
            QSKIP("python3-docx is not available");
    }

    void cleanup() { m_fx.reset(); }

    void tablesBecomeTabs()
    {
        std::unique_ptr<TDurvel3WizardF> w;
        DocxPage* p = open(w, m_file);
        QVERIFY(p);
        QCOMPARE(w->Step(), 1);
        QCOMPARE(p->ui->pcDocxFile->count(), 2);
        QCOMPARE(p->ui->pcDocxFile->tabText(1), QStringLiteral("Table 2"));
        QCOMPARE(p->DocxTableNumber(), 1);
        QCOMPARE(p->CurrentGrid()->RowCount(), 2);
        QCOMPARE(p->CurrentGrid()->Cells(1, 1), QStringLiteral("Mehr"));

        p->ui->pcDocxFile->setCurrentIndex(1);
        QCOMPARE(p->DocxTableNumber(), 2);
        // At most thirty rows are shown of the forty-three.
        QCOMPARE(p->CurrentGrid()->RowCount(), DocxPage::PreviewRows);
        QCOMPARE(p->CurrentGrid()->ColCount(), 5);
        QCOMPARE(p->CurrentGrid()->Cells(1, 1), QStringLiteral("علی"));
        QVERIFY(!w->ui->bNext->isEnabled());
    }

    void columnClicks_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("complete");
        QTest::newRow("one click maps") << QList<int>{2} << "3" << true;
        QTest::newRow("the same column again unmaps") << QList<int>{2, 2} << "" << false;
        QTest::newRow("another column moves") << QList<int>{2, 0} << "1" << true;
        QTest::newRow("off the cells keeps the map") << QList<int>{1, -1} << "2" << true;
        QTest::newRow("off the cells maps nothing") << QList<int>{-1} << "" << false;
    }

    void columnClicks()
    {
        QFETCH(QList<int>, clicks);
        QFETCH(QString, value);
        QFETCH(bool, complete);
        std::unique_ptr<TDurvel3WizardF> w;
        DocxPage* p = open(w, m_file);
        p->ui->lvDocxFields->setCurrentItem(fieldItem(p, "First_Name"));
        for (int c : clicks)
            p->ColumnClicked(c);
        QCOMPARE(fieldItem(p, "First_Name")->text(1), value);
        QCOMPARE(w->ui->bNext->isEnabled(), complete);
        QCOMPARE(w->ui->bOk->isEnabled(), complete);
    }

    void autoFillFollowsTheTable()
    {
        std::unique_ptr<TDurvel3WizardF> w;
        DocxPage* p = open(w, m_file);
        p->AutoFill();
        // The first table has two columns.
        const QTreeWidget* list = p->ui->lvDocxFields;
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("1"));
        QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("2"));
        QCOMPARE(list->topLevelItem(2)->text(1), QString());
        QVERIFY(w->ui->bNext->isEnabled());
        p->Clear();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            QCOMPARE(list->topLevelItem(i)->text(1), QString());
        QVERIFY(!w->ui->bNext->isEnabled());
    }

    void noTablesIsAMessage()
    {
        const QString empty = m_fx->dir.filePath(QStringLiteral("empty.docx"));
        if (!WriteDocx(empty, {}))
            QSKIP("python3-docx is not available");
        MessageLog log;
        std::unique_ptr<TDurvel3WizardF> w;
        DocxPage* p = open(w, empty);
        QVERIFY2(log.texts().join(u'\n').contains(QStringLiteral("No tables were found")),
                 qPrintable(log.texts().join(u'\n')));
        QCOMPARE(p->ui->pcDocxFile->count(), 0);
        // A mapped field is not enough without a table.
        mapField(p, "Pers_number", 0);
        QVERIFY(!p->MapReady());
    }

    void templateCarriesThePageIntoTheRegister()
    {
        const QString imp = m_fx->dir.filePath(QStringLiteral("docx.imp"));
        {
            std::unique_ptr<TDurvel3WizardF> w;
            DocxPage* p = open(w, m_file);
            p->ui->pcDocxFile->setCurrentIndex(1);
            const QStringList fields{"Pers_number", "First_Name", "Last_Name", "Hesab", "Price"};
            for (int i = 0; i < fields.size(); ++i)
                mapField(p, fields[i], i);
            p->ui->edDocxSkipRows->setText(QStringLiteral("1"));
            w->SaveTemplate(imp);
        }
        IniFile ini(imp);
        QCOMPARE(ini.readString("DOCX_MAP", "Hesab"), QStringLiteral("4"));
        QCOMPARE(ini.readInteger("DOCX_OPTIONS", "TableNumber", 0), 2);
        QCOMPARE(ini.readInteger("DOCX_OPTIONS", "SkipLines", 0), 1);

        TDurvel3WizardF w(&m_fx->wizard);
        w.LoadTemplate(imp);
        QCOMPARE(w.ImportType(), int(aiDOCX));
        auto* p = w.findChild<DocxPage*>();
        QCOMPARE(p->DocxTableNumber(), 2);
        QCOMPARE(p->SkipRows(), 1);
        w.ui->bNext->click();
        QCOMPARE(w.Step(), 1);
        QCOMPARE(p->ui->pcDocxFile->currentIndex(), 1);
        MessageLog log;
        w.ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        const QStringList stored = m_fx->rows();
        QCOMPARE(stored.size(), 43);
        QCOMPARE(stored.mid(0, 3), (QStringList{"P2|old|1", "101|علی|1500000", "102|مریم|200"}));
        QCOMPARE(stored.last(), QStringLiteral("239|x|2"));
    }

    // A template may jump to the last page only when the document has its table.
    void templateJump_data()
    {
        QTest::addColumn<int>("table");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("current");
        QTest::newRow("table there") << 2 << 3 << 2;
        QTest::newRow("table missing") << 5 << 0 << 1;
    }

    void templateJump()
    {
        QFETCH(int, table);
        QFETCH(int, step);
        QFETCH(int, current);
        const QString imp = m_fx->dir.filePath(QStringLiteral("jump.imp"));
        {
            IniFile ini(imp);
            ini.writeInteger("FIRST_STEP", "ImportType", aiDOCX);
            ini.writeString("FIRST_STEP", "FileName", m_file);
            ini.writeBool("FIRST_STEP", "GoToLastPage", true);
            ini.writeString("DOCX_MAP", "pers_NUMBER", "1");
            ini.writeString("DOCX_MAP", "NoSuchField", "2");
            ini.writeInteger("DOCX_OPTIONS", "TableNumber", table);
            ini.save();
        }
        TDurvel3WizardF w(&m_fx->wizard);
        w.LoadTemplate(imp);
        auto* p = w.findChild<DocxPage*>();
        QCOMPARE(fieldItem(p, "Pers_number")->text(1), QStringLiteral("1"));
        QCOMPARE(w.Step(), step);
        if (step == 0) {
            // The clerk goes on and finds the first table chosen.
            w.ui->bNext->click();
            QCOMPARE(w.Step(), 1);
        }
        QCOMPARE(p->DocxTableNumber(), current);
        QCOMPARE(p->ui->pcDocxFile->currentIndex(), current - 1);
    }
};

QTEST_MAIN(TestPageDocx)
#include "test_page_docx.moc"
