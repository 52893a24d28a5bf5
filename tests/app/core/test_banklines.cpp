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

    void lineLayouts_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("fits");
        const QString tejarat = TejaratLine("777", "1,000", "030105");
        const QString sepah = SepahLine("123", "1,000");
        const QString sepah2 = Sepah2Line("0123", "4567", "89");
        const QString tpl = "0012345-0015000+"; // widths 7, "-", 7, "+"
        const QString lines[] = {tejarat, sepah, sepah2, tpl};
        const char* names[] = {"tejarat", "sepah", "sepah2", "template"};
        for (int own = 0; own < 4; ++own)
            for (int other = 0; other < 4; ++other)
                QTest::addRow("%s line in %s", names[other], names[own])
                    << names[own] << lines[other] << (own == other);
        QTest::newRow("tejarat one digit short") << "tejarat" << tejarat.mid(1) << false;
        QTest::newRow("sepah with + only") << "sepah" << sepah.chopped(1) << false;
        QTest::newRow("sepah2 with +1") << "sepah2" << sepah2 + "1" << false;
        QTest::newRow("sepah2 persian digit") << "sepah2"
                                              << "۰" + sepah2.mid(1) << false;
        QTest::newRow("template account wider than its width") << "template"
                                                               << "123456789-0015000+" << true;
        QTest::newRow("template amount short of its width") << "template"
                                                            << "0012345-15000+" << false;
        QTest::newRow("template without its end") << "template"
                                                  << "0012345-0015000" << false;
        QTest::newRow("template first line") << "framed"
                                             << "HEAD" << true;
        QTest::newRow("template line") << "framed"
                                       << "1;5" << true;
        QTest::newRow("another template's first line") << "framed"
                                                       << "HEAD2" << false;
        QTest::newRow("separator taken as it is") << "dotted"
                                                  << "1.5" << true;
        QTest::newRow("separator is no pattern") << "dotted"
                                                 << "1x5" << false;
        QTest::newRow("no separator: at least two digits") << "bare"
                                                           << "15" << true;
        QTest::newRow("no separator: one digit") << "bare"
                                                 << "5" << false;
    }

    void lineLayouts()
    {
        QFETCH(QString, layout);
        QFETCH(QString, line);
        QFETCH(bool, fits);
        BankTemplate t;
        if (layout == "template") {
            t.tol_hesab = "7";
            t.char_split = "-";
            t.tol_price = "7";
            t.char_end = "+";
        } else if (layout == "framed") {
            t.record_start = "HEAD";
            t.char_split = ";";
        } else if (layout == "dotted") {
            t.char_split = ".";
        }
        const LineLayout l = layout == "tejarat"  ? TejaratLayout()
                             : layout == "sepah"  ? SepahLayout()
                             : layout == "sepah2" ? Sepah2Layout()
                                                  : TemplateLayout(t);
        QCOMPARE(l.fits(line), fits);
    }

    void rowsNotFittingAreNumberedInListOrder()
    {
        const QStringList rows = {SepahLine("1", "2"), "", Sepah2Line("0123", "4", "5"),
                                  SepahLine("3", "4"), "x"};
        QCOMPARE(RowsNotFitting(rows, SepahLayout()), (QList<int>{3, 5}));
        QCOMPARE(RowsNotFitting(rows, Sepah2Layout()), (QList<int>{1, 4, 5}));
        const QString message = RowsNotFittingMessage({3, 5});
        QVERIFY(message.contains(QStringLiteral("حذف كل ليست")));
        QVERIFY(message.contains(QStringLiteral("3، 5")));
        QVERIFY(message.startsWith(QStringLiteral("2 ")));
        // A long list names the first rows and says how many there are.
        QList<int> many;
        for (int i = 1; i <= 500; ++i)
            many << i;
        const QString long_ = RowsNotFittingMessage(many);
        QVERIFY(long_.startsWith(QStringLiteral("500 ")));
        QVERIFY(long_.contains(QStringLiteral("10، ...")));
        QVERIFY(!long_.contains(QStringLiteral("11")));
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
