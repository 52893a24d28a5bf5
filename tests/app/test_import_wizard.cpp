// The register filled from files through its import button and the real, modal wizard.

#include "helper_register.h"
#include "import/engine/support/CodePages.h"
#include "import/wizard/pages/CSVPage.h"
#include "import/wizard/pages/LastPage.h"
#include "import/wizard/pages/TXTPage.h"
#include "platform/codepage/CodePage.h"
#include "platform/dataaware/DBGrid.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestFiles.h"
#include "ui_CSVPage.h"
#include "ui_Durvel3WizardF.h"
#include "ui_LastPage.h"
#include "ui_TXTPage.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString kLongName = QStringLiteral("عبدالرحمن محمدحسین زاده اصفهانی");

} // namespace

class TestImportWizard : public QObject
{
    Q_OBJECT

    RegisterImport m_reg;
    QTemporaryDir m_dir;

    QString write(const QString& name, const QByteArray& bytes)
    {
        return WriteTestFile(m_dir.filePath(name), bytes);
    }

    void lastPageWithLog(TDurvel3WizardF* f, const QString& log)
    {
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QCOMPARE(f->Step(), 3);
        LastPage* p = f->CommitPage;
        p->ui->chEnableErrorLog->setChecked(true);
        p->ui->edErrorLogFileName->setText(log);
    }

    QStringList logLines(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return codepage::codecFor(1256)->decode(f.readAll()).split(QStringLiteral("\r\n"));
    }

private slots:
    void init() { QVERIFY(m_reg.open()); }

    void cleanup() { m_reg.close(); }

    void utf8CsvWithMarkFillsTheRegister()
    {
        const QByteArray text =
            "\xEF\xBB\xBF" + QStringLiteral("شماره,نام,نام خانوادگی,حساب,مبلغ\r\n"
                                            "101,علی,\"رضایی, تهرانی\",0101,1500000\r\n"
                                            "102,%1,کریمی,0202,200\r\n"
                                            "103,مریم,احمدی,0303,300\r\n")
                                 .arg(kLongName)
                                 .toUtf8();
        const QString csv = write(QStringLiteral("persons.csv"), text);
        const QString log = m_dir.filePath(QStringLiteral("import.log"));

        QVERIFY(m_reg.runWizard([&](TDurvel3WizardF* f) {
            ChooseSource(f, "rbtCSV", csv);
            f->ui->cbComma->setCurrentText(QStringLiteral(","));
            f->cbCommaExit();
            CsvPage* p = f->CSVPage;
            QTest::keyClicks(p->ui->edtCSVSkipLines, QStringLiteral("1"));
            MapCsvToRegister(f);
            QCOMPARE(p->PreviewColumns(), 5);
            lastPageWithLog(f, log);
            MessageLog none;
            QTest::mouseClick(f->ui->bOk, Qt::LeftButton);
            QCOMPARE(none.texts(), QStringList());
        }));

        QCOMPARE(m_reg.rows(),
                 (QList<QStringList>{{"101", "علی", "رضایی, تهرانی", "0101", "1500000"},
                                     {"103", "مریم", "احمدی", "0303", "300"}}));
        QCOMPARE(m_reg.w->DBGrid1->model()->rowCount(), 2);
        const QStringList lines = logLines(log);
        QVERIFY2(lines.filter(QStringLiteral(" - Line 3: ")).size() == 1,
                 qPrintable(lines.join(u'\n')));
        QVERIFY(lines.contains(QStringLiteral("1 error(s) found")));
    }

    // The last page's mode and key columns reach the reader: a known person is updated.
    void updateByKeyColumn()
    {
        frm_dm->Connection->exec(QStringLiteral(
            "insert into tbl_customer (Pers_number, First_Name, Last_Name, Hesab, Price) "
            "values ('101', 'old', 'name', '9', '1')"));
        m_reg.w->DBGrid1->dataSet()->refresh();
        const QString csv =
            write(QStringLiteral("update.csv"), QStringLiteral("101;علی;نو;0101;5\n").toUtf8());
        QVERIFY(m_reg.runWizard([&](TDurvel3WizardF* f) {
            MapCsvToRegister(f, csv, QStringLiteral(";"));
            QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
            QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
            LastPage* p = f->CommitPage;
            p->ui->pcLastStep->setCurrentWidget(p->ui->tshAdvanced);
            p->ui->rbImportMode2->click();
            p->ui->lvAvailableColumns->setCurrentItem(
                p->ui->lvAvailableColumns->findItems("Pers_number", Qt::MatchExactly).value(0));
            p->ui->bOneToRirght->click();
            MessageLog none;
            QTest::mouseClick(f->ui->bOk, Qt::LeftButton);
            QCOMPARE(none.texts(), QStringList());
        }));
        QCOMPARE(m_reg.rows(), (QList<QStringList>{{"101", "علی", "نو", "0101", "5"}}));
    }

