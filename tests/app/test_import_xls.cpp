// The register filled from a binary workbook through its import button: the spreadsheet page
// mapped by hand, its template saved, loaded into the next wizard and run.

#include "helper_register.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/pages/XLSPage.h"
#include "tests/support/MessageLog.h"
#include "tests/support/PythonFixture.h"
#include "ui_Durvel3WizardF.h"
#include "ui_XLSPage.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

class TestImportXls : public QObject
{
    Q_OBJECT

    RegisterImport m_reg;
    QTemporaryDir m_dir;
    QString m_book;

private slots:
    void initTestCase()
    {
        TfmDurvel3Loading::MinimumDisplayTime = 0;
        XlsPage::MinimumLoadTime = 0;
        if (!PythonHas(QStringLiteral("xlwt")))
            QSKIP("python3-xlwt is not installed");
        m_book = m_dir.filePath("people.xls");
        const QString error = RunPython({BANKFILE_TEST_DATA "/xls/make_map_book.py", m_book});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void init() { QVERIFY(m_reg.open()); }

    void cleanup() { m_reg.close(); }

    void mappedSavedLoadedAndRun()
    {
        const QString imp = m_dir.filePath("people.imp");
        const QStringList map = {"[پرسنل]A-COLFINISH;", "[پرسنل]B-COLFINISH;", "[:1]C2-C5;",
                                 "D2-D4;", "[پرسنل]E-COLFINISH;"};
        QVERIFY(m_reg.runWizard([&](TDurvel3WizardF* f) {
            QTest::mouseClick(f->ui->rbtXLS, Qt::LeftButton);
            f->ui->edtFileName->setText(m_book);
            QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
            QCOMPARE(f->Step(), 1);
            auto* p = qobject_cast<XlsPage*>(f->Page(aiXLS));
            QTreeWidget* fields = p->ui->lvXLSFields;
            const QStringList names = {"Pers_number", "First_Name", "Last_Name", "Hesab", "Price"};
            for (int i = 0; i < names.size(); ++i) {
                const auto found = fields->findItems(names[i], Qt::MatchExactly);
                QCOMPARE(found.size(), 1);
                fields->setCurrentItem(found.first());
                p->CurrentField()->SetAsString(map[i]);
            }
            p->ui->edXLSSkipRows->setText(QStringLiteral("1"));
            f->SaveTemplate(imp);
        }));
        QCOMPARE(m_reg.rows(), QList<QStringList>());

        QVERIFY(m_reg.runWizard([&](TDurvel3WizardF* f) {
            MessageLog none;
            f->LoadTemplate(imp);
            QCOMPARE(f->ImportType(), int(aiXLS));
            QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
            QCOMPARE(f->Step(), 1);
            QVERIFY(f->ui->bOk->isEnabled());
            f->Wizard()->ShowProgress = false;
            QTest::mouseClick(f->ui->bOk, Qt::LeftButton);
            QCOMPARE(none.texts(), QStringList());
        }));
        // An amount with a fraction is refused, and so is the last person, whom the account's
        // range does not reach, as the register refuses them by hand.
        const QList<QStringList> want = {{"101", "علی", "رضایی", "6037991234567", "1500000"},
                                         {"103", "مریم", "احمدی", "6219861000000", "300"}};
        QCOMPARE(m_reg.rows(), want);
    }
};

QTEST_MAIN(TestImportXls)
#include "test_import_xls.moc"
