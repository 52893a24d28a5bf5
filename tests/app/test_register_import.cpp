// The register's import keeps the register's rules, and tells truthfully what a canceled or
// failed run left in the register.

#include "app/register_import.h"
#include "helper_register.h"
#include "import/engine/Durvel3ASCII.h"
#include "import/engine/Durvel3DBF.h"
#include "import/engine/support/CodePages.h"
#include "import/wizard/dialogs/fuDurvel3ProgressDlg.h"
#include "import/wizard/pages/FormatsPage.h"
#include "import/wizard/pages/LastPage.h"
#include "platform/codepage/CodePage.h"
#include "tests/support/TestFiles.h"
#include "ui_LastPage.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

class TestRegisterImport : public QObject
{
    Q_OBJECT

    RegisterImport m_reg;
    QTemporaryDir m_dir;

    QString csv(const QString& name, const QStringList& lines)
    {
        return WriteTestFile(m_dir.filePath(name), (lines.join(QStringLiteral("\r\n"))).toUtf8());
    }

    // The CSV page's columns one to five to the register's fields, then the last page with a
    // log, a batch size and, when given, "Commit when done".
    static void csvToRegister(TDurvel3WizardF* f, const QString& file, const QString& log,
                              int batch, bool atEnd)
    {
        MapCsvToRegister(f, file, QStringLiteral(";"));
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        LastPage* p = f->CommitPage;
        p->ui->chEnableErrorLog->setChecked(true);
        p->ui->edErrorLogFileName->setText(log);
        p->ui->edtCommitRecCount->setText(QString::number(batch));
        p->ui->chCommitAfterDone->setChecked(atEnd);
    }

    static QString logText(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? codepage::codecFor(1256)->decode(f.readAll())
                                           : QString();
    }

private slots:
    void init() { QVERIFY(m_reg.open()); }
    void cleanup() { m_reg.close(); }

