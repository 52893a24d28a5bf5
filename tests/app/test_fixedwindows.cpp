#include "app/fixedwindows.h"
#include "app/focusmark.h"
#include "app/startup.h"
#include "app/u_dm.h"
#include "app/u_print.h"
#include "app/u_sepah3.h"
#include "controls/persian/DateEdit.h"
#include "controls/persian/EditCurrency.h"
#include "helper_lists.h"
#include "platform/dataaware/DBEdit.h"
#include "platform/dataaware/DBLookupComboBox.h"
#include "tests/support/MessageLog.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
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

    // A date the layout cannot take is refused by the add, the write and the take-over alike,
    // before anything is added or written: none, or a year not of four digits (the line would
    // come out longer than the bank reads).
    void tejaratNeedsADate_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("message");
        QTest::newRow("no date") << 0 << kEnterDate;
        QTest::newRow("three-digit year") << 403 << TejaratYearMessage("403/01/05");
        QTest::newRow("two-digit year") << 3 << TejaratYearMessage("03/01/05");
        QTest::newRow("five-digit year") << 14030 << TejaratYearMessage("14030/01/05");
    }
    void tejaratNeedsADate()
    {
        QFETCH(int, year);
        QFETCH(QString, message);
        QVERIFY(message.contains(year ? QString::number(year) : QString()));
        addPerson("1", "777", "1000");
        MessageLog log(dialogs::Button::Yes);
        frm_mali->show();
        setDate(year, year ? 1 : 0, year ? 5 : 0);
        addToList(frm_mali, "777", "1,000");
        QCOMPARE(log.texts(), QStringList{message});
        QVERIFY(frm_dm->detail_ado->isEmpty());
        QCOMPARE(saveAndRead(frm_mali), QByteArray("<no file>"));
        frm_mali->BitBtn6Click();
        QCOMPARE(log.texts(), QStringList(3, message));
        QVERIFY(frm_dm->detail_ado->isEmpty());
        setDate(1403, 1, 5);
        addToList(frm_mali, "777", "1,000");
        QCOMPARE(listLines(), QStringList{"00000007770000000001000030105"});
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

    void addPerson(const QString& number, const QString& account, const QString& amount)
    {
        m_db->connection()->exec(
            "insert into tbl_customer (Pers_number, Hesab, Price) values (:p, :h, :m)",
            {{"p", number}, {"h", account}, {"m", amount}});
    }

    ListWindow* window(int i)
    {
        return i == 0   ? static_cast<ListWindow*>(frm_mali)
               : i == 1 ? static_cast<ListWindow*>(frm_sepah)
                        : static_cast<ListWindow*>(frm_sepah2);
    }

    void takeOverOfTheRegister()
    {
        const char* people[][3] = {
            {"1", "111", "5000"}, {"2", "111", "5000"},      {"3", "", "7"},
            {"4", "222", ""},     {"5", "12345678901", "9"}, {"6", "333", "1,200"},
            {"7", "444", "0"},    {"8", "555", "000"},       {"9", "666", "abc"},
            {"10", "12a4", "50"}};
        for (auto& p : people)
            addPerson(p[0], p[1], p[2]);
        m_db->connection()->exec("insert into tbl_detail (txt, price) values ('old', '1')");
        MessageLog log;
        log.answers = {dialogs::Button::Yes}; // the list that is there goes
        frm_mali->show();
        setDate(1403, 1, 5);
        frm_mali->BitBtn6Click();
        QCOMPARE(listLines(),
                 (QStringList{"00000001110000000005000030105", "00000001110000000005000030105",
                              "00000003330000000001200030105"}));
        // Everyone the single add would refuse is listed, not written.
        QCOMPARE(log.messages.size(), 2);
        log.messages.removeFirst();
        const QStringList skipped = log.texts().first().split(u'\r').mid(1);
        QCOMPARE(skipped.size(), 5);
        for (const char* who : {"5: ", "7: ", "8: ", "9: ", "10: "})
            QVERIFY2(std::any_of(skipped.begin(), skipped.end(),
                                 [&](const QString& l) { return l.startsWith(who); }),
                     who);
        QVERIFY(log.texts().first().contains("12345678901"));
        QCOMPARE(frm_mali->txt_sum->text(), QStringLiteral("11,200"));
    }

    // Many people refused by the take-over: the box with their list fits the screen with its
    // button, and the list scrolls, whole, at larger desktop fonts too.
    void takeOverRefusalsFitTheScreen_data()
    {
        QTest::addColumn<int>("people");
        QTest::addColumn<double>("factor");
        for (int people : {26, 300})
            for (double factor : {1.0, 1.25, 1.5})
                QTest::addRow("%d people at %.2fx", people, factor) << people << factor;
    }
    void takeOverRefusalsFitTheScreen()
    {
        QFETCH(int, people);
        QFETCH(double, factor);
        const QFont saved = QApplication::font();
        QFont larger = saved;
        larger.setPointSizeF(9 * factor);
        QApplication::setFont(larger);
        for (int i = 1; i <= people; ++i)
            addPerson(QString::number(1000 + i), QStringLiteral("1234567890%1").arg(i), "5");
        frm_mali->show();
        setDate(1403, 1, 5);
        QRect area, box, button;
        QString text;
        bool scrolls = false;
        QTimer::singleShot(0, [&] {
            auto* b = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!b)
                return;
            QCoreApplication::processEvents();
            area = b->screen()->availableGeometry();
            box = b->geometry();
            text = b->text();
            QAbstractButton* ok = b->buttons().value(0);
            button = QRect(ok->mapTo(b, QPoint(0, 0)), ok->size());
            if (auto* s = b->findChild<QScrollArea*>())
                scrolls = s->verticalScrollBar()->maximum() > 0;
            ok->click();
        });
        frm_mali->BitBtn6Click();
        QApplication::setFont(saved);
        QVERIFY(!box.isEmpty());
        for (int i = 1; i <= people; ++i)
            QVERIFY(text.contains(QStringLiteral("%1: ").arg(1000 + i)));
        // Room left for the window manager's title bar.
        const int title = 2 * QFontMetrics(larger).height();
        QVERIFY2(box.height() + title <= area.height() && box.width() <= area.width(),
                 qPrintable(QStringLiteral("%1x%2 on %3x%4")
                                .arg(box.width())
                                .arg(box.height())
                                .arg(area.width())
                                .arg(area.height())));
        QVERIFY(QRect(QPoint(0, 0), box.size()).contains(button));
        if (people > 26)
            QVERIFY(scrolls);
    }

    void takeOverThatCannotBeWrittenKeepsTheList_data()
    {
        QTest::addColumn<bool>("full"); // else read-only
        QTest::newRow("disk full") << true;
        QTest::newRow("read-only") << false;
    }

    void takeOverThatCannotBeWrittenKeepsTheList()
    {
        QFETCH(bool, full);
        SmallDisk disk(4096);
        if (full) {
            if (!disk.mounted())
                QSKIP("needs root to mount a small file system");
            DestroyForms();
            m_db = std::make_unique<TestDatabase>(disk.path());
            Tfrm_dm::setDatabaseFolder(disk.path());
            QVERIFY(CreateForms());
        }
        db::Connection* c = frm_dm->Connection;
        c->beginTransaction();
        c->exec("insert into tbl_detail (txt, price) values ('old', '1')");
        for (int i = 1; i <= 3000; ++i)
            c->exec("insert into tbl_customer (Pers_number, Hesab, Price) values (:p, :h, '5')",
                    {{"p", QString::number(i)}, {"h", QString::number(1000000 + i)}});
        c->commit();
        MessageLog log;
        log.answers = {dialogs::Button::Yes}; // the list that is there goes
        frm_mali->show();
        setDate(1403, 1, 5);
        if (full)
            disk.fill();
        else
            c->exec("PRAGMA query_only=1"); // the database refuses every write
        frm_mali->BitBtn6Click();
        QCOMPARE(log.messages.size(), 2);
        QCOMPARE(log.messages.last().icon, dialogs::Icon::Error);
        QCOMPARE(listLines(), QStringList{"old"});
        QCOMPARE(c->scalar("select count(*) from tbl_detail").toInt(), 1);
        DestroyForms(); // before the disk goes
    }

    void takeOverAsksBeforeEmptyingTheList_data()
    {
        QTest::addColumn<bool>("listEmpty");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("empty list: no question") << true << int(dialogs::Button::No) << true;
        QTest::newRow("answered yes") << false << int(dialogs::Button::Yes) << true;
        QTest::newRow("answered no") << false << int(dialogs::Button::No) << false;
        QTest::newRow("closed") << false << int(dialogs::Button::Cancel) << false;
    }

    void takeOverAsksBeforeEmptyingTheList()
    {
        QFETCH(bool, listEmpty);
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        addPerson("1", "111", "5000");
        MessageLog log{dialogs::Button(answer)};
        frm_mali->show();
        setDate(1403, 1, 5);
        QStringList before;
        if (!listEmpty) {
            addToList(frm_mali, "777", "1,000");
            addToList(frm_mali, "888", "2,000");
            before = listLines();
            QCOMPARE(before.size(), 2);
        }
        frm_mali->BitBtn6Click();
        if (listEmpty) {
            QVERIFY(log.messages.isEmpty());
        } else {
            QCOMPARE(log.messages.size(), 1);
            const dialogs::Message& q = log.messages.first();
            QCOMPARE(q.buttons, dialogs::Button::Yes | dialogs::Button::No);
            QVERIFY(q.text.contains(QStringLiteral("ليست 2 رديف")));
            QCOMPARE(q.captions.value(0), QStringLiteral("بلي"));
        }
        QCOMPARE(listLines(), replaced ? QStringList{"00000001110000000005000030105"} : before);
        QCOMPARE(frm_mali->txt_sum->text(),
                 replaced ? QStringLiteral("5,000") : QStringLiteral("3,000"));
    }

    // Another window's line in the list: nothing is asked, no file is made and an old one
    // stays as it was; without that line the same window writes its file.
    void mixedLayoutIsNotWritten_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("other");
        QTest::addColumn<bool>("oldFile");
        const char* names[] = {"tejarat", "sepah", "sepah current", "template"};
        for (int w = 0; w < 4; ++w)
            for (int o = 0; o < 4; ++o)
                if (o != w) {
                    const bool old = (w + o) % 2 == 1;
                    QTest::addRow("%s line in %s, %s", names[o], names[w],
                                  old ? "old file" : "no file")
                        << w << o << old;
                }
    }

    void mixedLayoutIsNotWritten()
    {
        QFETCH(int, window);
        QFETCH(int, other);
        QFETCH(bool, oldFile);
        m_db->connection()->exec(
            "insert into tbl_ghaleb (bank_name, tol_hesab, char_split, tol_price, char_end) "
            "values ('ملت', '7', '-', '7', '+')");
        const QVariant tpl = m_db->connection()->lastInsertId();
        MessageLog log;
        const auto addThrough = [&](int i, const QString& account) {
            ListWindow* w = i < 3 ? this->window(i) : frm_sepah3;
            w->show();
            if (i == 0)
                setDate(1403, 1, 5);
            if (i == 2)
                w->findChild<QLineEdit*>("txt_shobeh")->setText("0123");
            if (i == 3)
                frm_sepah3->DBLookupComboBox1->setKeyValue(tpl);
            addToList(w, account, "1,000");
        };
        addThrough(window, "1");
        addThrough(other, "2");
        addThrough(window, "3");
        QVERIFY2(log.messages.isEmpty(), qPrintable(log.texts().join('|')));
        const QStringList lines = listLines();
        QCOMPARE(lines.size(), 3);

        QTemporaryDir dir;
        const QString path = dir.filePath("bank");
        if (oldFile) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("OLD\r\n");
        }
        int asked = 0;
        dialogs::setFileHandler([&](const dialogs::FileRequest&) {
            ++asked;
            return path;
        });
        ListWindow* w = window < 3 ? this->window(window) : frm_sepah3;
        w->btn_save->click();
        QCOMPARE(asked, 0);
        QCOMPARE(log.messages.size(), 1);
        const QString message = log.texts().first();
        QVERIFY(message.contains(QStringLiteral("حذف كل ليست")));
        QVERIFY2(message.contains(QStringLiteral("رديف: 2")), qPrintable(message));
        QFile f(path);
        if (oldFile) {
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("OLD\r\n"));
            f.close();
        } else {
            QVERIFY(!f.exists());
        }
        QCOMPARE(listLines(), lines);

        m_db->connection()->exec("delete from tbl_detail where txt=:t", {{"t", lines[1]}});
        frm_dm->detail_ado->refresh();
        w->btn_save->click();
        dialogs::setFileHandler({});
        QCOMPARE(asked, 1);
        QCOMPARE(log.messages.size(), 1);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray written = f.readAll();
        QVERIFY(written.contains(lines[0].toLatin1()) && written.contains(lines[2].toLatin1()));
        QVERIFY(!written.contains(lines[1].toLatin1()));
    }

    void foundAccountIsShownWholeAndRefused_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("account");
        QTest::newRow("tejarat 13 digits in 10") << 0 << "9876543210123";
        QTest::newRow("sepah 14 digits in 13") << 1 << "12345678901234";
        QTest::newRow("sepah current 10 digits in 8") << 2 << "1234567890";
    }

    void foundAccountIsShownWholeAndRefused()
    {
        QFETCH(int, window);
        QFETCH(QString, account);
        addPerson("42", account, "1000");
        MessageLog log;
        ListWindow* w = this->window(window);
        w->show();
        if (window == 0)
            setDate(1403, 1, 5);
        if (window == 2)
            w->findChild<QLineEdit*>("txt_shobeh")->setText("1234");
        w->txt_sh_personeli->setText("42");
        w->BitBtn2->click();
        QCOMPARE(w->txt_shhesab->text(), account);
        w->EditCurrency1->setText("1,000");
        w->BitBtn1->click();
        QCOMPARE(log.messages.size(), 1);
        QVERIFY(log.texts().first().contains(account));
        QVERIFY(frm_dm->detail_ado->isEmpty());
    }

    void headerAccountIsShownWholeAndRefused()
    {
        m_db->connection()->exec("update tbl_master set sh_hesab='9876543210123'");
        if (m_db->connection()->scalar("select count(*) from tbl_master").toInt() == 0)
            m_db->connection()->exec("insert into tbl_master (sh_hesab) values ('9876543210123')");
        MessageLog log;
        frm_mali->show();
        setDate(1403, 1, 5);
        QCOMPARE(frm_mali->DBEdit2->text(), QStringLiteral("9876543210123"));
        QCOMPARE(saveAndRead(frm_mali), QByteArray("<no file>"));
        QCOMPARE(log.messages.size(), 1);
        QVERIFY(log.texts().first().contains("9876543210123"));
        QCOMPARE(m_db->connection()->scalar("select sh_hesab from tbl_master").toString(),
                 QStringLiteral("9876543210123"));
    }

    void searchThenTypingReplacesTheAmount_data()
    {
        QTest::addColumn<int>("window");
        QTest::newRow("tejarat") << 0;
        QTest::newRow("sepah") << 1;
    }

    void searchThenTypingReplacesTheAmount()
    {
        QFETCH(int, window);
        addPerson("1", "111", "");
        addPerson("2", "222", "");
        MessageLog log;
        ListWindow* w = this->window(window);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
        if (window == 0)
            setDate(1403, 1, 5);
        for (const char* person : {"1", "2"}) {
            w->txt_sh_personeli->setFocus();
            w->txt_sh_personeli->selectAll();
            QTest::keyClicks(w->txt_sh_personeli, person);
            QTest::keyClick(w->txt_sh_personeli, Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), w->EditCurrency1);
            QTest::keyClicks(QApplication::focusWidget(),
                             person[0] == '1' ? "15000000" : "9000000");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QVERIFY2(log.messages.isEmpty(), qPrintable(log.texts().join('|')));
        const QStringList lines = listLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[1].contains("9000000") && !lines[1].contains("15000000"),
                 qPrintable(lines[1]));
    }

    void focusOnAButtonOrTheListIsMarked()
    {
        frm_sepah->show();
        QVERIFY(QTest::qWaitForWindowActive(frm_sepah));
        for (QWidget* target : {static_cast<QWidget*>(frm_sepah->BitBtn1),
                                static_cast<QWidget*>(frm_sepah->DBGrid1)}) {
            target->setFocus();
            QWidget* mark = FocusMark();
            QVERIFY(mark);
            QCOMPARE(mark->parentWidget(), target->parentWidget());
            QVERIFY(mark->geometry().contains(target->geometry()));
        }
        frm_sepah->txt_shhesab->setFocus(); // a box shows its own caret
        QVERIFY(!FocusMark());
    }

    void listTitlesAreYellow()
    {
        QAbstractItemModel* m = frm_sepah->DBGrid1->model();
        QCOMPARE(m->headerData(1, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(),
                 QColor(Qt::yellow));
    }

    void foundNamesDoNotMoveTheBoxes()
    {
        m_db->connection()->exec(
            "insert into tbl_customer (Pers_number, Hesab, First_Name, Last_Name) values "
            "('1', '11', 'ع', 'ر'), ('2', '22', 'محمدحسین‌علی‌اصغر', "
            "'کریمی‌پورفراهانی‌زاده')");
        frm_sepah2->show();
        QVERIFY(QTest::qWaitForWindowExposed(frm_sepah2));
        QList<QRect> places;
        for (const char* person : {"1", "2"}) {
            frm_sepah2->txt_sh_personeli->setText(person);
            frm_sepah2->BitBtn2->click();
            QCoreApplication::processEvents();
            places << frm_sepah2->txt_shhesab->geometry() << frm_sepah2->BitBtn2->geometry();
        }
        QCOMPARE(places[2], places[0]);
        QCOMPARE(places[3], places[1]);
        QVERIFY(frm_sepah2->lbl_lname->toolTip().startsWith(QStringLiteral("کریمی")));
    }

    void nonDigitAccountIsNamedSo()
    {
        addPerson("3", "12a4", "");
        MessageLog log;
        frm_sepah->show();
        frm_sepah->txt_sh_personeli->setText("3");
        frm_sepah->BitBtn2->click();
        frm_sepah->EditCurrency1->setText("5");
        frm_sepah->BitBtn1->click();
        QCOMPARE(log.messages.size(), 1);
        QVERIFY(log.texts().first() != QStringLiteral("شماره حساب را وارد كنيد"));
        QVERIFY(log.texts().first().contains(QStringLiteral("رقم")));
        QVERIFY(log.texts().first().contains(QStringLiteral("12a4")));
    }

    void tejaratPreviewNeedsNoDate()
    {
        m_db->connection()->exec("update tbl_master set sh_hesab='12345'");
        MessageLog log;
        frm_mali->show();
        setDate(0, 0, 0);
        rejectNextDialog();
        frm_mali->BitBtn4->click();
        QVERIFY(log.messages.isEmpty());
        QCOMPARE(frm_print->QRLabel6->text(),
                 QStringLiteral("0000012345") + QString(13, u'0') + QStringLiteral("00000"));
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
