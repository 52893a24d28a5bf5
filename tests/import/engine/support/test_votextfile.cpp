#include "import/engine/support/CodePages.h"
#include "import/engine/support/VoTextFile.h"
#include "platform/codepage/CodePage.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray utf16le(const QString& s)
{
    QByteArray b;
    for (QChar c : s) {
        b.append(char(c.unicode() & 0xFF));
        b.append(char(c.unicode() >> 8));
    }
    return b;
}

QByteArray utf16be(const QString& s)
{
    QByteArray b;
    for (QChar c : s) {
        b.append(char(c.unicode() >> 8));
        b.append(char(c.unicode() & 0xFF));
    }
    return b;
}

QByteArray utf32(const QString& s, bool bigEndian)
{
    QByteArray b;
    for (char32_t cp : s.toUcs4()) {
        const char bytes[4] = {char(cp & 0xFF), char((cp >> 8) & 0xFF), char((cp >> 16) & 0xFF),
                               char(cp >> 24)};
        for (int k = 0; k < 4; ++k)
            b.append(bytes[bigEndian ? 3 - k : k]);
    }
    return b;
}

QStringList readAll(const QString& name, int codePage = 0, int bufferSize = 0,
                    bool setAfterReset = false)
{
    TVoTextFile file(name, TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    file.Reset(0, bufferSize, setAfterReset ? 0 : codePage);
    if (setAfterReset)
        file.SetCodepage(codePage);
    QStringList lines;
    QString line;
    while (!file.EndOfFile()) {
        file.ReadLine(line);
        lines << line;
    }
    return lines;
}

} // namespace

class TestVoTextFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void byteOrderMarks_data();
    void byteOrderMarks();
    void lineEndsInEveryEncoding_data();
    void lineEndsInEveryEncoding();
    void wideLineEnds_data();
    void wideLineEnds();
    void acceptedLineEnds();
    void lineEndsAtEveryBufferEdge_data();
    void lineEndsAtEveryBufferEdge();
    void readsLines_data();
    void readsLines();
    void utf8Detection_data();
    void utf8Detection();
    void cp936LineLongerThanBuffers_data();
    void cp936LineLongerThanBuffers();
    void pageWithoutConversionKeepsBytes();
    void writeRoundTrip_data();
    void writeRoundTrip();
    void writeRefusesUnrepresentable();
    void overlongLineNamed_data();
    void overlongLineNamed();
    void missingFile();

private:
    QString write(const QByteArray& bytes);
    QTemporaryDir m_dir;
    int m_n = 0;
};

void TestVoTextFile::init()
{
    QVERIFY(m_dir.isValid());
}

QString TestVoTextFile::write(const QByteArray& bytes)
{
    const QString name = m_dir.filePath(QStringLiteral("f%1.txt").arg(++m_n));
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write fixture");
    return name;
}

void TestVoTextFile::byteOrderMarks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("codePage");
    const QString text = QString::fromUtf8("سلام\r\nx");
    QTest::newRow("utf-8") << QByteArray("\xef\xbb\xbf") + text.toUtf8() << 65001;
    QTest::newRow("utf-16le") << QByteArray("\xff\xfe") + utf16le(text) << 1200;
    QTest::newRow("utf-16be") << QByteArray("\xfe\xff") + utf16be(text) << 1201;
    QTest::newRow("utf-32le") << QByteArray("\xff\xfe\x00\x00", 4) + utf32(text, false) << 12000;
    QTest::newRow("utf-32be") << QByteArray("\x00\x00\xfe\xff", 4) + utf32(text, true) << 12001;
}

