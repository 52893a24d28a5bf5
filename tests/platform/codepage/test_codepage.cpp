#include "platform/codepage/CodePage.h"

#include <QtTest>

using namespace codepage;

class TestCodePage : public QObject
{
    Q_OBJECT

private slots:
    void decodeKnownBytes_data();
    void decodeKnownBytes();
    void persianLettersInCp1256();
    void unrepresentableIsAnError_data();
    void unrepresentableIsAnError();
    void singleBytePagesRoundTrip_data();
    void singleBytePagesRoundTrip();
    void badBytesBecomeReplacement_data();
    void badBytesBecomeReplacement();
    void multiByteRoundTrip_data();
    void multiByteRoundTrip();
    void unicodeBeyondBmp();
    void unsupportedPage();
};

void TestCodePage::decodeKnownBytes_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    // CP720: Arabic letters and box drawing of the DOS page.
    QTest::newRow("cp720 letters") << 720 << QByteArray("\x98\x9f\xa0\xe9\xef", 5)
                                   << QString::fromUtf8("\u0621\u0627\u0628\u0644\u064A");
    QTest::newRow("cp720 ascii and box")
        << 720 << QByteArray("A1\xb3\xc4\xdb", 5) << QString::fromUtf8("A1\u2502\u2500\u2588");
    QTest::newRow("cp1256 arabic")
        << 1256 << QByteArray("\xc7\xe1\xe5", 3) << QString::fromUtf8("\u0627\u0644\u0647");
    QTest::newRow("cp1256 persian letters") << 1256 << QByteArray("\x81\x8d\x8e\x90\x98", 5)
                                            << QString::fromUtf8("\u067E\u0686\u0698\u06AF\u06A9");
    QTest::newRow("cp1252 euro") << 1252 << QByteArray("\x80", 1) << QString::fromUtf8("\u20AC");
    QTest::newRow("cp866 cyrillic")
        << 866 << QByteArray("\x80\xa0", 2) << QString::fromUtf8("\u0410\u0430");
    QTest::newRow("ebcdic 500") << 500 << QByteArray("\xc1\x81\x25", 3) << QStringLiteral("Aa\n");
    QTest::newRow("cp936") << 936 << QByteArray("\xd6\xd0\xce\xc4", 4)
                           << QString::fromUtf8("\u4E2D\u6587");
    QTest::newRow("cp950") << 950 << QByteArray("\xa4\xa4", 2) << QString::fromUtf8("\u4E2D");
    QTest::newRow("cp949") << 949 << QByteArray("\xc7\xd1", 2) << QString::fromUtf8("\uD55C");
    QTest::newRow("utf-8") << Utf8 << QByteArray("\xd9\x85", 2) << QString::fromUtf8("\u0645");
}

void TestCodePage::decodeKnownBytes()
{
    QFETCH(int, page);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decode(page, bytes), text);
}

void TestCodePage::persianLettersInCp1256()
{
    // Persian yeh is not in CP1256: it is written as the Arabic yeh; keheh has a byte of its own.
    const QString word = QString::fromUtf8("\u06CC\u06A9\u064A\u0643");
    QCOMPARE(encode(1256, word), QByteArray("\xed\x98\xed\xdf", 4));
    QCOMPARE(decode(1256, QByteArray("\xed\x98", 2)), QString::fromUtf8("\u064A\u06A9"));
    // The DOS page lacks both Persian forms.
    QCOMPARE(encode(720, word), QByteArray("\xef\xe8\xef\xe8", 4));
}

void TestCodePage::unrepresentableIsAnError_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("badIndex");

    QTest::newRow("greek in 1256") << 1256 << QString::fromUtf8("ab\u03A9") << qsizetype(2);
    QTest::newRow("persian digit in 1256") << 1256 << QString::fromUtf8("\u06F1") << qsizetype(0);
    QTest::newRow("arabic in 1252") << 1252 << QString::fromUtf8("x\u0627") << qsizetype(1);
    QTest::newRow("arabic in ascii") << 20127 << QString::fromUtf8("\u0627") << qsizetype(0);
    QTest::newRow("arabic in 936") << 936 << QString::fromUtf8("\u4E2D\u0627") << qsizetype(1);
    QTest::newRow("lone surrogate in utf-8") << Utf8 << QString(QChar(0xD800)) << qsizetype(0);
}

void TestCodePage::unrepresentableIsAnError()
{
    QFETCH(int, page);
    QFETCH(QString, text);
    QFETCH(qsizetype, badIndex);

    QByteArray out;
    qsizetype bad = -1;
    QVERIFY(!requireCodec(page).tryEncode(text, out, &bad));
    QCOMPARE(bad, badIndex);
    QVERIFY(!out.contains('?'));
    QVERIFY_THROWS_EXCEPTION(ECodePageError, encode(page, text));
}

void TestCodePage::singleBytePagesRoundTrip_data()
{
    QTest::addColumn<int>("page");
    for (int page :
         {437,   500,   720,   737,   775,   850,   852,   855,   856,   857,   858,   860,
          862,   863,   864,   865,   866,   869,   871,   874,   875,   1026,  1250,  1251,
          1252,  1253,  1254,  1255,  1256,  1257,  1258,  10000, 10029, 20107, 20127, 20866,
          21866, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599})
        QTest::newRow(qPrintable(QString::number(page))) << page;
}

