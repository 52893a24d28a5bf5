#include "app/groupgrid.h"
#include "app/helpers.h"
#include "app/listwindow.h"
#include "app/startup.h"
#include "app/u_dm.h"
#include "app/u_print.h"
#include "app/u_sepah3.h"
#include "app/fixedwindows.h"
#include "controls/persian/EditCurrency.h"
#include "helper_lists.h"
#include "platform/dataaware/DBLookupComboBox.h"
#include "platform/shell/Shell.h"
#include "tests/support/MessageLog.h"
#include "tests/support/RecordingDevice.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/XlsxReader.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// Types text as key presses, Persian characters included (keyClicks takes ASCII only).
void typeText(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

const QString kDuplicate = QStringLiteral("ركورد تكراري است!");

struct Tpl
{
    const char* name;
    const char* recordStart;
    const char* recordEnd;
    const char* tolHesab;
    const char* split;
    const char* tolPrice;
    const char* end;
};

} // namespace

class TestListWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    QVariant m_plain;  // template without first/last lines
    QVariant m_framed; // template with first and last lines

    qint64 addTemplate(const Tpl& t)
    {
        m_db->connection()->exec(
            QStringLiteral(
                "insert into tbl_ghaleb (bank_name, record_start, record_end, tol_hesab, "
                "char_split, tol_price, char_end, file_name, file_extention) values "
                "(:n, :rs, :re, :th, :cs, :tp, :ce, 'pay', 'txt')"),
            {{"n", QString::fromUtf8(t.name)},
             {"rs", QString::fromUtf8(t.recordStart)},
             {"re", QString::fromUtf8(t.recordEnd)},
             {"th", QString::fromUtf8(t.tolHesab)},
             {"cs", QString::fromUtf8(t.split)},
             {"tp", QString::fromUtf8(t.tolPrice)},
             {"ce", QString::fromUtf8(t.end)}});
        return m_db->connection()->lastInsertId();
    }

    void add(const QString& account, const QString& amount)
    {
        addToList(frm_sepah3, account, amount);
    }

    // Clicks save in the template window: whether it went on to ask for the file's name.
    bool saveAsksForAFile()
    {
        bool asked = false;
        dialogs::setFileHandler([&](const dialogs::FileRequest&) {
            asked = true;
            return QString();
        });
        frm_sepah3->btn_save->click();
        return asked;
    }

