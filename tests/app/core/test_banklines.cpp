#include "app/core/banklines.h"
#include "app/core/clipboardrows.h"
#include "tests/support/SmallDisk.h"

#include <QTemporaryDir>
#include <QtTest>

class TestBankLines : public QObject
{
    Q_OBJECT

private slots:
    void recordLine_data()
    {
        QTest::addColumn<QStringList>(
            "tpl"); // char_start, tol_hesab, char_split, tol_price, char_end
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("line");
        QTest::newRow("example") << QStringList{"", "7", "-", "7", "+"} << "12345"
                                 << "15,000"
                                 << "0012345-0015000+";
        QTest::newRow("all empty") << QStringList{"", "", "", "", ""} << "12345"
                                   << "15000"
                                   << "1234515000";
        QTest::newRow("account wider than width") << QStringList{"", "3", "", "", ""} << "12345"
                                                  << "1"
                                                  << "123451";
        QTest::newRow("exact width") << QStringList{"", "5", "", "5", ""} << "12345"
                                     << "1,2,3"
                                     << "1234500123";
        QTest::newRow("start and end texts") << QStringList{"<", "", "|", "", ">"} << "1"
                                             << "2"
                                             << "<1|2>";
        QTest::newRow("zero width") << QStringList{"", "0", "", "0", ""} << "7"
                                    << "8"
                                    << "78";
    }

    void recordLine()
    {
        QFETCH(QStringList, tpl);
        QFETCH(QString, account);
        QFETCH(QString, amount);
        QFETCH(QString, line);
        BankTemplate t;
        t.char_start = tpl[0];
        t.tol_hesab = tpl[1];
        t.char_split = tpl[2];
        t.tol_price = tpl[3];
        t.char_end = tpl[4];
        t.checkWidths();
        QCOMPARE(BuildRecordLine(t, account, amount), line);
    }

    void badWidthsAreRefused_data()
    {
        QTest::addColumn<QString>("hesab");
        QTest::addColumn<QString>("price");
        QTest::newRow("letters") << "abc"
                                 << "";
        QTest::newRow("decimal") << ""
                                 << "7.5";
        QTest::newRow("negative") << "-3"
                                  << "";
        QTest::newRow("wider than a line") << ""
                                           << "101";
    }

    void badWidthsAreRefused()
    {
        QFETCH(QString, hesab);
        QFETCH(QString, price);
        BankTemplate t;
        t.tol_hesab = hesab;
        t.tol_price = price;
        QVERIFY_THROWS_EXCEPTION(BankLineError, t.checkWidths());
        QVERIFY_THROWS_EXCEPTION(BankLineError, BuildRecordLine(t, "1", "1"));
    }

    void proposedFileName()
    {
        BankTemplate t;
        t.file_name = "pay";
        QCOMPARE(t.proposedFileName(), QStringLiteral("pay"));
        t.file_extention = "txt";
        QCOMPARE(t.proposedFileName(), QStringLiteral("pay.txt"));
    }