void TestVoTextFile::byteOrderMarks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, codePage);
    const QString name = write(bytes);
    const QStringList expected{QString::fromUtf8("سلام"), QStringLiteral("x")};
    QCOMPARE(readAll(name), expected);
    // The mark wins over the page the reader chose, before or after the reset.
    QCOMPARE(readAll(name, 1256), expected);
    QCOMPARE(readAll(name, CodePageByIndex(ctCp1252), 0, true), expected);

    TVoTextFile file(name);
    file.Reset();
    QVERIFY(file.HasByteOrderMark());
    QCOMPARE(file.Codepage(), codePage);
    QVERIFY(file.IsUnicode());
}

void TestVoTextFile::lineEndsInEveryEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QStringList>("lines");
    const QString text = QString::fromUtf8("a\nب\r\nc\rd\n\re\n");
    // 8-bit pages and UTF-8: CR LF, LF and CR end a line; LF CR is one line end.
    const QStringList narrow{"a", QString::fromUtf8("ب"), "c", "d", "e"};
    // UTF-16 and UTF-32 that use CR LF: only CR LF ends a line.
    const QStringList wide{QString::fromUtf8("a\nب"), "c\rd\n\re\n"};
    QTest::newRow("cp1256") << text.toUtf8().replace("\xd8\xa8", "\xc8") << 1256 << narrow;
    QTest::newRow("utf-8") << text.toUtf8() << 65001 << narrow;
    QTest::newRow("utf-16 marked") << QByteArray("\xff\xfe") + utf16le(text) << 0 << wide;
    QTest::newRow("utf-16 by page") << utf16le(text) << 1200 << wide;
    QTest::newRow("utf-16be marked") << QByteArray("\xfe\xff") + utf16be(text) << 0 << wide;
    QTest::newRow("utf-32 marked")
        << QByteArray("\xff\xfe\x00\x00", 4) + utf32(text, false) << 0 << wide;
    QTest::newRow("utf-32 by page") << utf32(text, false) << 12000 << wide;
}

void TestVoTextFile::lineEndsInEveryEncoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, codePage);
    QFETCH(QStringList, lines);
    QCOMPARE(readAll(write(bytes), codePage), lines);
    // Small buffers put line ends across buffer edges.
    QCOMPARE(readAll(write(bytes), codePage, 8), lines);
}

void TestVoTextFile::wideLineEnds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    // A spreadsheet's Unicode text: a cell's line break is a lone LF inside its record.
    QTest::newRow("cell with a line break")
        << QString::fromUtf8("نام\tمبلغ\r\n\"علی\nرضا\"\t100\r\nسارا\t200\r\n")
        << QStringList{QString::fromUtf8("نام\tمبلغ"), QString::fromUtf8("\"علی\nرضا\"\t100"),
                       QString::fromUtf8("سارا\t200")};
    QTest::newRow("lone cr kept") << QStringLiteral("a\rb\r\nc") << QStringList{"a\rb", "c"};
    QTest::newRow("lf cr is no line end")
        << QStringLiteral("a\n\rb\r\nc") << QStringList{"a\n\rb", "c"};
    QTest::newRow("line separator")
        << QStringLiteral("a\nb") + QChar(0x2028) + "c\r\nd" << QStringList{"a\nb", "c", "d"};
    // A file without CR LF ends its lines at LF; a lone CR stays.
    QTest::newRow("lf only") << QStringLiteral("a\nb\rc\n\nd") << QStringList{"a", "b\rc", "", "d"};
    // Only the start of the file is looked at: a CR LF past it does not make it a CR LF file.
    const QString longLine(40000, u'x');
    QTest::newRow("cr lf past the start")
        << longLine + "\n" + longLine + "\r\nz" << QStringList{longLine, longLine, "z"};
    // In UTF-32 this CR LF ends 4 bytes before the end of the start.
    QTest::newRow("cr lf near the end of the start")
        << QString(16382, u'y') + "\r\na\nb" << QStringList{QString(16382, u'y'), "a\nb"};
}

