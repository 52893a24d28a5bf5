#include "import/engine/support/CodePages.h"
#include "import/engine/support/DurvelUtils.h"
#include "import/engine/support/WideStrings.h"
#include "platform/codepage/CodePage.h"

#include <QTemporaryDir>
#include <QtTest>

class TestDurvelUtils : public QObject
{
    Q_OBJECT

private slots:
    void columnLetters_data();
    void columnLetters();
    void separatorText_data();
    void separatorText();
    void expandTabs_data();
    void expandTabs();
    void splitDelimitedLine_data();
    void splitDelimitedLine();
    void splitWithoutSeparatorLeavesFields();
    void splitIntoVectorAsIntoList_data() { splitDelimitedLine_data(); }
    void splitIntoVectorAsIntoList();
    void everyEntryDecodes_data();
    void everyEntryDecodes();
    void codePageNamesAreWhole();
    void codePageIndexOutsideTable();
    void charSetAndFolders();
    void shortenFileName();
    void valueRules();
};

void TestDurvelUtils::columnLetters_data()
{
    QTest::addColumn<QString>("letters");
    QTest::addColumn<int>("number");
    QTest::newRow("A") << "A" << 1;
    QTest::newRow("Z") << "Z" << 26;
    QTest::newRow("AA") << "AA" << 27;
    QTest::newRow("AZ") << "AZ" << 52;
    QTest::newRow("ZZ") << "ZZ" << 702;
    QTest::newRow("AAA") << "AAA" << 703;
    QTest::newRow("four letters") << "AAAA" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("digit") << "A1" << 0;
}

void TestDurvelUtils::columnLetters()
{
    QFETCH(QString, letters);
    QFETCH(int, number);
    QCOMPARE(ColumnLettersToNumber(letters), number);
}

void TestDurvelUtils::separatorText_data()
{
    QTest::addColumn<QChar>("ch");
    QTest::addColumn<QString>("text");
    QTest::newRow("tab") << QChar(u'\t') << "#9";
    QTest::newRow("space") << QChar(u' ') << "#32";
    QTest::newRow("semicolon") << QChar(u';') << ";";
    QTest::newRow("del") << QChar(127) << QString(QChar(127));
    QTest::newRow("arabic comma") << QChar(0x060C) << "#1548";
    QTest::newRow("nul") << QChar(0) << "#0";
}

void TestDurvelUtils::separatorText()
{
    QFETCH(QChar, ch);
    QFETCH(QString, text);
    QCOMPARE(CharToSepText(ch), text);
    QCOMPARE(SepTextToChar(text, QChar(u'x')), ch);
}

void TestDurvelUtils::expandTabs_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expanded");
    QTest::newRow("at 1") << "\tx" << QString(8, u' ') + "x";
    QTest::newRow("at 8") << "1234567\tx"
                          << "1234567 x";
    QTest::newRow("at 16") << "123456789012345\tx"
                           << "123456789012345 x";
    QTest::newRow("at 9") << "12345678\tx"
                          << "12345678" + QString(8, u' ') + "x";
    QTest::newRow("two") << "a\tb\tc"
                         << "a       b       c";
    QTest::newRow("none") << "abc"
                          << "abc";
}

void TestDurvelUtils::expandTabs()
{
    QFETCH(QString, line);
    QFETCH(QString, expanded);
    ExpandTabs(line);
    QCOMPARE(line, expanded);
}

void TestDurvelUtils::splitDelimitedLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QChar>("quote");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QStringList>("fields");
    const QChar dq(u'"');
    const QChar comma(u',');
    QTest::newRow("quoted separator")
        << "a,\"b,c\",d" << dq << comma << QStringList{"a", "b,c", "d"};
    QTest::newRow("doubled quote")
        << "\"say \"\"hi\"\"\",x" << dq << comma << QStringList{"say \"hi\"", "x"};
    QTest::newRow("text after quote dropped")
        << "\"ab\"cd,e" << dq << comma << QStringList{"ab", "e"};
    QTest::newRow("empty line") << "" << dq << comma << QStringList{""};
    QTest::newRow("trailing separator") << "a,b," << dq << comma << QStringList{"a", "b", ""};
    QTest::newRow("quote inside unquoted") << "a\"b,c" << dq << comma << QStringList{"a\"b", "c"};
    QTest::newRow("no quoting") << "\"a\",b" << QChar() << comma << QStringList{"\"a\"", "b"};
    QTest::newRow("quoted at end") << "x,\"y\"" << dq << comma << QStringList{"x", "y"};
    QTest::newRow("unterminated quote") << "x,\"y,z" << dq << comma << QStringList{"x", "y,z"};
    QTest::newRow("tab and persian")
        << QString::fromUtf8("علی\tرضا") << dq << QChar(u'\t')
        << QStringList{QString::fromUtf8("علی"), QString::fromUtf8("رضا")};
    QTest::newRow("empty quoted") << "\"\",a" << dq << comma << QStringList{"", "a"};
}

