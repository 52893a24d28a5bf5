// The register filled from a binary workbook through its import button: the spreadsheet page
// mapped by hand, its template saved, loaded into the next wizard and run.

#include "app/startup.h"
#include "app/u_customer.h"
#include "app/u_dm.h"
#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/pages/XLSPage.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestDatabase.h"
#include "ui_Durvel3WizardF.h"
#include "ui_XLSPage.h"

#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>

class TestImportXls : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    QTemporaryDir m_dir;
    QString m_book;
    Tfrm_customer* w = nullptr;

    QList<QStringList> rows()
    {
        db::DataSet q(frm_dm->Connection);
        q.setSql(QStringLiteral("select Pers_number, First_Name, Last_Name, Hesab, Price from "
                                "tbl_customer order by id"));
        q.open();
        QList<QStringList> result;
        for (q.first(); !q.eof(); q.next())
            result << QStringList{q.text("Pers_number"), q.text("First_Name"), q.text("Last_Name"),
                                  q.text("Hesab"), q.text("Price")};
        return result;
    }

    // Presses the register's import button; Drive runs inside the wizard's modal loop.
    void runWizard(const std::function<void(TDurvel3WizardF*)>& drive)
    {
        bool driven = false;
        auto c = connect(w->Durvel3Wizard1, &TDurvel3Wizard::windowCreated, this,
                         [&](TDurvel3WizardF* f) {
                             QTimer::singleShot(0, f, [&, f] {
                                 driven = true;
                                 drive(f);
                                 if (f->isVisible()) {
                                     MessageLog yes{dialogs::Button::Yes};
                                     f->ui->bCancel->click();
                                 }
                             });
                         });
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
        disconnect(c);
        QVERIFY(driven);
    }

private slots:
    void initTestCase()
    {
        TfmDurvel3Loading::MinimumDisplayTime = 0;
        XlsPage::MinimumLoadTime = 0;
        QProcess probe;
        probe.start("/usr/bin/python3", {"-c", "import xlwt"});
        if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
            QSKIP("python3-xlwt is not installed");
        m_book = m_dir.filePath("people.xls");
        QProcess gen;
        gen.start("/usr/bin/python3", {BANKFILE_TEST_DATA "/xls/make_map_book.py", m_book});
        QVERIFY(gen.waitForFinished(60000));
        QVERIFY2(gen.exitCode() == 0, gen.readAllStandardError().constData());
    }

    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        Tfrm_dm::setDatabaseFolder(m_db->folder());
        QVERIFY(CreateForms());
        w = new Tfrm_customer;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }

    void cleanup()
    {
        delete w;
        w = nullptr;
        DestroyForms();
        Tfrm_dm::setDatabaseFolder(QString());
        m_db.reset();
    }

    void mappedSavedLoadedAndRun()
    {
        const QString imp = m_dir.filePath("people.imp");
        const QStringList map = {"[پرسنل]A-COLFINISH;", "[پرسنل]B-COLFINISH;", "[:1]C2-C5;",
                                 "D2-D4;", "[پرسنل]E-COLFINISH;"};
        runWizard([&](TDurvel3WizardF* f) {
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
        });
        QCOMPARE(rows(), QList<QStringList>());

        runWizard([&](TDurvel3WizardF* f) {
            MessageLog none;
            f->LoadTemplate(imp);
            QCOMPARE(f->ImportType(), int(aiXLS));
            QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
            QCOMPARE(f->Step(), 1);
            QVERIFY(f->ui->bOk->isEnabled());
            f->Wizard()->ShowProgress = false;
            QTest::mouseClick(f->ui->bOk, Qt::LeftButton);
            QCOMPARE(none.texts(), QStringList());
        });
        const QList<QStringList> want = {{"101", "علی", "رضایی", "6037991234567", "1500000"},
                                         {"102", "زهرا", "کریمی", "6037990000001", "250000.5"},
                                         {"103", "مریم", "احمدی", "6219861000000", "300"},
                                         {"104", "حسین", "یزدانی", "", "0"}};
        QCOMPARE(rows(), want);
    }
};

QTEST_MAIN(TestImportXls)
#include "test_import_xls.moc"
