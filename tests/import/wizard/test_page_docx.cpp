// The DOCX page in the wizard window: tables as tabs, a template's table, and a document
// imported into the register through a saved template.

#include "helper_gridpages.h"
#include "helper_office.h"

#include "import/wizard/ImportKinds.h"
#include "import/wizard/pages/DocxPage.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "tests/support/MessageLog.h"
#include "ui_DocxPage.h"
#include "ui_Durvel3WizardF.h"

#include <QtTest>

class TestPageDocx : public QObject
{
    Q_OBJECT

    std::unique_ptr<RegisterWizard> m_fx;
    QString m_file;

private slots:
    void init()
    {
        m_fx = std::make_unique<RegisterWizard>();
        m_file = m_fx->dir.filePath(QStringLiteral("people.docx"));
        QList<QStringList> staff = kStaff;
        for (int i = 0; i < 40; ++i)
            staff << QStringList{QString::number(200 + i), "x", "y", "1", "2"};
        staff[5] << "wide";
        if (!WriteOffice("docx", m_file, {{"", {{"Month", "Mehr"}}}, {"", staff}}))
            QSKIP("python3-docx is not available");
    }

    void tablesBecomeTabs()
    {
        auto w = OpenOptions(m_fx->wizard, aiDOCX, m_file);
        auto* p = w->findChild<DocxPage*>();
        QCOMPARE(p->ui->pcDocxFile->tabText(1), QStringLiteral("Table 2"));
        QCOMPARE(p->DocxTableNumber(), 1);
        QCOMPARE(p->CurrentGrid()->Cells(1, 0), QStringLiteral("Mehr"));
        p->ui->pcDocxFile->setCurrentIndex(1);
        QCOMPARE(p->DocxTableNumber(), 2);
        // Thirty rows of the forty-four; the wide row widens the grid.
        QCOMPARE(p->CurrentGrid()->RowCount(), DocxPage::PreviewRows);
        QCOMPARE(p->CurrentGrid()->ColCount(), 6);
        QCOMPARE(p->CurrentGrid()->Cells(1, 1), QStringLiteral("علی"));
    }

    void noTablesIsSaid()
    {
        const QString empty = m_fx->dir.filePath(QStringLiteral("empty.docx"));
        QVERIFY(WriteOffice("docx", empty, {}));
        MessageLog log;
        auto w = OpenOptions(m_fx->wizard, aiDOCX, empty);
        QCOMPARE(log.texts(), QStringList{"No tables were found in empty.docx"});
        selectField(w->findChild<DocxPage*>(), "Pers_number");
        w->findChild<DocxPage*>()->ColumnClicked(0);
        QVERIFY(!w->ui->bNext->isEnabled());
    }

    void importThroughTemplate()
    {
        auto w = OpenOptions(m_fx->wizard, aiDOCX, m_file);
        auto* p = w->findChild<DocxPage*>();
        p->ui->pcDocxFile->setCurrentIndex(1);
        MapStaff(p, 0);
        p->ui->edDocxSkipRows->setText(QStringLiteral("1"));
        w = ThroughTemplate(std::move(w), m_fx->dir.filePath(QStringLiteral("docx.imp")));
        p = w->findChild<DocxPage*>();
        QCOMPARE(p->DocxTableNumber(), 2);
        QCOMPARE(fieldValue(p, "Hesab"), QStringLiteral("4"));
        w->ui->bNext->click();
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        const QStringList rows = m_fx->rows();
        QCOMPARE(rows.mid(0, 4), kStaffStored);
        QCOMPARE(rows.size(), 44);
    }
};

QTEST_MAIN(TestPageDocx)
#include "test_page_docx.moc"