void TestDurvelUtils::splitDelimitedLine()
{
    QFETCH(QString, line);
    QFETCH(QChar, quote);
    QFETCH(QChar, separator);
    QFETCH(QStringList, fields);
    TWideStringList list;
    list.Add(QStringLiteral("stale"));
    SplitDelimitedLine(line, quote, separator, list);
    QCOMPARE(list.ToStringList(), fields);
}

void TestDurvelUtils::splitIntoVectorAsIntoList()
{
    QFETCH(QString, line);
    QFETCH(QChar, quote);
    QFETCH(QChar, separator);
    QFETCH(QStringList, fields);
    std::vector<QString> out{QStringLiteral("stale")};
    SplitDelimitedLine(QStringView(line), quote, separator, out);
    QCOMPARE(QStringList(out.begin(), out.end()), fields);
    // An empty field is null, as a character-by-character build left it.
    for (const QString& f : out)
        QCOMPARE(f.isNull(), f.isEmpty());
}

void TestDurvelUtils::splitWithoutSeparatorLeavesFields()
{
    TWideStringList list;
    list.Add(QStringLiteral("kept"));
    SplitDelimitedLine(QStringLiteral("a,b"), QChar(u'"'), QChar(), list);
    QCOMPARE(list.ToStringList(), QStringList{"kept"});
}

void TestDurvelUtils::everyEntryDecodes_data()
{
    // A byte (or sequence) whose character tells the entry's page from any other reading,
    // Latin-1 included.
    const struct
    {
        QByteArray bytes;
        char16_t character;
    } sample[CodePageTableSize] = {
        {QByteArray("\x81", 1), 0x067E},     {QByteArray("\x80", 1), 0x20AC},
        {QByteArray("\xb2", 1), 0x0531},     {QByteArray("\x80", 1), 0xFFFD},
        {QByteArray("\x80", 1), 0x00C7},     {QByteArray("\x85", 1), 0x016F},
        {QByteArray("\x80", 1), 0x0410},     {QByteArray("\x8a", 1), 0x0160},
        {QByteArray("\xc0", 1), 0x0410},     {QByteArray("\x81", 1), 0x067E},
        {QByteArray("\xc0", 1), 0x0104},     {QByteArray("\xd7", 1), 0x0152},
        {QByteArray("\xc0", 1), 0x10D0},     {QByteArray("\xc1", 1), 0x0391},
        {QByteArray("\xe0", 1), 0x05D0},     {QByteArray("\xc0", 1), 0x00E2},
        {QByteArray("\x80", 1), 0x010C},     {QByteArray("\xc1", 1), 0x0430},
        {QByteArray("\xa4", 1), 0x0454},     {QByteArray("\xa1", 1), 0x0104},
        {QByteArray("\xd0", 1), 0x011E},     {QByteArray("\xc0", 1), 0x0104},
        {QByteArray("\x80", 1), 0x00C4},     {QByteArray("\x80", 1), 0x00C4},
        {QByteArray("[", 1), 0x00C4},        {QByteArray("\xd9\xbe", 2), 0x067E},
        {QByteArray("~\x06", 2), 0x067E},    {QByteArray("~\x06\0\0", 4), 0x067E},
        {QByteArray("\xa1", 1), 0x0126},     {QByteArray("\xa2", 1), 0x0138},
        {QByteArray("\xa2", 1), 0x0112},     {QByteArray("\xa2", 1), 0x1E03},
        {QByteArray("\xb0", 1), 0x0410},     {QByteArray("\xc7", 1), 0x0627},
        {QByteArray("\xc1", 1), 0x0041},     {QByteArray("\xd0", 1), 0x011E},
        {QByteArray("\xe0", 1), 0x05D0},     {QByteArray("\xc3", 1), 0x0102},
        {QByteArray("\x80", 1), 0x00C7},     {QByteArray("\xc1", 1), 0x0041},
        {QByteArray("\x80", 1), 0x0391},     {QByteArray("\x80", 1), 0x0452},
        {QByteArray("\x80", 1), 0x05D0},     {QByteArray("\x8d", 1), 0x0131},
        {QByteArray("\x84", 1), 0x00E3},     {QByteArray("\x80", 1), 0x05D0},
        {QByteArray("\x84", 1), 0x00C2},     {QByteArray("\xc7", 1), 0xFE8D},
        {QByteArray("\x9b", 1), 0x00F8},     {QByteArray("\xa4", 1), 0x0391},
        {QByteArray("\xa1", 1), 0x0E01},     {QByteArray("A", 1), 0x0391},
        {QByteArray("\xc1", 1), 0x0041},     {QByteArray("\xa4\xa4", 2), 0x4E2D},
        {QByteArray("\xc7\xd1", 2), 0xD55C}, {QByteArray("\xa4\xa2", 2), 0x3042},
        {QByteArray("\xd6\xd0", 2), 0x4E2D}, {QByteArray("\x82\xa0", 2), 0x3042},
        {QByteArray("\xd0", 1), 0x011E},     {QByteArray("\xa2", 1), 0x0138},
        {QByteArray("\x80", 1), 0x20AC},     {QByteArray("\xc1", 1), 0x0391},
        {QByteArray("\x80", 1), 0x0106},     {QByteArray("\xd5", 1), 0x20AC},
    };
    QTest::addColumn<int>("entry");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    for (int i = 0; i < CodePageTableSize; ++i)
        QTest::addRow("%d %s", i, CodePageTable[size_t(i)].DisplayName)
            << i << sample[i].bytes << QString(QChar(sample[i].character));
}

