#include "app/dbfile.h"
#include "platform/db/Connection.h"
#include "tests/support/ReadOnlyMount.h"
#include "tests/support/TestDatabase.h"

#include <sqlite3.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QtTest>

#include <optional>
#include <vector>

namespace {

// A database made as earlier builds of the program made it: keyed, nothing else stated,
// rollback journal.
void makeOldFile(const QString& path)
{
    sqlite3* h = nullptr;
    QCOMPARE(sqlite3_open_v2(QFile::encodeName(path).constData(), &h,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
             SQLITE_OK);
    const QByteArray key = databaseKey();
    QCOMPARE(sqlite3_key(h, key.constData(), int(key.size())), SQLITE_OK);
    const QByteArray script = QByteArray(kSchemaSql) +
                              "INSERT INTO tbl_customer (Pers_number, First_Name) "
                              "VALUES ('7', 'پرويز');";
    QCOMPARE(sqlite3_exec(h, script.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(h);
}

// Runs the sqlcipher shell over the file with a script; its output, or a null string when the
// shell is missing.
QString shell(const QString& path, const QString& script, int* exitCode = nullptr)
{
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
    if (exe.isEmpty())
        return QString();
    QProcess p;
    p.start(exe, {path});
    p.write(script.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(60000);
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

QString keyPragma()
{
    return QStringLiteral("PRAGMA key = '%1';\n").arg(QString::fromLatin1(databaseKey()));
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void fileOfAnEarlierBuildOpensInWalMode()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(databaseFileName());
        makeOldFile(path);
        {
            db::Connection c;
            c.open(path, databaseKey());
            QCOMPARE(c.scalar(QStringLiteral("PRAGMA journal_mode")).toString(),
                     QStringLiteral("wal"));
            QCOMPARE(c.scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 2); // FULL
            QCOMPARE(c.scalar(QStringLiteral("select First_Name from tbl_customer")).toString(),
                     QStringLiteral("پرويز"));
            c.exec(QStringLiteral("insert into tbl_customer (Pers_number) values ('8')"));
            QVERIFY(QFileInfo::exists(path + QStringLiteral("-wal")));
        }
        // Closed, the log is folded back into the file.
        QVERIFY(!QFileInfo::exists(path + QStringLiteral("-wal")));
        db::Connection again;
        again.open(path, databaseKey());
        QCOMPARE(again.scalar(QStringLiteral("select count(*) from tbl_customer")).toInt(), 2);
    }

    // A statement still held when the connection closes (an import's writer ends after it)
    // must not keep the file open: once it goes, the log is folded back and removed.
    void closingWhileAStatementIsHeldStillReleasesTheFile()
    {
        TestDatabase t;
        db::Connection* c = t.connection();
        c->exec(QStringLiteral("insert into tbl_customer (Pers_number) values ('8')"));
        sqlite3_stmt* held = nullptr;
        QCOMPARE(sqlite3_prepare_v2(c->handle(), "select 1", -1, &held, nullptr), SQLITE_OK);
        QVERIFY(QFileInfo::exists(t.path() + QStringLiteral("-wal")));
        c->close();
        sqlite3_finalize(held);
        QVERIFY(!QFileInfo::exists(t.path() + QStringLiteral("-wal")));
    }

    // A statement that outlives the handle it was made on (the file was closed and opened
    // again) is let go, never put among the new handle's statements to be run on the old.
    void statementOfAClosedHandleIsNotReused()
    {
        TestDatabase t;
        db::Connection* c = t.connection();
        const QString sql = QStringLiteral("select count(*) from tbl_customer");
        std::optional<db::Statement> old(c->prepare(sql));
        c->close();
        c->open(t.path(), databaseKey());
        old.reset();
        c->exec(QStringLiteral("insert into tbl_customer (Pers_number) values ('9')"));
        db::Statement st = c->prepare(sql);
        QCOMPARE(sqlite3_db_handle(st.handle()), c->handle());
        st.bind({});
        QVERIFY(st.step());
        QCOMPARE(st.value(0).toInt(), 1);
    }

    // Only what a row's values cause leaves the work going on; every other failure of the
    // database, one the data layer has no name for included, ends it.
    void onlyRowFaultsLeaveTheWorkGoing_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("ends");
        QTest::newRow("constraint") << SQLITE_CONSTRAINT << false;
        QTest::newRow("unique") << SQLITE_CONSTRAINT_UNIQUE << false;
        QTest::newRow("too big") << SQLITE_TOOBIG << false;
        QTest::newRow("mismatch") << SQLITE_MISMATCH << false;
        QTest::newRow("full") << SQLITE_FULL << true;
        QTest::newRow("out of memory") << SQLITE_NOMEM << true;
        QTest::newRow("interrupt") << SQLITE_INTERRUPT << true;
        QTest::newRow("schema") << SQLITE_SCHEMA << true;
        QTest::newRow("no such table") << SQLITE_ERROR << true;
        QTest::newRow("misuse") << SQLITE_MISUSE << true;
        QTest::newRow("protocol") << SQLITE_PROTOCOL << true;
        QTest::newRow("range") << SQLITE_RANGE << true;
        QTest::newRow("abort") << SQLITE_ABORT << true;
        QTest::newRow("rollback abort") << SQLITE_ABORT_ROLLBACK << true;
        QTest::newRow("auth") << SQLITE_AUTH << true;
    }
    void onlyRowFaultsLeaveTheWorkGoing()
    {
        QFETCH(int, code);
        QFETCH(bool, ends);
        const db::Error e = db::Error::fromSqlite(code, QStringLiteral("x"));
        QCOMPARE(e.endsTransaction(), ends);
        QCOMPARE(e.isRowError(), !ends);
        // The data layer's own checks of a value are a row's fault; its other refusals are not.
        QVERIFY(db::Error(db::Error::Kind::Field, QStringLiteral("too long")).isRowError());
        QVERIFY(db::Error(QStringLiteral("The database is not open.")).endsTransaction());
    }

    // Commits that do not wait for the disk end with the file waiting for it again; when that
    // cannot be done, the caller hears of it, and no transaction starts until it is done.
    void fullSynchronisationComesBackOrIsReported()
    {
        TestDatabase t;
        db::Connection* c = t.connection();
        const auto level = [c] { return c->scalar(QStringLiteral("PRAGMA synchronous")).toInt(); };
        c->relaxSynchronous();
        QCOMPARE(level(), 1);
        c->restoreSynchronous();
        QCOMPARE(level(), 2);

        c->relaxSynchronous();
        c->exec(QStringLiteral("BEGIN"));
        try {
            c->restoreSynchronous();
            QFAIL("full synchronisation was not put back, and nothing said so");
        } catch (const db::Error& e) {
            QCOMPARE(e.kind(), db::Error::Kind::NotDurable);
            QVERIFY(e.message().startsWith(db::describe(e.kind())));
        }
        c->exec(QStringLiteral("ROLLBACK"));
        QCOMPARE(level(), 1);
        c->beginTransaction();
        QCOMPARE(level(), 2);
        c->rollback();
    }

    void madeFileStartsInWalMode()
    {
        TestDatabase t;
        QCOMPARE(t.connection()->scalar(QStringLiteral("PRAGMA journal_mode")).toString(),
                 QStringLiteral("wal"));
        QCOMPARE(t.connection()->scalar(QStringLiteral("PRAGMA cipher_page_size")).toInt(), 1024);
    }

    void pinnedFileOpensInThePlainShell_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("opens");
        QTest::newRow("the program's settings")
            << db::Connection::cipherSettings().join(QStringLiteral(";\n")) + u';' << true;
        // Proves the shell really applies what it is told: other settings cannot read the file.
        QTest::newRow("another key derivation")
            << QStringLiteral("PRAGMA kdf_iter = 4000;") << false;
        QTest::newRow("another page size")
            << QStringLiteral("PRAGMA cipher_page_size = 4096;") << false;
    }
    void pinnedFileOpensInThePlainShell()
    {
        QFETCH(QString, settings);
        QFETCH(bool, opens);
        TestDatabase t;
        t.connection()->exec(QStringLiteral(
            "insert into tbl_customer (Pers_number, Last_Name) values ('42', 'گلچين')"));
        const QString out =
            shell(t.path(), keyPragma() + settings +
                                QStringLiteral("\nSELECT Pers_number || '|' || Last_Name FROM "
                                               "tbl_customer;\n"));
        if (out.isNull())
            QSKIP("the sqlcipher shell is not installed");
        QCOMPARE(out.contains(QStringLiteral("42|گلچين")), opens);
    }

    void failuresOfTheFileSayWhatHappened_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("persian");
        QTest::newRow("read-only")
            << int(db::Error::Kind::ReadOnly) << QStringLiteral("فقط خواندني");
        QTest::newRow("disk full")
            << int(db::Error::Kind::DiskFull) << QStringLiteral("فضاي ديسك پر است");
        QTest::newRow("in use") << int(db::Error::Kind::InUse)
                                << QStringLiteral("در دست برنامه ديگري است");
        QTest::newRow("damaged") << int(db::Error::Kind::Damaged) << QStringLiteral("آسيب ديده");
    }
    void failuresOfTheFileSayWhatHappened()
    {
        QFETCH(int, kind);
        QFETCH(QString, persian);
        TestDatabase t;
        db::Connection* c = t.connection();
        c->exec(QStringLiteral("insert into tbl_customer (Pers_number) values ('1')"));
        std::unique_ptr<db::Connection> other;
        const int savedTimeout = db::Connection::busyTimeoutMs;
        db::Connection::busyTimeoutMs = 50;
        auto restore = qScopeGuard([&] { db::Connection::busyTimeoutMs = savedTimeout; });

        QString sql = QStringLiteral("insert into tbl_customer (Pers_number) values ('2')");
        bool reopen = false;
        switch (db::Error::Kind(kind)) {
        case db::Error::Kind::ReadOnly:
            c->exec(QStringLiteral("PRAGMA query_only = 1"));
            break;
        case db::Error::Kind::DiskFull:
            c->exec(QStringLiteral("PRAGMA max_page_count = %1")
                        .arg(c->scalar(QStringLiteral("PRAGMA page_count")).toInt()));
            sql = QStringLiteral("insert into tbl_customer (First_Name) select hex(randomblob(12)) "
                                 "from tbl_customer, tbl_customer, tbl_customer, tbl_customer");
            c->exec(QStringLiteral("insert into tbl_customer (Pers_number) values ('3'), ('4'), "
                                   "('5'), ('6'), ('7'), ('8'), ('9'), ('10'), ('11'), ('12')"));
            break;
        case db::Error::Kind::InUse:
            other = std::make_unique<db::Connection>();
            other->open(t.path(), databaseKey());
            other->exec(QStringLiteral("BEGIN IMMEDIATE"));
            break;
        case db::Error::Kind::Damaged: {
            t.connection()->close();
            QFile f(t.path());
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(1024);
            f.write(QByteArray(4096, '\x5a'));
            f.close();
            reopen = true;
            sql = QStringLiteral("select * from tbl_customer");
            break;
        }
        default:
            QFAIL("no such case");
        }
        try {
            if (reopen)
                c->open(t.path(), databaseKey());
            c->exec(sql);
            QFAIL("the statement did not fail");
        } catch (const db::Error& e) {
            QCOMPARE(int(e.kind()), kind);
            QVERIFY2(e.message().startsWith(db::describe(e.kind())), qPrintable(e.message()));
            QVERIFY(e.message().contains(persian));
            // The engine's own words follow, for whoever has to look into it.
            QVERIFY(!e.technical().isEmpty());
            QVERIFY(e.message().endsWith(e.technical()));
        }
    }

    void folderThatCannotBeWrittenIsRefusedWithItsReason()
    {
        QTemporaryDir dir;
        TestDatabase t;
        const QString path = dir.filePath(databaseFileName());
        QVERIFY(QFile::copy(t.path(), path));
        ReadOnlyMount ro(dir.path());
        if (!ro.ok())
            QSKIP("a read-only folder cannot be made here");
        db::Connection c;
        try {
            c.open(path, databaseKey());
            QFAIL("opened in a read-only folder");
        } catch (const db::Error& e) {
            QCOMPARE(e.kind(), db::Error::Kind::FolderReadOnly);
            QVERIFY(e.message().contains(dir.path()));
        }
        QVERIFY(!c.isOpen());
    }

    // Texts reach the statement as the bytes Qt's own encoder makes, whatever their letters,
    // and a text stored and read back is the text given.
    void textsBindAsQtEncodesThem_data()
    {
        QTest::addColumn<QString>("text");
        const char16_t lone[] = {u'a', 0xD83D, u'b'};
        const char16_t lowFirst[] = {0xDE00, 0xD83D};
        const char16_t highAtEnd[] = {u'x', 0xD83D};
        QTest::newRow("empty") << QString();
        QTest::newRow("ascii") << QStringLiteral("Ab 12,5");
        QTest::newRow("persian") << QStringLiteral("علی رضایی ۱۲۳");
        QTest::newRow("three bytes") << QStringLiteral("€\u0800\uFFFD\uFFFF");
        QTest::newRow("two bytes edge") << QStringLiteral("\u007F\u0080\u07FF");
        QTest::newRow("pair") << QStringLiteral("a😀b\U0010FFFF");
        QTest::newRow("lone high") << QString::fromUtf16(lone, 3);
        QTest::newRow("low before high") << QString::fromUtf16(lowFirst, 2);
        QTest::newRow("high at the end") << QString::fromUtf16(highAtEnd, 2);
        QTest::newRow("a nul inside") << QStringLiteral("ab") + QChar(0) + QStringLiteral("cdefgh");
        QTest::newRow("digits and letters") << QStringLiteral("1234567ی12345678علی€😀");
        QTest::newRow("a nul after a lone surrogate")
            << QString::fromUtf16(lone, 3) + QChar(0) + QStringLiteral("z");
    }
    void textsBindAsQtEncodesThem()
    {
        QFETCH(QString, text);
        QStringEncoder encoder(QStringEncoder::Utf8);
        const QByteArray expected = encoder.encode(text);
        QByteArray buffer("stale content longer than any text here, to be overwritten");
        db::toUtf8(text, buffer);
        QCOMPARE(buffer, expected);
        std::vector<char> out(std::size_t(text.size()) * 3 + 1);
        bool hasNul = !expected.contains('\0');
        const char* end = db::toUtf8(text, out.data(), hasNul);
        QCOMPARE(QByteArray(out.data(), end - out.data()), expected);
        QCOMPARE(hasNul, expected.contains('\0'));

        TestDatabase t;
        t.connection()->exec(QStringLiteral("insert into tbl_detail (txt) values (:t)"),
                             {{"t", text}});
        QCOMPARE(t.connection()
                     ->scalar(QStringLiteral("select hex(txt) from tbl_detail"))
                     .toString()
                     .toLatin1(),
                 expected.toHex().toUpper());
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "test_connection.moc"
