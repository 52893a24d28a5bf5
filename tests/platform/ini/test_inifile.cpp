#include "platform/ini/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestIniFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    static QByteArray readAll(const QString& fileName)
    {
        QFile f(fileName);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeAll(const QString& fileName, const QByteArray& bytes)
    {
        QFile f(fileName);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private slots:
    void missingFileIsEmpty()
    {
        IniFile ini(path("none.ini"));
        QVERIFY(ini.sections().isEmpty());
        QCOMPARE(ini.readString("A", "b", "def"), QString("def"));
        QCOMPARE(ini.readInteger("A", "b", 7), 7);
        QVERIFY(!QFile::exists(path("none.ini")));
    }

    void orderAndCaseKept()
    {
        const QString file = path("order.ini");
        {
            IniFile ini(file);
            ini.writeString("Zeta", "Second", "2");
            ini.writeString("Alpha", "First", "1");
            ini.writeString("zeta", "first", "1");
            ini.writeString("ZETA", "SECOND", "two"); // same key, other case
            ini.save();
        }
        IniFile ini(file);
        QCOMPARE(ini.sections(), QStringList({"Zeta", "Alpha"}));
        QCOMPARE(ini.keys("zeta"), QStringList({"Second", "first"}));
        QCOMPARE(ini.readString("zEtA", "second"), QString("two"));
        QCOMPARE(readAll(file), QByteArray("[Zeta]\nSecond=two\nfirst=1\n\n[Alpha]\nFirst=1\n"));
    }

    void persianNamesAndValues()
    {
        const QString file = path("fa.ini");
        const QString section = QString::fromUtf8("DATA_FORMATS_نام");
        const QString key = QString::fromUtf8("شماره پرسنلی");
        const QString value = QString::fromUtf8("ی ك ۱۲۳");
        {
            IniFile ini(file);
            ini.writeString(section, key, value);
            ini.save();
        }
        QVERIFY(readAll(file).contains(value.toUtf8()));
        IniFile ini(file);
        QCOMPARE(ini.readString(section, key), value);
    }

    void valuesRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("plain") << QString("abc");
        QTest::newRow("leading blank") << QString(" a");
        QTest::newRow("trailing blank") << QString("a ");
        QTest::newRow("only blanks") << QString("   ");
        QTest::newRow("sentinel") << QString("''");
        QTest::newRow("double quotes") << QString("\"\"");
        QTest::newRow("quoted word") << QString("\"x\"");
        QTest::newRow("one quote") << QString("\"");
        QTest::newRow("inner quotes") << QString("a\"b'c");
        QTest::newRow("equals") << QString("a=b;c");
        QTest::newRow("tab") << QString("\t");
        QTest::newRow("separator text") << QString("#9");
        QTest::newRow("blanks, equals and quotes") << QString(" a=\"b\" ");
        QTest::newRow("single-quoted word") << QString("'x'");
        QTest::newRow("equals first") << QString("=x");
    }
    void valuesRoundTrip()
    {
        QFETCH(QString, value);
        const QString file = path("values.ini");
        QFile::remove(file);
        {
            IniFile ini(file);
            ini.writeString("S", "K", value);
            ini.save();
        }
        IniFile ini(file);
        QCOMPARE(ini.readString("S", "K", "missing"), value);
    }

    void readsForeignFiles()
    {
        const QString file = path("foreign.ini");
        writeAll(file,
                 QByteArray("\xEF\xBB\xBF; comment\r\n[One]\r\n  Key1 =  spaced  \r\n"
                            "Key2='single'\r\nnoequals\r\n[two]\r\nn=-12\r\nh=$1F\r\nbad=12x\r\n"
                            "b1=5\r\nb2=0\r\nb3=True\r\n[ONE]\r\nKey3=merged\r\n"));
        IniFile ini(file);
        QCOMPARE(ini.sections(), QStringList({"One", "two"}));
        QCOMPARE(ini.readString("one", "key1"), QString("spaced"));
        QCOMPARE(ini.readString("one", "Key2"), QString("single"));
        QCOMPARE(ini.readString("one", "Key3"), QString("merged"));
        QCOMPARE(ini.keys("One"), QStringList({"Key1", "Key2", "Key3"}));
        QCOMPARE(ini.readInteger("two", "n", 0), -12);
        QCOMPARE(ini.readInteger("two", "h", 0), 31);
        QCOMPARE(ini.readInteger("two", "bad", 99), 99);
        QVERIFY(ini.readBool("two", "b1", false));
        QVERIFY(!ini.readBool("two", "b2", true));
        QVERIFY(ini.readBool("two", "b3", false));
        QVERIFY(ini.readBool("two", "absent", true));
    }

    // What a file says is what its saved copy says.
    void savedCopyReadsTheSame_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("quoted key holding =") << QByteArray("[S]\n\"k=\"=w\n");
        QTest::newRow("quoted key, = after") << QByteArray("[S]\n\" k \" = v\n");
        QTest::newRow("quote inside key") << QByteArray("[S]\n'a'b=c\n");
    }
    void savedCopyReadsTheSame()
    {
        QFETCH(QByteArray, bytes);
        const QString file = path("copy.ini");
        writeAll(file, bytes);
        const auto contents = [](const IniFile& ini) {
            QStringList out;
            for (const QString& s : ini.sections())
                for (const QString& k : ini.keys(s))
                    out << s << k << ini.readString(s, k);
            return out;
        };
        IniFile ini(file);
        const QStringList before = contents(ini);
        QVERIFY(!before.isEmpty());
        ini.save();
        QCOMPARE(contents(IniFile(file)), before);
    }

    void savedBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("crlf") << QByteArray("; c\r\n[A]\r\nk=v\r\n")
                              << QByteArray("; c\n[A]\nk=v\n");
        QTest::newRow("cr before crlf") << QByteArray("x \n= 2c #\r\r\n[A]\r\r\n# n\r\r\n")
                                        << QByteArray("x \n= 2c #\n[A]\n# n\n");
        QTest::newRow("cr inside a line")
            << QByteArray("[A]\n;a\rb\n") << QByteArray("[A]\n;a\rb\n");
        // Marks an editor added again and again: all of them go, or the next load reads
        // one of them as the mark and the file saves differently.
        QTest::newRow("three byte-order marks")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF[A]\nk=v\n")
            << QByteArray("[A]\nk=v\n");
        QTest::newRow("two marks before a comment")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF; c\n[A]\n") << QByteArray("; c\n[A]\n");
    }
    void savedBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, saved);
        const QString file = path("bytes.ini");
        writeAll(file, bytes);
        IniFile(file).save();
        QCOMPARE(readAll(file), saved);
        IniFile(file).save();
        QCOMPARE(readAll(file), saved);
    }

    void commentsSurviveSave()
    {
        const QString file = path("comments.ini");
        writeAll(file, QByteArray("; head\n[A]\n# note\nk=v\n"));
        {
            IniFile ini(file);
            ini.writeString("A", "k2", "v2");
            ini.save();
        }
        QCOMPARE(readAll(file), QByteArray("; head\n[A]\n# note\nk=v\nk2=v2\n"));
    }

    void eraseAndDelete()
    {
        IniFile ini(path("erase.ini"));
        ini.writeString("A", "x", "1");
        ini.writeString("B", "y", "2");
        ini.writeString("B", "z", "3");
        ini.eraseSection("a");
        ini.deleteKey("b", "Y");
        QCOMPARE(ini.sections(), QStringList({"B"}));
        QCOMPARE(ini.keys("B"), QStringList({"z"}));
        QVERIFY(!ini.keyExists("B", "y"));
        ini.writeString("A", "x", "again");
        QCOMPARE(ini.sections(), QStringList({"B", "A"}));
    }

    void duplicatesReadAsTheirFirstLine()
    {
        const QString file = path("dup.ini");
        writeAll(file, "[A]\nk=1\nK=2\n\n[b]\nx=1\n[a]\nk=3\nz=4\n\n\n[C]\nc=1\n");
        IniFile ini(file);
        QCOMPARE(ini.keys("a"), QStringList({"k", "z"}));
        QCOMPARE(ini.readString("a", "K"), QString("1"));
        ini.deleteKey("A", "k");
        QCOMPARE(ini.readString("A", "k"), QString("2"));
        ini.deleteKey("A", "k");
        QCOMPARE(ini.readString("A", "k"), QString("3"));
        QCOMPARE(ini.readString("A", "z"), QString("4"));
        ini.writeString("A", "new", "5"); // before the blank lines that end the section
        ini.writeString("a", "Z", "6");
        QCOMPARE(ini.keys("A"), QStringList({"k", "z", "new"}));
        QCOMPARE(ini.readString("A", "z"), QString("6"));
        ini.eraseSection("B");
        QCOMPARE(ini.readString("c", "C"), QString("1"));
        ini.writeString("b", "y", "7");
        QCOMPARE(ini.sections(), QStringList({"A", "C", "b"}));
        QCOMPARE(ini.readString("B", "Y"), QString("7"));
        QCOMPARE(ini.readString("A", "NEW"), QString("5"));
    }

    // Thousands of sections and keys, as a crafted template may hold.
    void manyNames()
    {
        QByteArray bytes("[keys]\n");
        for (int i = 0; i < 50000; ++i)
            bytes += "k" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\n";
        for (int i = 0; i < 50000; ++i)
            bytes += "[s" + QByteArray::number(i) + "]\n";
        const QString file = path("many.ini");
        writeAll(file, bytes);
        IniFile ini(file);
        QCOMPARE(ini.sections().size(), 50001);
        const QStringList keys = ini.keys("keys");
        QCOMPARE(keys.size(), 50000);
        for (int i = 0; i < keys.size(); i += 997)
            QCOMPARE(ini.readInteger("keys", keys.at(i), -1), i);
        QVERIFY(ini.sectionExists("S49999"));
    }

    void refusesNamesThatCannotRoundTrip_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("key with =") << "S"
                                    << "a=b"
                                    << "";
        QTest::newRow("section with ]") << "S]"
                                        << "a"
                                        << "";
        QTest::newRow("line break in value") << "S"
                                             << "a"
                                             << "x\ny";
    }
    void refusesNamesThatCannotRoundTrip()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        IniFile ini(path("refuse.ini"));
        QVERIFY_THROWS_EXCEPTION(IniError, ini.writeString(section, key, value));
        QVERIFY(ini.sections().isEmpty());
    }

    void keysRoundTrip_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("like comment") << QString(";a");
        QTest::newRow("like hash comment") << QString("#a");
        QTest::newRow("like section") << QString("[a]");
        QTest::newRow("empty") << QString();
        QTest::newRow("blank around") << QString(" a ");
        QTest::newRow("sentinel") << QString("''");
        QTest::newRow("persian") << QString::fromUtf8("بلی");
    }
    void keysRoundTrip()
    {
        QFETCH(QString, key);
        const QString file = path("keys.ini");
        QFile::remove(file);
        {
            IniFile ini(file);
            ini.writeString("NULL_VALUES", "before", "");
            ini.writeString("NULL_VALUES", key, "v");
            ini.save();
        }
        IniFile ini(file);
        QCOMPARE(ini.keys("NULL_VALUES"), QStringList({"before", key}));
        QCOMPARE(ini.readString("NULL_VALUES", key), QString("v"));
    }

    void unwritableFileReports()
    {
        IniFile ini(path("no/such/folder/x.ini"));
        ini.writeString("A", "b", "c");
        QVERIFY_THROWS_EXCEPTION(IniError, ini.save());
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_inifile.moc"