private slots:
    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        m_plain = addTemplate({"ملت", "", "", "7", "-", "7", "+"});
        m_framed = addTemplate({"framed", "HEAD", "TAIL", "", ";", "", ""});
        m_db->connection()->exec(
            "insert into tbl_customer (Pers_number, First_Name, Last_Name, Hesab, Price) values "
            "('100', 'علی', 'رضایی', '12345', '15000')");
        Tfrm_dm::setDatabaseFolder(m_db->folder());
        QVERIFY(CreateForms());
        frm_sepah3->show();
    }

    void cleanup()
    {
        dialogs::setFileHandler({});
        Shell::setOpenHook({});
        DestroyForms();
        m_db.reset();
    }

    void singleAddChecksInOrder()
    {
        MessageLog log;
        add("12345", "15,000");
        QCOMPARE(log.texts(), QStringList{QStringLiteral("نوع قالب بانک را انتخاب کنيد")});
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_plain);
        add("", "15,000");
        add("12345", "0");
        add("12345", "");
        add("12345", "0,000");
        QCOMPARE(log.texts().mid(1), (QStringList{QStringLiteral("شماره حساب را وارد كنيد"),
                                                  QStringLiteral("مبلغ را وارد كنيد"),
                                                  QStringLiteral("مبلغ را وارد كنيد"),
                                                  QStringLiteral("مبلغ را وارد كنيد")}));
        QVERIFY(frm_dm->detail_ado->isEmpty());

        add("12345", "15,000");
        add("12345", "15,000");
        add("12345", "16,000");
        QCOMPARE(log.texts().last(), kDuplicate);
        QCOMPARE(log.messages.size(), 6);
        QCOMPARE(listLines(), (QStringList{"0012345-0015000+", "0012345-0016000+"}));
        QCOMPARE(frm_sepah3->txt_sum->text(), QStringLiteral("31,000"));
        QCOMPARE(frm_dm->detail_ado->valueAt(0, frm_dm->detail_ado->fieldIndex("price")).toString(),
                 QStringLiteral("15000"));
    }

    void firstLineOfTheTemplateIsAddedOnce()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_framed);
        add("1", "5");
        add("2", "7");
        QCOMPARE(listLines(), (QStringList{"HEAD", "1;5", "2;7"}));
        QCOMPARE(frm_sepah3->txt_sum->text(), QStringLiteral("12"));
    }

    void theTemplateShownIsTheOneUsed()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_plain);
        frm_dm->ghaleb_ado->locate("id", m_framed); // the query moves, the choice does not
        add("12345", "1");
        QCOMPARE(listLines(), QStringList{"0012345-0000001+"});
    }

    void choiceSurvivesTheTemplateQueryClosing()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_plain);
        frm_dm->ghaleb_ado->close(); // as the template editor does when it closes
        frm_dm->ghaleb_ado->open();
        QCOMPARE(frm_sepah3->DBLookupComboBox1->keyValue(), m_plain);
        add("12345", "1");
        QCOMPARE(listLines(), QStringList{"0012345-0000001+"});
        m_db->connection()->exec("delete from tbl_ghaleb where id=:id", {{"id", m_plain}});
        frm_dm->ghaleb_ado->refresh();
        QVERIFY(frm_sepah3->DBLookupComboBox1->keyValue().isNull()); // gone: no choice left
    }

    void searchFillsTheAccount()
    {
        frm_sepah3->txt_sh_personeli->setText("100");
        frm_sepah3->BitBtn2->click();
        QCOMPARE(frm_sepah3->txt_shhesab->text(), QStringLiteral("12345"));
        QCOMPARE(frm_sepah3->lbl_fname->text(), QStringLiteral("علی"));
        frm_sepah3->txt_sh_personeli->setText("10"); // exact match only
        frm_sepah3->BitBtn2->click();
        QCOMPARE(frm_sepah3->txt_shhesab->text(), QString());
        QCOMPARE(frm_sepah3->lbl_fname->text(), QString());
    }

    void enterWalksFromPersonToAddedRow()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_plain);
        QVERIFY(QTest::qWaitForWindowActive(frm_sepah3));
        frm_sepah3->txt_sh_personeli->setFocus();
        QTest::keyClicks(frm_sepah3->txt_sh_personeli, "100");
        QTest::keyClick(frm_sepah3->txt_sh_personeli, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), frm_sepah3->EditCurrency1);
        // The account typed over, Enter moves on to the amount, which drops its "0".
        frm_sepah3->txt_shhesab->setFocus();
        QTest::keyClick(frm_sepah3->txt_shhesab, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), frm_sepah3->EditCurrency1);
        QCOMPARE(frm_sepah3->EditCurrency1->text(), QString());
        QTest::keyClicks(frm_sepah3->EditCurrency1, "15000");
        QTest::keyClick(frm_sepah3->EditCurrency1, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), frm_sepah3->BitBtn1);
        QVERIFY(frm_dm->detail_ado->isEmpty());
        QTest::keyClick(frm_sepah3->BitBtn1, Qt::Key_Return);
        QCOMPARE(listLines(), QStringList{"0012345-0015000+"});
        QCOMPARE(QApplication::focusWidget(), frm_sepah3->txt_shhesab);
        QVERIFY(log.messages.isEmpty());
    }

    void accountBoxTakesDigitsOnly()
    {
        QLineEdit* a = frm_sepah3->txt_shhesab;
        a->clear();
        a->setFocus();
        typeText(a, QStringLiteral("12a-b۳٤ 5"));
        QCOMPARE(a->text(), QStringLiteral("12345"));
    }

    void groupAddGoesOnAfterADuplicate()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_plain);
        QApplication::clipboard()->setText(
            "111\t1,000\n222\t2000\n111\t1000\n?\t5\n333\t0\n444\t4");
        frm_sepah3->pase1Click();
        QVERIFY(log.texts().last().contains(QStringLiteral(" تعداد رکورد ذخيره شده 6")));
        frm_sepah3->BitBtn3Click();
        QCOMPARE(listLines(),
                 (QStringList{"0000111-0001000+", "0000222-0002000+", "0000444-0000004+"}));
        QCOMPARE(log.texts().count(kDuplicate), 1);
        // The rows refused, each with its reason.
        const QStringList refused = log.texts().last().split(u'\r').mid(1);
        QCOMPARE(refused.size(), 2);
        QVERIFY(refused[0].startsWith("4: ") && refused[0].contains("?"));
        QVERIFY(refused[1].startsWith("5: "));
        QCOMPARE(frm_sepah3->txt_sum->text(), QStringLiteral("3,004"));
    }

    void lineTooLongForTheListAddsNothing_data()
    {
        QTest::addColumn<bool>("group");
        QTest::newRow("single add") << false;
        QTest::newRow("group add") << true;
    }

    void lineTooLongForTheListAddsNothing()
    {
        QFETCH(bool, group);
        const QByteArray start(95, 'S');
        const QVariant wide = addTemplate({"wide", "HEAD", "", "", "", "", ""});
        m_db->connection()->exec("update tbl_ghaleb set char_start=:s where id=:id",
                                 {{"s", QString::fromLatin1(start)}, {"id", wide}});
        frm_dm->ghaleb_ado->refresh();
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(wide);
        if (group) {
            frm_sepah3->StringGrid1->setCell(2, 1, "123456");
            frm_sepah3->StringGrid1->setCell(3, 1, "7");
            frm_sepah3->BitBtn3Click();
        } else {
            add("123456", "7");
        }
        QVERIFY(frm_dm->detail_ado->isEmpty()); // not even the template's first line
        QCOMPARE(log.messages.size(), 1);
        QVERIFY(log.texts().first().contains(QStringLiteral("طول ركورد")));
        QVERIFY(!log.texts().first().contains(QLatin1String("txt")));
    }

    void groupAddThatCannotBeWrittenEndsWithAMessage_data()
    {
        QTest::addColumn<bool>("full"); // else read-only
        QTest::newRow("disk full") << true;
        QTest::newRow("read-only") << false;
    }

    void groupAddThatCannotBeWrittenEndsWithAMessage()
    {
        QFETCH(bool, full);
        SmallDisk disk(4096);
        if (full) {
            if (!disk.mounted())
                QSKIP("needs root to mount a small file system");
            DestroyForms();
            m_db = std::make_unique<TestDatabase>(disk.path());
            m_plain = addTemplate({"ملت", "", "", "7", "-", "7", "+"});
            m_db.reset();
            Tfrm_dm::setDatabaseFolder(disk.path());
            QVERIFY(CreateForms());
            frm_sepah3->show();
        }
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_plain);
        QString text;
        for (int i = 1; i < TGroupGrid::kRows; ++i)
            text += QString::number(1000000 + i) + QStringLiteral("\t5\r\n");
        QApplication::clipboard()->setText(text);
        MessageLog log;
        frm_sepah3->pase1Click();
        if (full)
            disk.fill();
        else
            frm_dm->Connection->exec("PRAGMA query_only=1"); // every write refused
        frm_sepah3->BitBtn3Click();
        QCOMPARE(log.messages.last().icon, dialogs::Icon::Error);
        // The list shows what the database holds.
        QCOMPARE(frm_dm->detail_ado->recordCount(),
                 frm_dm->Connection->scalar("select count(*) from tbl_detail").toInt());
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(w->objectName() != QLatin1String("frm_wait"));
        DestroyForms(); // before the disk goes
    }

    void missingControlIsNamed()
    {
        struct Bare : ListWindow
        {
            void BitBtn1Click() override {}
            void BitBtn4Click() override {}
            void btn_saveClick() override {}
            void setup() { setupList(8); }
        } bare;
        try {
            bare.setup();
            QFAIL("a form without its controls was set up");
        } catch (const std::logic_error& e) {
            QVERIFY(QString::fromUtf8(e.what()).contains("txt_sh_personeli"));
        }
    }

    void groupAddStopsAtTheFirstEmptyCell()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_plain);
        frm_sepah3->StringGrid1->setCell(2, 1, "1");
        frm_sepah3->BitBtn3Click();
        QVERIFY(frm_dm->detail_ado->isEmpty());
    }

    void bankFileByteForByte()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_framed);
        add("1", "5");
        add("2", "7");
        m_db->connection()->exec("insert into tbl_detail (txt, price) values ('', '0')");
        frm_dm->detail_ado->refresh();
        add("3", "9");
        QTemporaryDir dir;
        QString proposed;
        dialogs::setFileHandler([&](const dialogs::FileRequest& r) {
            proposed = r.directory;
            return dir.filePath("out.txt");
        });
        frm_sepah3->btn_save->click();
        QCOMPARE(proposed, QStringLiteral("pay.txt"));
        QFile f(dir.filePath("out.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("HEAD\r\n1;5\r\n2;7\r\n3;9\r\nTAIL\r\n"));
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(w->objectName() != QLatin1String("frm_wait"));
    }

    void writeFailureIsShownAndTakesTheWaitWindowDown()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_plain);
        add("1", "5");
        dialogs::setFileHandler(
            [](const dialogs::FileRequest&) { return QStringLiteral("/no/such/dir/f.txt"); });
        frm_sepah3->btn_save->click();
        QCOMPARE(log.messages.last().icon, dialogs::Icon::Error);
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(w->objectName() != QLatin1String("frm_wait"));
    }

    void noTemplateNoFile()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_plain);
        add("1", "5");
        frm_sepah3->DBLookupComboBox1->setKeyValue(QVariant());
        QVERIFY(!saveAsksForAFile());
        QCOMPARE(log.texts(), QStringList{QStringLiteral("نوع قالب بانک را انتخاب کنيد")});
    }

    // A first line of one template is another template's foreign row.
    void otherTemplatesFirstLineIsNotWritten()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_framed);
        add("1", "5");
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_plain);
        add("2", "7");
        QVERIFY(!saveAsksForAFile());
        QCOMPARE(log.messages.size(), 1);
        QVERIFY(log.texts().first().contains(QStringLiteral("رديف: 1، 2")));
    }

    void deleteListAsksFirst()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_plain);
        add("1", "5");
        log.answers = {dialogs::Button::No};
        frm_sepah3->BitBtn5->click();
        QCOMPARE(frm_dm->detail_ado->recordCount(), 1);
        QCOMPARE(frm_sepah3->txt_sum->text(), QString());
        log.answers = {dialogs::Button::Yes};
        frm_sepah3->BitBtn5->click();
        QVERIFY(frm_dm->detail_ado->isEmpty());
    }

    // The list window by its name, shown over a list of three rows "L1" (10), "L2" (20),
    // "L3" (30).
    ListWindow* showListOfThree(const QString& name)
    {
        frm_sepah3->hide();
        frm_dm->detail_ado->close();
        for (int i = 1; i <= 3; ++i)
            m_db->connection()->exec("insert into tbl_detail (txt, price) values (:t, :p)",
                                     {{"t", QStringLiteral("L%1").arg(i)}, {"p", QString::number(10 * i)}});
        ListWindow* w = name == "sepah3"  ? static_cast<ListWindow*>(frm_sepah3)
                        : name == "sepah" ? static_cast<ListWindow*>(frm_sepah)
                        : name == "sepah2" ? static_cast<ListWindow*>(frm_sepah2)
                                           : static_cast<ListWindow*>(frm_mali);
        w->show();
        if (!QTest::qWaitForWindowExposed(w))
            return nullptr;
        return w;
    }

    void navigatorDeleteLeavesTheNextRowCurrent_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("picked");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("current");
        QTest::addColumn<QStringList>("leftAfterSecond");
        QTest::newRow("first") << "sepah3" << 0 << QStringList{"L2", "L3"} << 0
                               << QStringList{"L3"};
        QTest::newRow("middle") << "sepah3" << 1 << QStringList{"L1", "L3"} << 1
                                << QStringList{"L1"};
        QTest::newRow("last") << "sepah3" << 2 << QStringList{"L1", "L2"} << 1
                              << QStringList{"L1"};
        for (const char* w : {"sepah", "sepah2", "mali"})
            QTest::newRow(w) << w << 0 << QStringList{"L2", "L3"} << 0 << QStringList{"L3"};
    }

    // "حذف" of the navigator takes the row the clerk picked, and leaves the row that took its
    // place current (the new last one when the last went) in the data set, the grid and the
    // navigator alike, so a second "حذف" takes that row and no other.
    void navigatorDeleteLeavesTheNextRowCurrent()
    {
        QFETCH(QString, window);
        QFETCH(int, picked);
        QFETCH(QStringList, left);
        QFETCH(int, current);
        QFETCH(QStringList, leftAfterSecond);
        MessageLog log;
        ListWindow* w = showListOfThree(window);
        QVERIFY(w);
        clickGridRow(w->DBGrid1, picked);
        QCOMPARE(whereCurrent(w->DBGrid1, w->DBNavigator1), expectedCurrent(picked, 3));
        QTest::mouseClick(w->DBNavigator1->button(nbDelete), Qt::LeftButton);
        QCOMPARE(listLines(), left);
        QCOMPARE(frm_dm->detail_ado->text("txt"), left[current]);
        QCOMPARE(whereCurrent(w->DBGrid1, w->DBNavigator1), expectedCurrent(current, 2));
        int total = 0;
        for (const QString& l : left)
            total += 10 * l.mid(1).toInt();
        QCOMPARE(w->txt_sum->text(), QString::number(total));
        QTest::mouseClick(w->DBNavigator1->button(nbDelete), Qt::LeftButton);
        QCOMPARE(listLines(), leftAfterSecond);
        QCOMPARE(whereCurrent(w->DBGrid1, w->DBNavigator1), expectedCurrent(0, 1));
        QVERIFY(log.messages.isEmpty()); // the windows' navigators delete without asking
    }

    // "حذف كل ليست" reads the list again: whatever the answer, the grid and the navigator show
    // what the data set holds.
    void deleteListLeavesGridAndNavigatorInStep_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("left");
        QTest::newRow("yes") << int(dialogs::Button::Yes) << 0;
        QTest::newRow("no") << int(dialogs::Button::No) << 3;
    }

    void deleteListLeavesGridAndNavigatorInStep()
    {
        QFETCH(int, answer);
        QFETCH(int, left);
        MessageLog log;
        ListWindow* w = showListOfThree("sepah3");
        QVERIFY(w);
        clickGridRow(w->DBGrid1, 1);
        log.answers = {dialogs::Button(answer)};
        w->BitBtn5->click();
        QCOMPARE(frm_dm->detail_ado->recordCount(), left);
        QCOMPARE(w->DBGrid1->model()->rowCount(), left);
        if (left == 0) {
            QCOMPARE(whereCurrent(w->DBGrid1, w->DBNavigator1),
                     QStringLiteral("row -1 grid -1/-1 nav "));
            QVERIFY(!w->DBNavigator1->button(nbDelete)->isEnabled());
        } else {
            QCOMPARE(whereCurrent(w->DBGrid1, w->DBNavigator1),
                     expectedCurrent(frm_dm->detail_ado->currentRow(), left));
            QVERIFY(w->DBNavigator1->button(nbDelete)->isEnabled());
        }
    }

    void previewShowsTheListAndTotal()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_framed);
        for (int i = 1; i <= 60; ++i)
            add(QString::number(i), "1,000");
        frm_print->QRLabel6->setText("stale header");
        rejectNextDialog();
        frm_sepah3->BitBtn4->click();
        QCOMPARE(frm_print->QRLabel4->text(), QStringLiteral("60,000"));
        QCOMPARE(frm_print->QRLabel6->text(), QString());
        Report* r = frm_print->QuickRep1;
        QCOMPARE(r->fieldText(0, "txt"), QStringLiteral("HEAD"));
        QCOMPARE(r->fieldText(61, "txt"), QStringLiteral("TAIL")); // the last line shown last
        RecordingDevice page(128, 190);                            // A5 less the margins
        const int pages = r->render(&page, [&page] { return page.newPage(); });
        QVERIFY(pages >= 2);
        const QStringList first = page.texts(0);
        QVERIFY(first.contains(QStringLiteral("نمونه فايل ارسالي")));
        QVERIFY(first.contains("HEAD") && first.contains("1") && first.contains("2"));
        const QStringList last = page.texts(pages - 1);
        QVERIFY(last.contains("TAIL") && last.contains("62"));
        QVERIFY(last.contains(QStringLiteral("جمع مبلغ:")) && last.contains("60,000"));
    }

    void exportHandsAWorkbookToTheDesktop()
    {
        MessageLog log;
        frm_sepah3->DBLookupComboBox1->setKeyValue(m_plain);
        add("1", "5");
        QString opened;
        Shell::setOpenHook([&](const QUrl& u) {
            opened = u.toLocalFile();
            return true;
        });
        add("0123456789012345", "5");
        frm_sepah3->SpeedButton2Click();
        QVERIFY(opened.endsWith(".xlsx"));
        QVERIFY(log.messages.isEmpty());
        {
            const Workbook book(opened);
            QCOMPARE(book.sheetNames, QStringList{"Exported from Sheet1"});
            QCOMPARE(book.cells.value("B1").value, QStringLiteral("txt"));
            QCOMPARE(book.cells.value("B2").value, QStringLiteral("0000001-0000005+"));
            // Long digit strings stay text, every digit kept.
            QCOMPARE(book.cells.value("B3").type, QStringLiteral("s"));
            QCOMPARE(book.cells.value("B3").value, QStringLiteral("0123456789012345-0000005+"));
        }
        QFile::remove(opened);

        // No program for spreadsheets: the clerk is told so, and where the workbook is.
        opened.clear();
        Shell::setOpenHook([&](const QUrl& u) {
            opened = u.toLocalFile();
            return false;
        });
        frm_sepah3->SpeedButton2Click();
        QCOMPARE(log.messages.size(), 1);
        const QString text = log.texts().first();
        QVERIFY2(text.startsWith("No program on this desktop opens spreadsheet files."),
                 qPrintable(text));
        QVERIFY(!text.contains("Excel"));
        QVERIFY(!opened.isEmpty());
        QVERIFY2(text.split(u'\r').contains(opened), qPrintable(text));
        QVERIFY(QFile::exists(opened));
        QCOMPARE(Workbook(opened).cells.value("B3").value,
                 QStringLiteral("0123456789012345-0000005+"));
        QFile::remove(opened);
        QVERIFY(!log.messages.first().rightToLeft);
    }
};

int main(int argc, char** argv)
{
    BankApplication app(argc, argv);
    TestListWindow t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_listwindow.moc"