void TestVoTextFile::wideLineEnds()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    const QList<QByteArray> files{QByteArray("\xff\xfe") + utf16le(text), utf16be(text),
                                  QByteArray("\xff\xfe\x00\x00", 4) + utf32(text, false),
                                  utf32(text, true)};
    const int pages[] = {0, 1201, 0, 12001};
    for (int i = 0; i < files.size(); ++i) {
        const QString name = write(files[i]);
        QCOMPARE(readAll(name, pages[i], 0, true), lines);
        QCOMPARE(readAll(name, pages[i], 8, true), lines);
        QCOMPARE(readAll(name, pages[i], 4099, true), lines);
    }
}

void TestVoTextFile::lineEndsAtEveryBufferEdge_data()
{
    QTest::addColumn<int>("codePage");
    QTest::newRow("cp1256") << 1256;
    QTest::newRow("utf-8") << 65001;
    QTest::newRow("utf-16") << 1200;
    QTest::newRow("utf-32be") << 12001;
}

void TestVoTextFile::lineEndsAtEveryBufferEdge()
{
    // Every buffer size from the smallest moves each line end, each CR LF pair and each
    // multi-byte character across a refill somewhere; lines longer than a buffer included.
    // Arabic yeh, which CP1256 holds.
    QFETCH(int, codePage);
    const QStringList lines{QString::fromUtf8("علي,رضايي"),
                            "",
                            "x",
                            QString::fromUtf8("محمد حسيني کريمي 123"),
                            QString(40, u'a') + QString::fromUtf8("ب"),
                            ""};
    const char* ends[] = {"\r\n", "\n", "\r", "\r\n", "\n\r", "\r\n"};
    QString text;
    for (int i = 0; i < lines.size(); ++i)
        text += lines[i] + QString::fromLatin1(ends[i]);
    text += QStringLiteral("end");
    QByteArray bytes;
    if (codePage == 1200)
        bytes = utf16le(text);
    else if (codePage == 12001)
        bytes = utf32(text, true);
    else
        bytes = codepage::encode(codePage, text);
    const QString name = write(bytes);
    // UTF-16 and UTF-32 end their lines at CR LF only.
    const QStringList expected = codePage == 1200 || codePage == 12001
                                     ? text.split(QStringLiteral("\r\n"))
                                     : lines + QStringList{"end"};
    for (int size = 8; size <= 40; ++size)
        QCOMPARE(readAll(name, codePage, size), expected);
    QCOMPARE(readAll(name, codePage), expected);
}

void TestVoTextFile::acceptedLineEnds()
{
    const QString name =
        write(utf16le(QStringLiteral("a\nb\r\nc") + QChar(0x2028) + QStringLiteral("d")));
    TVoTextFile file(name);
    file.Reset(0, 0, 1200);
    file.SetAcceptedLineEnds(TVoTextFile::leCRLF | TVoTextFile::leLineSeparator);
    QString line;
    file.ReadLine(line);
    QCOMPARE(line, QStringLiteral("a\nb"));
    file.ReadLine(line);
    QCOMPARE(line, QStringLiteral("c"));
    file.ReadLine(line);
    QCOMPARE(line, QStringLiteral("d"));
    QVERIFY(file.EndOfFile());
}