void TestDurvelUtils::everyEntryDecodes()
{
    QFETCH(int, entry);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(codepage::decode(CodePageByIndex(entry), bytes), text);
}

void TestDurvelUtils::codePageNamesAreWhole()
{
    // Every name's brackets are closed, each once.
    for (int i = 0; i < CodePageTableSize; ++i) {
        const QString name = CodePageDisplayName(i);
        QVERIFY2(name.count(u'(') == name.count(u')') && name.count(u'(') <= 1, qPrintable(name));
    }
    QCOMPARE(CodePageDisplayName(ctLatin2), QStringLiteral("latin2 (ISO 8859-2 Central European)"));
    QCOMPARE(CodePageDisplayName(ctLatin7), QStringLiteral("latin7 (ISO 8859-13 Baltic)"));
}

void TestDurvelUtils::codePageIndexOutsideTable()
{
    for (int index : {-1, 64, 100, 255}) {
        try {
            CodePageByIndex(index);
            QFAIL("no error");
        } catch (const ECodePageError& e) {
            QVERIFY(e.message().contains(QString::number(index)));
        }
    }
}

void TestDurvelUtils::charSetAndFolders()
{
    TDurvelCharBitSet set;
    set.set(' ');
    set.set(255);
    QVERIFY(IsCharInSet(QChar(u' '), set));
    QVERIFY(IsCharInSet(QChar(255), set));
    QVERIFY(!IsCharInSet(QChar(u'a'), set));
    QVERIFY(!IsCharInSet(QChar(0x0120), set)); // same low byte as the space, but wide

    QTemporaryDir dir;
    QVERIFY(FolderExists(dir.path()));
    QVERIFY(!FolderExists(dir.filePath(QStringLiteral("none"))));
    QFile f(dir.filePath(QStringLiteral("file")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(!FolderExists(f.fileName()));
}

void TestDurvelUtils::shortenFileName()
{
    const auto width = [](const QString& s) { return int(s.size()); };
    QString result;
    ShortenFileName(QStringLiteral("/home/user/docs/file.txt"), width, 100, result);
    QCOMPARE(result, QStringLiteral("/home/user/docs/file.txt"));
    ShortenFileName(QStringLiteral("/home/user/docs/file.txt"), width, 20, result);
    QCOMPARE(result, QStringLiteral("/.../docs/file.txt"));
    ShortenFileName(QStringLiteral("/home/user/docs/file.txt"), width, 12, result);
    QCOMPARE(result, QStringLiteral(".../file.txt"));
    // Nothing left to drop: the shortest form is kept even if still too wide.
    ShortenFileName(QStringLiteral("/home/user/docs/file.txt"), width, 3, result);
    QCOMPARE(result, QStringLiteral(".../file.txt"));
    ShortenFileName(QStringLiteral("file.txt"), width, 3, result);
    QCOMPARE(result, QStringLiteral("file.txt"));
}

void TestDurvelUtils::valueRules()
{
    QCOMPARE(AddQuotes(QStringLiteral("x"), QStringLiteral("<"), QStringLiteral(">")),
             QStringLiteral("<x>"));
    QCOMPARE(RemoveQuotes(QStringLiteral("<x>"), QStringLiteral("<"), QStringLiteral(">")),
             QStringLiteral("x"));
    QCOMPARE(RemoveQuotes(QStringLiteral("x>"), QStringLiteral("<"), QStringLiteral(">")),
             QStringLiteral("x"));
    QCOMPARE(RemoveQuotes(QStringLiteral("'x'"), QStringLiteral("''"), QStringLiteral("'")),
             QStringLiteral("'x"));
    QCOMPARE(UpperFirst(QStringLiteral("hELLO wORLD")), QStringLiteral("Hello world"));
    QCOMPARE(UpperFirstWord(QStringLiteral("hELLO  wORLD")), QStringLiteral("HELLO  WORLD"));
    QCOMPARE(UpperFirstWord(QStringLiteral(" ab cd")), QStringLiteral(" Ab Cd"));
    QCOMPARE(RemoveThousandSeparators(QStringLiteral("1,234,567"), QLatin1Char(',')),
             QStringLiteral("1234567"));
}

QTEST_MAIN(TestDurvelUtils)
#include "test_durvelutils.moc"