    // Rows through the register's own import settings; the register holds person 101 (account
    // 9) before each run.
    void registerRules_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("stored"); // personnel number|account|amount
        QTest::addColumn<QStringList>("refused");
        QTest::newRow("a file imported twice")
            << int(dimInsertAll) << ""
            << QStringList{"101;a;b;1;1", "102;a;b;2;2", "102;a;b;3;3", "103;a;b;4;4"}
            << QStringList{"101|9|5", "102|2|2", "103|4|4"}
            << QStringList{kPersNumberDuplicate + ": 101", kPersNumberDuplicate + ": 102"};
        QTest::newRow("amounts and numbers")
            << int(dimInsertAll) << ""
            << QStringList{"201;a;b;1;8,750,000", "202;a;b;2;abc",      "203;a;b;3;-500",
                           "204;a;b;4;1e5",       "2o5;a;b;5;5",        "206;a;b;6;۱۲۰",
                           "207;a;b;7;",          " 208 ;a;b;8;8750000"}
            << QStringList{"101|9|5", "201|1|8750000", "206|6|120", "207|7|0", "208|8|8750000"}
            << QStringList{kPriceMissing + ": abc", kPriceMissing + ": -500",
                           kPriceMissing + ": 1e5", kPersNumberMissing + ": 2o5"};
        // A row the hand save would refuse for a missing personnel number or account is the
        // row's error with its message; a missing amount is stored as 0, as the save stores it.
        QTest::newRow("blank people")
            << int(dimInsertAll) << ""
            << QStringList{"301;a;b;1;1",    ";a;b;2;2",   " ;a;b;3;3",
                           "Null;a;b;4;4",   "302;a;b;;5", "303;a;b; ;6",
                           "304;a;b;Null;7", "305;;;8;",   "306;a;b;9;Null",
                           ";;;;",           ";;;;"}
            << QStringList{"101|9|5", "301|1|1", "305|8|0", "306|9|0"}
            << QStringList{kPersNumberMissing, kPersNumberMissing, kPersNumberMissing,
                           kHesabMissing,      kHesabMissing,      kHesabMissing,
                           kPersNumberMissing, kPersNumberMissing};
        QTest::newRow("a row missing both is refused for its personnel number")
            << int(dimInsertAll) << "" << QStringList{";a;b;;5"} << QStringList{"101|9|5"}
            << QStringList{kPersNumberMissing};
        QTest::newRow("update or insert by account: only the insert is checked")
            << int(dimUpdateOrInsert) << "Hesab"
            << QStringList{"101;a;b;9;7", "101;a;b;8;8", "102;a;b;7;9"}
            << QStringList{"101|9|7", "102|7|9"} << QStringList{kPersNumberDuplicate + ": 101"};
        QTest::newRow("update by personnel number keeps matching")
            << int(dimUpdate) << "Pers_number"
            << QStringList{"101;a;b;3;70", "101;a;b;4;x", "101;a;b;;80", "101;a;b;5;"}
            << QStringList{"101|5|0"} << QStringList{kPriceMissing + ": x", kHesabMissing};
    }
    void registerRules()
    {
        QFETCH(int, mode);
        QFETCH(QString, key);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, stored);
        QFETCH(QStringList, refused);
        frm_dm->Connection->exec(
            QStringLiteral("insert into tbl_customer (Pers_number, Hesab, Price) values ('101', "
                           "'9', '5')"));
        TDurvel3Wizard* wizard = m_reg.w->Durvel3Wizard1;
        TDurvel3ASCII imp;
        imp.SetFileName(csv(QStringLiteral("rules.csv"), lines));
        imp.Comma = u';';
        imp.Encoding = ctUtf8;
        imp.DataSet = wizard->DataSet;
        imp.OnBeforePost = wizard->OnBeforePost;
        imp.Formats().NullValues().Add(QStringLiteral("Null"));
        imp.ImportMode = TDurvelMode(mode);
        if (!key.isEmpty())
            imp.KeyColumns().Add(key);
        const QStringList fields = {"Pers_number", "First_Name", "Last_Name", "Hesab", "Price"};
        for (int i = 0; i < fields.size(); ++i)
            imp.Map().Add(fields[i] + u'=' + QString::number(i + 1));
        imp.ErrorLog = true;
        imp.ErrorLogFileName = m_dir.filePath(QStringLiteral("rules.log"));
        QVERIFY(imp.Execute());

        QStringList got;
        for (const QStringList& r : m_reg.rows())
            got << r[0] + u'|' + r[3] + u'|' + r[4];
        QCOMPARE(got, stored);
        QCOMPARE(imp.ErrorCount(), int(refused.size()));
        for (int i = 0; i < refused.size(); ++i)
            QVERIFY2(imp.Errors().Strings(i).endsWith(u' ' + refused[i]),
                     qPrintable(imp.Errors().Strings(i)));
    }

    // The import's date formats start from the program's start-up date settings: the formats
    // page shows them, and a dBase date written into a text field takes them.
    void importStartsFromTheStartupDateSettings()
    {
        m_reg.close();
        TDurvelFormats::SetDefaultDateSettings(u'-', QStringLiteral("dd/mm/yyyy"));
        const bool opened = m_reg.open();
        StartupDateSettings();
        QVERIFY(opened);
        TDurvel3Wizard* wizard = m_reg.w->Durvel3Wizard1;
        QCOMPARE(wizard->Formats().DateSeparator, QChar(u'-'));
        QCOMPARE(wizard->Formats().ShortDateFormat, QStringLiteral("dd/mm/yyyy"));
        QChar pageSeparator;
        QString pageFormat;
        QVERIFY(m_reg.runWizard([&](TDurvel3WizardF* f) {
            pageSeparator = f->FormatPage->DateSeparator();
            pageFormat = f->FormatPage->ShortDateFormat();
        }));
        QCOMPARE(pageSeparator, QChar(u'-'));
        QCOMPARE(pageFormat, QStringLiteral("dd/mm/yyyy"));

        // A table of two fields: PERS C(10), BORN D(8); one row.
        QByteArray dbf(32, '\0');
        dbf[0] = 0x03;
        qToLittleEndian<quint32>(1, dbf.data() + 4);
        qToLittleEndian<quint16>(32 + 2 * 32 + 1, dbf.data() + 8);
        qToLittleEndian<quint16>(1 + 10 + 8, dbf.data() + 10);
        for (auto [name, type, width] : {std::tuple{"PERS", 'C', 10}, std::tuple{"BORN", 'D', 8}}) {
            QByteArray d(32, '\0');
            d.replace(0, int(qstrlen(name)), name);
            d[11] = type;
            d[16] = char(width);
            dbf += d;
        }
        dbf += "\x0D 301       20010203\x1A";
        TDurvel3DBF imp;
        imp.SetFileName(WriteTestFile(m_dir.filePath(QStringLiteral("born.dbf")), dbf));
        imp.DataSet = wizard->DataSet;
        imp.SetFormats(wizard->Formats());
        imp.Map().Add(QStringLiteral("Pers_number=PERS"));
        imp.Map().Add(QStringLiteral("First_Name=BORN"));
        imp.Map().Add(QStringLiteral("Hesab=PERS")); // every person has an account
        QVERIFY(imp.Execute());
        QCOMPARE(imp.ErrorCount(), 0);
        QCOMPARE(m_reg.rows().value(0).value(1), QStringLiteral("03-02-2001"));
    }

    // A run that ends early: the dialog, the log and the register agree on the rows that
    // stayed; a full disk is told in Persian.
    void aRunEndedEarlyCountsWhatStayed_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<int>("batch");
        QTest::newRow("canceled at row 25, batches of 10") << true << 10;
        QTest::newRow("disk full, commit when done") << false << 1000;
    }
    void aRunEndedEarlyCountsWhatStayed()
    {
        QFETCH(bool, cancel);
        QFETCH(int, batch);
        QStringList lines;
        for (int i = 0; i < (cancel ? 50 : 3000); ++i)
            lines << QStringLiteral("%1;name;family name %1;%2;100").arg(100000 + i).arg(i);
        const QString file = csv(QStringLiteral("run.csv"), lines);
        const QString log = m_dir.filePath(QStringLiteral("run.log"));
        db::Connection* c = frm_dm->Connection;
        if (!cancel)
            c->exec(QStringLiteral("PRAGMA max_page_count = %1")
                        .arg(c->scalar(QStringLiteral("PRAGMA page_count")).toInt() + 40));
        int inserted = -1, committed = -1;
        MessageLog shown{dialogs::Button::Yes};
        QVERIFY(m_reg.runWizard([&](TDurvel3WizardF* f) {
            csvToRegister(f, file, log, batch, !cancel);
            int rows = 0;
            m_reg.w->Durvel3Wizard1->OnImportRecord = [f, rows, cancel](QObject*) mutable {
                TfmDurvel3ProgressDlg* d = f->ProgressDialog();
                if (cancel && ++rows == 25 && d)
                    d->findChild<QPushButton*>(QStringLiteral("bCancel"))->click();
            };
            QTimer::singleShot(0, f, [&, f] {
                connect(f->ProgressDialog(), &TfmDurvel3ProgressDlg::OkPressed, f, [&, f] {
                    inserted = f->ProgressDialog()->Inserted();
                    committed = f->ProgressDialog()->Committed();
                });
            });
            QTest::mouseClick(f->ui->bOk, Qt::LeftButton);
        }));
        m_reg.w->Durvel3Wizard1->OnImportRecord = nullptr;
        const int kept = int(m_reg.rows().size());
        if (cancel) {
            QVERIFY2(kept > 0 && kept < 50 && kept % 10 == 0, qPrintable(QString::number(kept)));
            QCOMPARE(inserted, kept);
            QCOMPARE(committed, kept);
        } else {
            QVERIFY2(kept == 0 &&
                         shown.texts().value(0).startsWith(db::describe(db::Error::Kind::DiskFull)),
                     qPrintable(shown.texts().join(u'\n')));
        }
        QVERIFY(!c->inTransaction());
        const QString text = logText(log);
        const QString ending =
            cancel ? QStringLiteral("Import canceled") : QStringLiteral("Import failed");
        QVERIFY2(text.contains(QStringLiteral("%1: %2 row(s) kept").arg(ending).arg(kept)) &&
                     !text.contains(QStringLiteral("No error found")),
                 qPrintable(text));
    }
};

QTEST_MAIN(TestRegisterImport)
#include "test_register_import.moc"