    void bankFileBytes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("bank.txt");
        WriteBankFile(path, {"0012345-0015000+", QStringLiteral("سلام ی ک"), "end"});
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        // Persian yeh and kaf are written as the page's Arabic letters; CR LF after every line.
        QCOMPARE(f.readAll(),
                 QByteArray("0012345-0015000+\r\n\xD3\xE1\xC7\xE3 \xED \x98\r\nend\r\n"));
    }

    void unwritableCharacterLeavesTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("bank.txt");
        WriteBankFile(path, {"old"});
        QVERIFY_THROWS_EXCEPTION(BankLineError, WriteBankFile(path, {"ok", QStringLiteral("€ ✓")}));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("old\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"bank.txt"});
    }

    void unwritableFolderFails()
    {
        QVERIFY_THROWS_EXCEPTION(BankLineError,
                                 WriteBankFile("/nonexistent-folder/x/bank.txt", {"a"}));
    }

    void fullDiskGivesTheSystemsReason()
    {
        SmallDisk disk(64);
        if (!disk.mounted())
            QSKIP("needs root to mount a small file system");
        const QString path = disk.filePath("bank.txt");
        WriteBankFile(path, {"old"});
        disk.fill();
        try {
            WriteBankFile(path, QStringList(2000, QString(40, u'1')));
            QFAIL("a file was reported written on a full disk");
        } catch (const BankLineError& e) {
            QVERIFY2(e.message().contains(QString::fromLocal8Bit(strerror(ENOSPC))),
                     qPrintable(e.message()));
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("old\r\n"));
    }

    void lineTooLongForTheList_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("fits");
        QTest::newRow("100") << 100 << true;
        QTest::newRow("101") << 101 << false;
    }

    void lineTooLongForTheList()
    {
        QFETCH(int, length);
        QFETCH(bool, fits);
        const QString line(length, u'7');
        if (fits) {
            CheckListLine(line);
            return;
        }
        try {
            CheckListLine(line);
            QFAIL("an over-long line was accepted");
        } catch (const BankLineError& e) {
            QVERIFY(e.message().contains(QStringLiteral("طول ركورد")));
            QVERIFY(!e.message().contains(QLatin1String("txt")));
        }
    }

    void fixedLayouts()
    {
        QCOMPARE(Date6(1403, 1, 5), QStringLiteral("030105"));
        QCOMPARE(Date6(99, 12, 30), QStringLiteral("991230"));
        const QString header = TejaratHeader("12345", "1,500,000", Date6(1403, 1, 5));
        QCOMPARE(header, QStringLiteral("00000123450000001500000030105"));
        QCOMPARE(header.size(), 29);
        QCOMPARE(SepahLine("123", "1,000"), QStringLiteral("00000000001230000001000+1"));
        QCOMPARE(SepahLine("123", "1").size(), 25);
        QCOMPARE(SepahHeader("987"), QStringLiteral("00000000009870000000000+1"));
        QCOMPARE(Sepah2Line("0123", "4567", "89"), QStringLiteral("012300004567000000000089+"));
        QCOMPARE(Sepah2Line("", "4567", "89"), QStringLiteral("00004567000000000089+"));
    }

    void fixedLayoutsRefuseOverWideValues_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("amount");
        QTest::newRow("tejarat account") << 0 << "12345678901"
                                         << "1";
        QTest::newRow("tejarat amount") << 0 << "1"
                                        << "12345678901234";
        QTest::newRow("sepah account") << 1 << "12345678901234"
                                       << "1";
        QTest::newRow("sepah amount") << 1 << "1"
                                      << "12345678901";
        QTest::newRow("sepah2 account") << 2 << "123456789"
                                        << "1";
        QTest::newRow("sepah2 amount") << 2 << "1"
                                       << "1234567890123";
    }

    void fixedLayoutsRefuseOverWideValues()
    {
        QFETCH(int, layout);
        QFETCH(QString, account);
        QFETCH(QString, amount);
        try {
            if (layout == 0)
                TejaratLine(account, amount, "030105");
            else if (layout == 1)
                SepahLine(account, amount);
            else
                Sepah2Line("1234", account, amount);
            QFAIL("an over-wide value was accepted");
        } catch (const BankLineError& e) {
            QVERIFY(e.message().contains(account.size() > 8 ? account : amount));
        }
    }

    void clipboardRows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("lastAmount");
        QTest::newRow("crlf") << "1\t10\r\n2\t20\r\n" << 2 << "20";
        QTest::newRow("lf only") << "1\t10\n2\t20\n" << 2 << "20";
        QTest::newRow("cr only") << "1\t10\r2\t20\r" << 2 << "20";
        QTest::newRow("no final end") << "1\t10\r\n2\t20" << 2 << "20";
        QTest::newRow("three columns") << "1\t10\tx\r\n" << 1 << "10";
        QTest::newRow("empty") << "" << 0 << "";
    }

    void clipboardRows()
    {
        QFETCH(QString, text);
        QFETCH(int, rows);
        QFETCH(QString, lastAmount);
        const auto r = SplitClipboardRows(text);
        QCOMPARE(r.size(), rows);
        if (rows)
            QCOMPARE(r.last().value(1), lastAmount);
    }
};

QTEST_MAIN(TestBankLines)
#include "test_banklines.moc"