void TestVoTextFile::readsLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("codePage"); // set after the reset, as the text reader does
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<QStringList>("lines");
    const QString r(QChar(0xFFFD));
    // "پرداخت حقوق" and a Latin line, no mark.
    const QByteArray payroll("\x81\xd1\xcf\xc7\xce\xca \xcd\xde\xe6\xde\r\nabc", 16);
    const QStringList payrollLines{QString::fromUtf8("پرداخت حقوق"), "abc"};
    QTest::newRow("cp1256") << payroll << 1256 << 0 << payrollLines;
    QTest::newRow("system page") << payroll << CodePageByIndex(ctWinDefined) << 0 << payrollLines;
    QTest::newRow("utf-8 mark only") << QByteArray("\xef\xbb\xbf") << 0 << 0 << QStringList();
    QTest::newRow("ebcdic keeps lf at 0x25")
        << QByteArray("\xc1\x25\xc2\x0d\x25\xc3", 6) << 500 << 0 << QStringList{"A", "B", "C"};
    const QString beyond = QString::fromUtf8("a😀b\n𝄞");
    const QStringList beyondLines{QString::fromUtf8("a😀b"), QString::fromUtf8("𝄞")};
    QTest::newRow("utf-16 pairs") << QByteArray("\xff\xfe") + utf16le(beyond) << 0 << 8
                                  << beyondLines;
    QTest::newRow("utf-32 beyond the bmp")
        << QByteArray("\xff\xfe\x00\x00", 4) + utf32(beyond, false) << 0 << 8 << beyondLines;
    QTest::newRow("utf-8 four bytes") << beyond.toUtf8() << 65001 << 8 << beyondLines;
    QTest::newRow("bad utf-8") << QByteArray("a\xff"
                                             "b\r\n\xe2\x80",
                                             7)
                               << 65001 << 0 << QStringList{"a" + r + "b", r};
    QTest::newRow("odd utf-16") << QByteArray("\xff\xfe"
                                              "a\0b",
                                              5)
                                << 0 << 0 << QStringList{"a" + r};
    QTest::newRow("cut cp936") << QByteArray("\xd6\xd0\xd6", 3) << 936 << 0
                               << QStringList{QString::fromUtf8("中") + r};
    // A file cut inside its last character: the line before keeps its text.
    const QByteArray lf("\xff\xfe"
                        "a\0\n\0b",
                        7);
    const QByteArray crlf("\xff\xfe"
                          "a\0\r\0\n\0b",
                          9);
    const QStringList cut{"a", r};
    QTest::newRow("cut utf-16 after lf") << lf << 0 << 0 << cut;
    QTest::newRow("cut utf-16 after lf, small buffer") << lf << 0 << 8 << cut;
    QTest::newRow("cut utf-16 after cr lf") << crlf << 0 << 0 << cut;
    QTest::newRow("cut utf-16 after cr lf, small buffer") << crlf << 0 << 9 << cut;
    QTest::newRow("cut utf-32 after lf") << QByteArray("\xff\xfe\0\0"
                                                       "a\0\0\0\n\0\0\0b\0",
                                                       14)
                                         << 0 << 0 << cut;
}

void TestVoTextFile::readsLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, codePage);
    QFETCH(int, bufferSize);
    QFETCH(QStringList, lines);
    QCOMPARE(readAll(write(bytes), codePage, bufferSize, true), lines);
}

void TestVoTextFile::utf8Detection_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("codePage");
    const QByteArray salam = QString::fromUtf8("سلام").toUtf8();
    QTest::newRow("utf-8 text") << QByteArray("a,") + salam << codepage::Utf8;
    QTest::newRow("plain ascii stays ansi") << QByteArray("a,b\r\nc") << codepage::SystemAnsi;
    QTest::newRow("cp1256 bytes") << QByteArray("\xd3\xe1\xc7\xe3") << codepage::SystemAnsi;
    QTest::newRow("lead byte at the end only") << QByteArray("abc\xd3") << codepage::SystemAnsi;
    QTest::newRow("overlong form") << QByteArray("\xc0\xaf") << codepage::SystemAnsi;
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << codepage::SystemAnsi;
    // The probe ends inside a sequence; what it saw before is UTF-8.
    QTest::newRow("sequence cut by the probe")
        << salam + QByteArray(65536 - salam.size() - 1, 'x') + salam << codepage::Utf8;
    QTest::newRow("bad byte past the probe")
        << salam + QByteArray(70000, 'x') + "\xd3" << codepage::Utf8;
    // UTF-16 without a mark shows by its zero bytes, in either order.
    const QString line = QString::fromUtf8("علی,12\r\nرضا,7\r\n");
    QTest::newRow("utf-16 little-endian") << utf16le(line) << codepage::Utf16LE;
    QTest::newRow("utf-16 big-endian") << utf16be(line) << codepage::Utf16BE;
    QTest::newRow("latin utf-16 little-endian") << utf16le("a,b\r\n") << codepage::Utf16LE;
    QTest::newRow("a stray zero byte in ansi text")
        << QByteArray("abcdefgh\0ijklmnopqrstuvwxyz0123456789") << codepage::SystemAnsi;
    QTest::newRow("zeros on both sides") << QByteArray("a\0\0\0b\0\0\0", 8) << codepage::SystemAnsi;
}

