#include "app/dbfile.h"
#include "app/helpers.h"
#include "app/startup.h"
#include "app/u_dm.h"
#include "app/u_main.h"
#include "import/engine/DurvelFormats.h"
#include "tests/support/DarkPalette.h"
#include "tests/support/MessageLog.h"
#include "tests/support/ReadOnlyMount.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TestDatabase.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtTest>

namespace {

const QString kMissing = QStringLiteral("عدم ارتباط با فايل ديتابيس");
const QString kBroken =
    QStringLiteral("بروز مشکل در ارتباط با ديتابيس \rبه بخش پشتيبان برنامه تماس بگيريد");

class Thrower : public QObject
{
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("boom in a handler");
        return QObject::event(e);
    }
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        DestroyForms();
        Tfrm_dm::setDatabaseFolder(QString());
    }

    // The program's date settings are where every import's formats start.
    void importFormatsStartFromTheStartupDateSettings()
    {
        TDurvelFormats::SetDefaultDateSettings(u'-', QStringLiteral("dd-mm-yyyy"));
        const TDurvelFormats before;
        QCOMPARE(before.ShortDateFormat, QStringLiteral("dd-mm-yyyy"));
        StartupDateSettings();
        const TDurvelFormats after;
        QCOMPARE(after.DateSeparator, DateSeparator);
        QCOMPARE(after.ShortDateFormat, ShortDateFormat);
        QCOMPARE(after.ShortDateFormat, QStringLiteral("yyyy/mm/dd"));
        QCOMPARE(after.DateSeparator, QChar(u'/'));
        // Formats already made keep their own.
        QCOMPARE(before.DateSeparator, QChar(u'-'));
    }

    void missingDatabaseShowsOneMessageAndMakesNoFile()
    {
        QTemporaryDir dir;
        Tfrm_dm::setDatabaseFolder(dir.path());
        MessageLog log;
        QVERIFY(!CreateForms());
        QCOMPARE(log.texts(), QStringList{kMissing});
        QVERIFY(!frm_main->isVisible());
        QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }

    void unusableDatabaseShowsTheSecondMessage_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("wrong key") << 0;
        QTest::newRow("not a database") << 1;
        QTest::newRow("empty file") << 2;
        QTest::newRow("keyed file without our tables") << 3;
    }

    void unusableDatabaseShowsTheSecondMessage()
    {
        QFETCH(int, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(databaseFileName());
        if (kind == 0) {
            db::Connection::createDatabase(path, "another key", QString::fromUtf8(kSchemaSql));
        } else if (kind == 3) {
            db::Connection::createDatabase(path, databaseKey(),
                                           QStringLiteral("create table t (a);"));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kind == 1)
                f.write(QByteArray(4096, '\x11'));
        }
        const QByteArray before = [&] {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        Tfrm_dm::setDatabaseFolder(dir.path());
        MessageLog log;
        QVERIFY(!CreateForms());
        QCOMPARE(log.texts(), QStringList{kBroken});
        QVERIFY(
            !log.texts().join(QString()).contains(QString::fromLatin1(databaseKey().trimmed())));
        QVERIFY(!frm_main->isVisible());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before); // the file is left as it was
    }

    void reasonsTheClerkCanMendAreSaid_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("held by another program") << int(db::Error::Kind::InUse);
        QTest::newRow("folder cannot be written") << int(db::Error::Kind::FolderReadOnly);
    }
    void reasonsTheClerkCanMendAreSaid()
    {
        QFETCH(int, kind);
        TestDatabase t;
        db::Connection other;
        std::unique_ptr<ReadOnlyMount> ro;
        const int savedTimeout = db::Connection::busyTimeoutMs;
        auto restore = qScopeGuard([&] { db::Connection::busyTimeoutMs = savedTimeout; });
        if (db::Error::Kind(kind) == db::Error::Kind::InUse) {
            db::Connection::busyTimeoutMs = 100;
            other.open(t.path(), databaseKey());
            other.exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
            other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
            other.exec(QStringLiteral("insert into tbl_customer (Pers_number) values ('1')"));
        } else {
            ro = std::make_unique<ReadOnlyMount>(t.folder());
            if (!ro->ok())
                QSKIP("a read-only folder cannot be made here");
        }
        Tfrm_dm::setDatabaseFolder(t.folder());
        MessageLog log;
        QVERIFY(!CreateForms());
        QCOMPARE(log.messages.size(), 1);
        QVERIFY2(log.texts()[0].startsWith(db::describe(db::Error::Kind(kind))),
                 qPrintable(log.texts()[0]));
        QVERIFY(!frm_main->isVisible());
    }

    // Faults of the file and its companions said at start, each with its own sentence followed
    // by SQLite's own words.
    void fileFaultsAreSaidAtStart_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("kind");
        QTest::newRow("read-only file in a writable folder")
            << "read-only" << int(db::Error::Kind::ReadOnly);
        QTest::newRow("companion files left by another user")
            << "companions" << int(db::Error::Kind::Companion);
        QTest::newRow("full disk") << "full" << int(db::Error::Kind::DiskFull);
        QTest::newRow("index of the log cannot be mapped") << "io" << int(db::Error::Kind::Io);
        QTest::newRow("a folder in the index's place")
            << "folder" << int(db::Error::Kind::CannotOpen);
    }
    void fileFaultsAreSaidAtStart()
    {
        QFETCH(QString, fault);
        QFETCH(int, kind);
        std::unique_ptr<SmallDisk> disk;
        if (fault == "full") {
            disk = std::make_unique<SmallDisk>(1024);
            if (!disk->mounted())
                QSKIP("a small file system cannot be mounted here");
        }
        TestDatabase t(disk ? disk->path() : QString());
        std::vector<std::unique_ptr<ReadOnlyMount>> mounts;
        // Root writes whatever the permissions say: a read-only mount stops it too.
        const auto readOnly = [&](const QString& path) {
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                            QFileDevice::ReadOther);
            mounts.push_back(geteuid() == 0 ? std::make_unique<ReadOnlyMount>(path) : nullptr);
            return !mounts.back() || mounts.back()->ok();
        };
        const QString shm = t.path() + QStringLiteral("-shm");
        QStringList readOnlyFiles;
        if (fault == "read-only")
            readOnlyFiles << t.path();
        if (fault == "companions")
            readOnlyFiles << t.path() + QStringLiteral("-wal") << shm;
        for (const QString& p : readOnlyFiles) {
            QFile f(p);
            QVERIFY(f.open(QIODevice::Append));
            f.close();
            if (!readOnly(p))
                QSKIP("a read-only file cannot be made here");
        }
        if (fault == "full")
            disk->fill();
        if (fault == "io")
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), shm));
        if (fault == "folder")
            QVERIFY(QDir().mkdir(shm));
        Tfrm_dm::setDatabaseFolder(t.folder());
        MessageLog log;
        QVERIFY(!CreateForms());
        QCOMPARE(log.messages.size(), 1);
        const QString said = db::describe(db::Error::Kind(kind));
        QVERIFY2(log.texts()[0].startsWith(said) && log.texts()[0].size() > said.size() + 1,
                 qPrintable(log.texts()[0]));
        QVERIFY(!frm_main->isVisible());
        DestroyForms();
        mounts.clear();
    }

    void visibleListWindowsReceiveTheTotal()
    {
        TestDatabase t;
        Tfrm_dm::setDatabaseFolder(t.folder());
        MessageLog log;
        QVERIFY(CreateForms());
        QVERIFY(log.messages.isEmpty());

        QWidget a, b, hidden;
        auto* boxA = new QLineEdit(&a);
        auto* boxB = new QLineEdit(&b);
        auto* boxHidden = new QLineEdit(&hidden);
        frm_dm->registerTotalBox(&a, boxA);
        frm_dm->registerTotalBox(&b, boxB);
        frm_dm->registerTotalBox(&hidden, boxHidden);
        a.show();
        b.show();
        boxHidden->setText(QStringLiteral("untouched"));

        db::DataSet* d = frm_dm->detail_ado;
        d->open();
        const QStringList prices = {"1500", "99999999999999999999", "2500"};
        for (const QString& p : prices) {
            d->append();
            d->setValue(QStringLiteral("txt"), QStringLiteral("line ") + p);
            d->setValue(QStringLiteral("price"), p);
            d->post();
        }
        QCOMPARE(boxA->text(), QStringLiteral("100000000000000003999"));
        QCOMPARE(boxB->text(), boxA->text());
        QCOMPARE(boxHidden->text(), QStringLiteral("untouched"));

        // Reopened, the list keeps its order of entry.
        d->close();
        d->open();
        QStringList order;
        for (d->first(); !d->eof(); d->next())
            order << d->text(QStringLiteral("price"));
        QCOMPARE(order, prices);

        // Emptied, the boxes show no stale total.
        while (!d->isEmpty())
            d->remove();
        QCOMPARE(boxA->text(), QString());
        QCOMPARE(boxB->text(), QString());
    }

    void waitWindowComesAndGoes()
    {
        auto named = [] {
            int n = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                n += w->objectName() == QLatin1String("frm_wait");
            return n;
        };
        ShowWaitWindow(true);
        QCOMPARE(named(), 1);
        ShowWaitWindow(true); // a second call does not make a second window
        QCOMPARE(named(), 1);
        ShowWaitWindow(false);
        QCOMPARE(named(), 0);
        ShowWaitWindow(false); // and closing twice is harmless
        ShowWaitWindow(true);
        QCOMPARE(named(), 1);
        ShowWaitWindow(false);
        QCOMPARE(named(), 0);
    }

    void questionButtonsAndEscape()
    {
        QStringList captions;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (QAbstractButton* b : box->buttons())
                captions << b->text();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        const auto r = AskYesNo(QStringLiteral("?"), dialogs::Icon::Warning,
                                dialogs::Button::Yes | dialogs::Button::No, QStringLiteral("t"));
        QCOMPARE(r, dialogs::Button::No);
        captions.sort();
        QStringList expected{QStringLiteral("بلي"), QStringLiteral("خير")};
        expected.sort();
        QCOMPARE(captions, expected);
    }

    void windowTitlesAreNotPadded()
    {
        // A display name would be appended to every title, cutting short Persian ones.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        QWidget w;
        w.setWindowTitle(QStringLiteral("حذف"));
        w.show();
        QCOMPARE(w.windowHandle()->title(), QStringLiteral("حذف"));
    }

    // The main window paints its own light fills, so its titles must not follow a dark desktop
    // palette into light text.
    void mainWindowTextStaysDarkUnderADarkPalette()
    {
        DarkPalette dark;
        Tfrm_main w;
        w.ensurePolished();
        for (QGroupBox* box : w.findChildren<QGroupBox*>()) {
            box->ensurePolished();
            QVERIFY2(box->palette().color(QPalette::WindowText).lightness() < 80,
                     qPrintable(box->objectName()));
        }
    }

    void okMessageCaption()
    {
        MessageLog log;
        ShowOkMessage(QStringLiteral("m"), dialogs::Icon::Confirmation, dialogs::Button::Ok,
                      QStringLiteral("t"));
        QCOMPARE(log.messages.size(), 1);
        QCOMPARE(log.messages[0].captions.value(0), QStringLiteral("تائيد"));
        QVERIFY(log.messages[0].rightToLeft);
    }

    void failureReachingTheLoopIsShown()
    {
        MessageLog log;
        Thrower t;
        QCoreApplication::postEvent(&t, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(log.messages.size(), 1);
        QCOMPARE(log.messages[0].title, QStringLiteral("ساخت فلاپي بانكها"));
        QCOMPARE(log.messages[0].icon, dialogs::Icon::Error);
        QCOMPARE(log.messages[0].text, QStringLiteral("boom in a handler"));
    }
};

int main(int argc, char** argv)
{
    BankApplication app(argc, argv);
    TestStartup t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_startup.moc"