void TestCodePage::singleBytePagesRoundTrip()
{
    // Every defined byte decodes to one character that encodes back to the same byte.
    QFETCH(int, page);
    const Codec& codec = requireCodec(page);
    QVERIFY(codec.isSingleByte());
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, char(b));
        const QString text = codec.decode(byte);
        QCOMPARE(text.size(), 1);
        if (text[0] == QChar(0xFFFD))
            continue;
        QByteArray back;
        QVERIFY2(codec.tryEncode(text, back), qPrintable(QStringLiteral("byte %1").arg(b)));
        // A character listed twice maps back to its first byte; it must still decode the same.
        QCOMPARE(codec.decode(back), text);
    }
}

void TestCodePage::badBytesBecomeReplacement_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QString r(QChar(0xFFFD));

    QTest::newRow("ascii high byte")
        << 20127 << QByteArray("a\x80z", 3) << QStringLiteral("a") + r + QStringLiteral("z");
    QTest::newRow("cp1253 undefined") << 1253 << QByteArray("\xaa", 1) << r;
    QTest::newRow("cp936 cut lead byte")
        << 936 << QByteArray("\xd6\xd0\xd6", 3) << QString::fromUtf8("\u4E2D") + r;
    QTest::newRow("cp936 bad pair") << 936
                                    << QByteArray("\xff"
                                                  "a",
                                                  2)
                                    << r + QStringLiteral("a");
    QTest::newRow("utf-8 stray continuation") << Utf8
                                              << QByteArray("\x80"
                                                            "a",
                                                            2)
                                              << r + QStringLiteral("a");
    QTest::newRow("utf-8 cut sequence")
        << Utf8 << QByteArray("a\xe2\x80", 3) << QStringLiteral("a") + r;
    QTest::newRow("utf-8 overlong") << Utf8 << QByteArray("\xc0\xaf", 2) << r + r;
    QTest::newRow("utf-8 surrogate") << Utf8 << QByteArray("\xed\xa0\x80", 3) << r;
    QTest::newRow("utf-16 odd byte") << Utf16LE << QByteArray("a\0b", 3) << QStringLiteral("a") + r;
    QTest::newRow("utf-16 lone surrogate") << Utf16LE
                                           << QByteArray("\x00\xd8"
                                                         "a\0",
                                                         4)
                                           << r + QStringLiteral("a");
    QTest::newRow("utf-32 too large") << Utf32LE << QByteArray("\x00\x00\x11\x00", 4) << r;
}

void TestCodePage::badBytesBecomeReplacement()
{
    QFETCH(int, page);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decode(page, bytes), text);
}

void TestCodePage::multiByteRoundTrip_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("text");
    QTest::newRow("936") << 936 << QString::fromUtf8("中文 text 汉字");
    QTest::newRow("950") << 950 << QString::fromUtf8("中文 繁體");
    QTest::newRow("949") << 949 << QString::fromUtf8("한국어 text");
    QTest::newRow("utf-8") << Utf8 << QString::fromUtf8("فارسی پچژگ ی ک 😀");
    QTest::newRow("utf-16le") << Utf16LE << QString::fromUtf8("فارسی پچژگ 😀");
    QTest::newRow("utf-16be") << Utf16BE << QString::fromUtf8("فارسی پچژگ 😀");
    QTest::newRow("utf-32le") << Utf32LE << QString::fromUtf8("فارسی پچژگ 😀");
    QTest::newRow("utf-32be") << Utf32BE << QString::fromUtf8("فارسی پچژگ 😀");
    QTest::newRow("1256 persian letters") << 1256 << QString::fromUtf8("پچژگ ک");
    QTest::newRow("1258 precomposed") << 1258 << QString::fromUtf8("Vi\u1EC7t");
}

void TestCodePage::multiByteRoundTrip()
{
    QFETCH(int, page);
    QFETCH(QString, text);
    const QByteArray bytes = encode(page, text);
    QCOMPARE(decode(page, bytes).normalized(QString::NormalizationForm_C), text);
}

void TestCodePage::unicodeBeyondBmp()
{
    const QString smile = QString::fromUtf8("😀");
    QCOMPARE(encode(Utf8, smile), QByteArray("\xf0\x9f\x98\x80"));
    QCOMPARE(encode(Utf32LE, smile), QByteArray("\x00\xf6\x01\x00", 4));
    QCOMPARE(decode(Utf32BE, QByteArray("\x00\x01\xf6\x00", 4)), smile);
}

void TestCodePage::unsupportedPage()
{
    QVERIFY(!isSupported(-1));
    QVERIFY(!isSupported(12345));
    QVERIFY(isSupported(720));
    QVERIFY_THROWS_EXCEPTION(ECodePageError, decode(-1, QByteArray("a")));
}

QTEST_MAIN(TestCodePage)
#include "test_codepage.moc"