void TestVoTextFile::utf8Detection()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, codePage);
    TVoTextFile file(write(bytes), TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    file.Reset(TVoTextFile::tfDetectUnicode, 0, 0);
    QCOMPARE(file.Codepage(), codePage);
    // A small buffer sees the same start of the file.
    TVoTextFile small(write(bytes), TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    small.Reset(TVoTextFile::tfDetectUnicode, 16, 0);
    QCOMPARE(small.Codepage(), codePage);
    // A chosen page is never second-guessed.
    TVoTextFile chosen(write(bytes), TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    chosen.Reset(TVoTextFile::tfDetectUnicode, 0, 1256);
    QCOMPARE(chosen.Codepage(), 1256);
    // Asked for UTF-8 alone, UTF-16 is not looked for.
    TVoTextFile utf8Only(write(bytes), TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    utf8Only.Reset(TVoTextFile::tfDetectUtf8, 0, 0);
    QCOMPARE(utf8Only.Codepage(), codePage == codepage::Utf8 ? codePage : codepage::SystemAnsi);
}

void TestVoTextFile::cp936LineLongerThanBuffers_data()
{
    QTest::addColumn<int>("bufferSize");
    QTest::newRow("default buffer") << 0;
    QTest::newRow("odd small buffer") << 13;
}

void TestVoTextFile::cp936LineLongerThanBuffers()
{
    // Two-byte characters cross every buffer edge; none may break.
    QFETCH(int, bufferSize);
    QString line;
    for (int i = 0; i < 50000; ++i)
        line += (i % 3 == 2) ? QStringLiteral("x") : QString::fromUtf8("中文");
    // A leading ASCII byte makes characters straddle even chunk edges too.
    const QByteArray bytes =
        QByteArray("x") + codepage::encode(936, line) + "\r\n" + codepage::encode(936, u"尾");
    QVERIFY(bytes.size() > 2 * TVoHugeFile::DefaultBufferSize);
    const QStringList lines = readAll(write(bytes), 936, bufferSize);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QStringLiteral("x") + line);
    QCOMPARE(lines[1], QString::fromUtf8("尾"));
}

void TestVoTextFile::pageWithoutConversionKeepsBytes()
{
    // A page without a conversion reads byte for character, so nothing is lost.
    const QByteArray bytes("\xa1\xff\x80z\r\n\x01", 7);
    const QString name = write(bytes);
    QCOMPARE(readAll(name, -1, 0, true),
             (QStringList{QString::fromLatin1("\xa1\xff\x80z"), QString::fromLatin1("\x01")}));

    const QString out = m_dir.filePath(QStringLiteral("raw-out.txt"));
    {
        TVoTextFile file(out);
        file.Rewrite(0, 0, -1);
        file.WriteLine(QString::fromLatin1("\xa1\xff\x80z"));
        file.WriteString(QString::fromLatin1("\x01"));
        QVERIFY_THROWS_EXCEPTION(EVoTextFile, file.WriteString(QString::fromUtf8("ی")));
    }
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), bytes);
}