    void fixedWidthCp1256WithATab()
    {
        // A tab after the number reaches column 8.
        const QString text = QStringLiteral("رديف     نام       فاميل\r\n"
                                            "201\tحسن      نوري      0404\r\n"
                                            "202     زهرا     صادقي     0505\r\n");
        const QString txt =
            write(QStringLiteral("persons.txt"), codepage::codecFor(1256)->encode(text));
        const QString log = m_dir.filePath(QStringLiteral("fixed.log"));

        QVERIFY(m_reg.runWizard([&](TDurvel3WizardF* f) {
            ChooseSource(f, "rbtTXT", txt);
            TxtPage* p = f->TXTPage;
            p->ui->cmbTXTEncoding->setCurrentIndex(ctCp1256);
            p->SetTXTEncoding(ctCp1256);
            QTest::keyClicks(p->ui->edtTXTSkipLines, QStringLiteral("1"));
            p->SetFieldPosSize(QStringLiteral("Pers_number"), 0, 3);
            p->SetFieldPosSize(QStringLiteral("First_Name"), 8, 4);
            p->SetFieldPosSize(QStringLiteral("Last_Name"), 17, 5);
            p->SetFieldPosSize(QStringLiteral("Hesab"), 27, 4);
            QVERIFY(f->ui->bOk->isEnabled());
            lastPageWithLog(f, log);
            MessageLog none;
            QTest::mouseClick(f->ui->bOk, Qt::LeftButton);
            QCOMPARE(none.texts(), QStringList());
        }));

        const QList<QStringList> got = m_reg.rows();
        QCOMPARE(got.size(), 2);
        // The padding of fixed-width fields is not stored.
        QCOMPARE(got[0].mid(0, 4), (QStringList{"201", "حسن", "نوري", "0404"}));
        QCOMPARE(got[1].mid(0, 4), (QStringList{"202", "زهرا", "صادقي", "0505"}));
        QCOMPARE(m_reg.w->DBGrid1->model()->rowCount(), 2);
    }

    // A handler that fails inside the modal wizard is told there, and the wizard goes on: the
    // fixed-width page's encoding list after its file was deleted.
    void aFailingHandlerInsideTheWizardIsTold()
    {
        const QString txt = write(QStringLiteral("gone.txt"), "201 Hasan\r\n");
        QStringList told;
        QVERIFY(m_reg.runWizard([&](TDurvel3WizardF* f) {
            ChooseSource(f, "rbtTXT", txt);
            QVERIFY(QFile::remove(txt));
            MessageLog log;
            emit f->TXTPage->ui->cmbTXTEncoding->activated(ctCp1256);
            told = log.texts();
            QCOMPARE(f->Step(), 1);
        }));
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QStringLiteral("gone.txt")), qPrintable(told.first()));
    }

    // The import button tells what keeps the wizard from opening rather than letting it end
    // the program.
    void aWizardThatCannotOpenIsTold()
    {
        DurvelDataSet* dataSet = m_reg.w->Durvel3Wizard1->DataSet;
        m_reg.w->Durvel3Wizard1->DataSet = nullptr;
        MessageLog log;
        QTest::mouseClick(m_reg.w->findChild<QPushButton*>(QStringLiteral("BitBtn1")),
                          Qt::LeftButton);
        m_reg.w->Durvel3Wizard1->DataSet = dataSet;
        QCOMPARE(log.texts(), QStringList{QStringLiteral("DataSet is not defined")});
    }
};

QTEST_MAIN(TestImportWizard)
#include "test_import_wizard.moc"
