#include "app/fixedwindows.h"
#include "app/startup.h"
#include "app/u_dm.h"
#include "app/u_print.h"
#include "controls/persian/DateEdit.h"
#include "controls/persian/EditCurrency.h"
#include "helper_lists.h"
#include "platform/dataaware/DBEdit.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QString kEnterDate = QStringLiteral("تاريخ را وارد كنيد");

QByteArray saveAndRead(ListWindow* w, QString* proposed = nullptr, QString* filter = nullptr)
{
    QTemporaryDir dir;
    dialogs::setFileHandler([&](const dialogs::FileRequest& r) {
        if (proposed)
            *proposed = r.directory;
        if (filter)
            *filter = r.filter;
        return dir.filePath("bank");
    });
    w->btn_save->click();
    dialogs::setFileHandler({});
    QFile f(dir.filePath("bank"));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<no file>");
    return f.readAll();
}

} // namespace

class TestFixedWindows : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestDatabase> m_db;

    void setDate(int y, int m, int d)
    {
        frm_mali->DateEdit1->setYear(y);
        frm_mali->DateEdit1->setMonth(m);
        frm_mali->DateEdit1->setDay(d);
    }

private slots:
    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        Tfrm_dm::setDatabaseFolder(m_db->folder());
        QVERIFY(CreateForms());
    }

    void cleanup()
    {
        DestroyForms();
        m_db.reset();
    }

    void tejaratFileWithHeader()
    {
        MessageLog log;
        frm_mali->show();
        setDate(1403, 1, 5);
        // Typed into the header box and not saved: the file still carries it.
        frm_mali->DBEdit2->setFocus();
        QTest::keyClicks(frm_mali->DBEdit2, "12345");
        addToList(frm_mali, "777", "1,000,000");
        addToList(frm_mali, "888", "500,000");
        QString proposed, filter;
        const QByteArray bytes = saveAndRead(frm_mali, &proposed, &filter);
        QCOMPARE(proposed, QStringLiteral("trans.dat"));
        QVERIFY(filter.contains("*.dat") && filter.contains("*.txt"));
        QCOMPARE(bytes, QByteArray("00000123450000001500000030105\r\n"
                                   "00000007770000001000000030105\r\n"
                                   "00000008880000000500000030105\r\n"));
        QVERIFY(log.messages.isEmpty());
        QCOMPARE(m_db->connection()->scalar("select sh_hesab from tbl_master").toString(),
                 QStringLiteral("12345"));
    }

    void tejaratNeedsADate()
    {
        MessageLog log;
        frm_mali->show();
        setDate(0, 0, 0);
        addToList(frm_mali, "777", "1,000");
        QCOMPARE(log.texts(), QStringList{kEnterDate});
        QVERIFY(frm_dm->detail_ado->isEmpty());
        QCOMPARE(saveAndRead(frm_mali), QByteArray("<no file>"));
        frm_mali->BitBtn6Click();
        QCOMPARE(log.texts().count(kEnterDate), 3);
    }

    void overWideValuesAreRefused_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("amount");
        QTest::newRow("tejarat 14 digits") << 0 << "12345678901234";
        QTest::newRow("sepah 11 digits") << 1 << "12345678901";
        QTest::newRow("sepah2 13 digits") << 2 << "1234567890123";
    }

    void overWideValuesAreRefused()
    {
        QFETCH(int, window);
        QFETCH(QString, amount);
        MessageLog log;
        ListWindow* w = window == 0   ? static_cast<ListWindow*>(frm_mali)
                        : window == 1 ? static_cast<ListWindow*>(frm_sepah)
                                      : static_cast<ListWindow*>(frm_sepah2);
        w->show();
        if (window == 0)
            setDate(1403, 1, 5);
        if (window == 2)
            w->findChild<QLineEdit*>("txt_shobeh")->setText("1234");
        addToList(w, "1", amount);
        QCOMPARE(log.messages.size(), 1);
        QVERIFY(log.texts().first().contains(TEditCurrency::DeComma(amount)));
        QVERIFY(frm_dm->detail_ado->isEmpty());
    }

    void sepahCardFile()
    {
        MessageLog log;
        frm_sepah->show();
        frm_sepah->DBEdit2->setFocus();
        QTest::keyClicks(frm_sepah->DBEdit2, "987");
        addToList(frm_sepah, "123", "1,000");
        addToList(frm_sepah, "123", "1,000");
        QCOMPARE(log.texts(), QStringList{QStringLiteral("ركورد تكراري است!")});
        QString proposed;
        QCOMPARE(saveAndRead(frm_sepah, &proposed),
                 QByteArray("00000000009870000000000+1\r\n00000000001230000001000+1\r\n"));
        QCOMPARE(proposed, QStringLiteral("hogh.fd"));
    }

    void sepahCurrentBranchCode_data()
    {
        QTest::addColumn<QString>("branch");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("four digits") << "0123" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("three digits") << "123" << false;
    }

    void sepahCurrentBranchCode()
    {
        QFETCH(QString, branch);
        QFETCH(bool, accepted);
        MessageLog log;
        frm_sepah2->show();
        frm_sepah2->findChild<QLineEdit*>("txt_shobeh")->setText(branch);
        addToList(frm_sepah2, "4567", "89");
        QCOMPARE(frm_dm->detail_ado->recordCount(), accepted ? 1 : 0);
        if (accepted) {
            QString proposed;
            QCOMPARE(saveAndRead(frm_sepah2, &proposed),
                     QByteArray("012300004567000000000089+\r\n"));
            QCOMPARE(proposed, QStringLiteral("netpay.txt"));
        }
    }

    void takeOverOfTheRegister()
    {
        auto* c = m_db->connection();
        const char* people[][3] = {
            {"1", "111", "5000"}, {"2", "111", "5000"},      {"3", "", "7"},
            {"4", "222", ""},     {"5", "12345678901", "9"}, {"6", "333", "1,200"}};
        for (auto& p : people)
            c->exec("insert into tbl_customer (Pers_number, Hesab, Price) values (:p, :h, :m)",
                    {{"p", p[0]}, {"h", p[1]}, {"m", p[2]}});
        c->exec("insert into tbl_detail (txt, price) values ('old', '1')");
        MessageLog log;
        frm_mali->show();
        setDate(1403, 1, 5);
        frm_mali->BitBtn6Click();
        QCOMPARE(listLines(),
                 (QStringList{"00000001110000000005000030105", "00000001110000000005000030105",
                              "00000003330000000001200030105"}));
        QCOMPARE(log.messages.size(), 1); // the person whose account does not fit
        QVERIFY(log.texts().first().contains("12345678901"));
        QCOMPARE(frm_mali->txt_sum->text(), QStringLiteral("11,200"));
    }

    void headerBoxesHoldNoMoreThanTheirLayout_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("limit");
        QTest::newRow("tejarat cheque") << "frm_mali"
                                        << "DBEdit1" << 10;
        QTest::newRow("tejarat account") << "frm_mali"
                                         << "DBEdit2" << 10;
        QTest::newRow("sepah account") << "frm_sepah"
                                       << "DBEdit2" << 13;
    }

    void headerBoxesHoldNoMoreThanTheirLayout()
    {
        QFETCH(QString, window);
        QFETCH(QString, box);
        QFETCH(int, limit);
        ListWindow* w = window == "frm_mali" ? static_cast<ListWindow*>(frm_mali)
                                             : static_cast<ListWindow*>(frm_sepah);
        w->show(); // the boxes are bound to the header row when the window opens
        auto* e = w->findChild<dataaware::DBEdit*>(box);
        QVERIFY(e);
        e->setFocus();
        QTest::keyClicks(e, QString(limit + 5, u'7'));
        QCOMPARE(e->text(), QString(limit, u'7'));
    }

    void restoringTheWindowKeepsTheDate()
    {
        frm_mali->show();
        QVERIFY(QTest::qWaitForWindowExposed(frm_mali));
        setDate(1400, 2, 3);
        frm_mali->showMinimized();
        QCoreApplication::processEvents();
        frm_mali->showNormal();
        QCoreApplication::processEvents();
        QCOMPARE(frm_mali->DateEdit1->Year(), 1400);
        QCOMPARE(frm_mali->DateEdit1->Month(), 2);
        QCOMPARE(frm_mali->DateEdit1->Day(), 3);
        frm_mali->hide();
        frm_mali->show(); // shown anew: today again
        QCOMPARE(frm_mali->DateEdit1->Date(), QDate::currentDate());
    }

    void previewCarriesTheHeader()
    {
        MessageLog log;
        frm_sepah->show();
        frm_sepah->DBEdit2->setFocus();
        QTest::keyClicks(frm_sepah->DBEdit2, "5");
        addToList(frm_sepah, "1", "2");
        rejectNextDialog();
        frm_sepah->BitBtn4->click();
        QCOMPARE(frm_print->QRLabel6->text(), QStringLiteral("00000000000050000000000+1"));
        frm_sepah->hide();
        frm_sepah2->show();
        rejectNextDialog();
        frm_sepah2->BitBtn4->click();
        QCOMPARE(frm_print->QRLabel6->text(), QString());
    }
};

int main(int argc, char** argv)
{
    BankApplication app(argc, argv);
    TestFixedWindows t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_fixedwindows.moc"