void TestVoTextFile::writeRoundTrip_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    const QString persian = QString::fromUtf8("علی پژوهش گچ");
    QTest::newRow("cp1256 yeh and persian letters")
        << 1256 << 0 << persian
        << QByteArray("\xda\xe1\xed\r\n\x81\x8e\xe6\xe5\xd4\r\n\x90\x8d\r\n");
    QTest::newRow("cp1256 cr only") << 1256 << int(TVoTextFile::tfCROnly) << persian
                                    << QByteArray("\xda\xe1\xed\r\x81\x8e\xe6\xe5\xd4\r\x90\x8d\r");
    QTest::newRow("utf-8") << 65001 << 0 << QStringLiteral("a\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("utf-8 line separator") << 65001 << int(TVoTextFile::tfUnicodeLineSeparator)
                                          << QStringLiteral("a") << QByteArray("a\xe2\x80\xa8");
    QTest::newRow("utf-16") << 1200 << 0 << QStringLiteral("a") << QByteArray("a\0\r\0\n\0", 6);
    QTest::newRow("utf-16be") << 1200 << int(TVoTextFile::tfSwapped) << QStringLiteral("a")
                              << QByteArray("\0a\0\r\0\n", 6);
    QTest::newRow("utf-32 pair") << 12000 << 0 << QString::fromUtf8("😀")
                                 << QByteArray("\x00\xf6\x01\x00\r\0\0\0\n\0\0\0", 12);
}

void TestVoTextFile::writeRoundTrip()
{
    QFETCH(int, codePage);
    QFETCH(int, flags);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const QString name = m_dir.filePath(QStringLiteral("out%1.txt").arg(++m_n));
    {
        TVoTextFile file(name);
        file.Rewrite(flags, 0, codePage);
        for (const QString& line : text.split(QLatin1Char(text.contains(u' ') ? ' ' : '\n')))
            file.WriteLine(line);
    }
    QFile f(name);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), bytes);
}

void TestVoTextFile::writeRefusesUnrepresentable()
{
    const QString name = m_dir.filePath(QStringLiteral("refuse.txt"));
    TVoTextFile file(name);
    file.Rewrite(0, 0, 1256);
    file.WriteString(QStringLiteral("ok"));
    try {
        file.WriteString(QString::fromUtf8("ab\u03A9"));
        QFAIL("no error");
    } catch (const EVoTextFile& e) {
        QVERIFY(e.message().contains(QStringLiteral("U+03A9")));
        QVERIFY(e.message().contains(name));
    }
    file.Close();
    QFile f(name);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("ok"));
}

void TestVoTextFile::overlongLineNamed_data()
{
    QTest::addColumn<int>("bufferSize");
    QTest::newRow("line within one buffer") << 0;
    QTest::newRow("line over many buffers") << 8;
}

void TestVoTextFile::overlongLineNamed()
{
    QFETCH(int, bufferSize);
    TVoTextFile file(write("ok\n" + QByteArray(17, 'x') + "\n" + QByteArray(16, 'y')),
                     TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    file.Reset(0, bufferSize, 1252);
    file.SetMaxLineBytes(16);
    QString line;
    file.ReadLine(line);
    QCOMPARE(line, QStringLiteral("ok"));
    try {
        file.ReadLine(line);
        QFAIL("no error");
    } catch (const EVoTextFile& e) {
        QVERIFY2(e.message().endsWith("Line 2 is longer than 16 bytes"), qPrintable(e.message()));
    }
}

void TestVoTextFile::missingFile()
{
    const QString name = m_dir.filePath(QStringLiteral("missing.txt"));
    TVoTextFile file(name, TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    try {
        file.Reset();
        QFAIL("no error");
    } catch (const EVoTextFile& e) {
        QVERIFY(e.message().startsWith(
            QStringLiteral("TVoTextFile(%1):Failed to reset file.").arg(name)));
        QCOMPARE(e.code(), 2004);
    }
    QVERIFY(!file.IsOpen());
    QVERIFY(!file.EndOfFile());
}

QTEST_MAIN(TestVoTextFile)
#include "test_votextfile.moc"
