#include "helper_fakes.h"

#include "import/engine/Durvel3ASCII.h"
#include "import/engine/support/VoTextFile.h"
#include "platform/ini/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestAscii : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString writeFile(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("src%1.txt").arg(++m_files));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path;
    }

    static QList<QStringList> run(TDurvel3ASCII& imp, int columns, const QStringList& map)
    {
        DurvelCellStore grid(columns, 0);
        imp.ImportDestination = didStringGrid;
        imp.StringGrid = &grid;
        for (const QString& m : map)
            imp.Map().Add(m);
        imp.Execute();
        return gridRows(grid);
    }

private slots:
    void delimited_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("comma");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::newRow("quoted separator")
            << QByteArray("a,\"b,c\",d\r\n") << "," << QList<QStringList>{{"a", "b,c", "d"}};
        QTest::newRow("doubled quotes") << QByteArray("\"say \"\"hi\"\"\",x\n") << ","
                                        << QList<QStringList>{{"say \"hi\"", "x", ""}};
        QTest::newRow("short line leaves fields empty")
            << QByteArray("1\n2;3;4\n") << ";"
            << QList<QStringList>{{"1", "", ""}, {"2", "3", "4"}};
        QTest::newRow("delimited fields keep their spaces")
            << QByteArray(" a , b \n") << "," << QList<QStringList>{{" a ", " b ", ""}};
        QTest::newRow("tab separator and blank lines")
            << QByteArray("a\tb\n\n  \nc\td\n") << "\t"
            << QList<QStringList>{{"a", "b", ""}, {"c", "d", ""}};
        QTest::newRow("fields longer and shorter than the last line's")
            << QByteArray("long text,b,\"c\"\"\"\nx,longer text here\n\"q\"\"q\",,z\n") << ","
            << QList<QStringList>{
                   {"long text", "b", "c\""}, {"x", "longer text here", ""}, {"q\"q", "", "z"}};
        QTest::newRow("utf-8 mark")
            << QByteArray("\xEF\xBB\xBFx,y\r\n") << "," << QList<QStringList>{{"x", "y", ""}};
        QTest::newRow("lf-only utf-16")
            << QByteArray("\xFF\xFE"
                          "a\0,\0b\0\n\0c\0,\0d\0",
                          16)
            << "," << QList<QStringList>{{"a", "b", ""}, {"c", "d", ""}};
        // A spreadsheet's Unicode text ends its records with CR LF; a cell's line break is a
        // lone LF inside the record.
        const QString sheet =
            QString::fromUtf8("علی\t\"خیابان ۱\nپلاک ۲\"\t100\r\nسارا\t\t200\r\n");
        QTest::newRow("utf-16 cell with a line break")
            << QByteArray("\xFF\xFE") +
                   QByteArray(reinterpret_cast<const char*>(sheet.utf16()), sheet.size() * 2)
            << "\t"
            << QList<QStringList>{
                   {QString::fromUtf8("علی"), QString::fromUtf8("خیابان ۱\nپلاک ۲"), "100"},
                   {QString::fromUtf8("سارا"), "", "200"}};
    }
    void delimited()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, comma);
        QFETCH(QList<QStringList>, rows);
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile(bytes));
        imp.Comma = comma.at(0);
        QCOMPARE(run(imp, 3, {"0=1", "1=2", "2=3"}), rows);

        // A host that copies the texts out keeps the row's values to itself: each line is
        // written over the last one's values, and must leave nothing of them.
        TDurvel3ASCII own;
        own.SetFileName(imp.FileName());
        own.Comma = comma.at(0);
        own.ImportDestination = didUserDefined;
        for (const char* m : {"0=1", "1=2", "2=3"})
            own.Map().Add(QString::fromLatin1(m));
        QList<QStringList> copied;
        own.OnUserDefinedImport = [&](TDurvel3*, TDurvelRow* row) {
            QStringList values;
            for (int i = 0; i < row->Count(); ++i)
                values << QString(row->Items(i)->Value.constData(), row->Items(i)->Value.size());
            copied << values;
        };
        own.Execute();
        QCOMPARE(copied, rows);
    }

    void fixedWidth_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("map");
        QTest::addColumn<QString>("cell");
        QTest::newRow("whole short line") << QByteArray("abc") << "0;5"
                                          << "abc";
        QTest::newRow("past the end") << QByteArray("abc") << "5;3"
                                      << "";
        QTest::newRow("middle") << QByteArray("abcdef") << "2;3"
                                << "cde";
        QTest::newRow("tab expanded first") << QByteArray("ab\tcd") << "8;2"
                                            << "cd";
        QTest::newRow("zero length") << QByteArray("abc") << "1;0"
                                     << "";
        QTest::newRow("padding spaces dropped") << QByteArray("  1001    x") << "0;8"
                                                << "1001";
        QTest::newRow("inner spaces kept") << QByteArray("Ali Reza  ") << "0;10"
                                           << "Ali Reza";
        QTest::newRow("no-break space kept") << QByteArray("\xA0"
                                                           "12 ")
                                             << "0;4" << QString(QChar(0xA0)) + "12";
        QTest::newRow("only spaces") << QByteArray("a    b") << "1;4"
                                     << "";
    }
    void fixedWidth()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, map);
        QFETCH(QString, cell);
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile(line + "\r\n"));
        imp.Comma = QChar();
        QCOMPARE(run(imp, 1, {"0=" + map}), (QList<QStringList>{{cell}}));
    }

    // A fixed-width field is cut by its positions in the whole line, then loses the spaces that
    // pad it on either side (only plain spaces); the field's rules see the trimmed text.
    void fixedWidthCutTextIsTrimmed_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("map");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("padding on both sides, leading zeros kept")
            << QByteArray("  0012  |") << QStringList{"0=0;8"} << QStringList{"0012", ""};
        QTest::newRow("positions counted on the untrimmed line")
            << QByteArray(" AB   CD ") << QStringList{"0=0;4", "1=4;5"}
            << QStringList{"AB", "CD"};
        QTest::newRow("padding from an expanded tab")
            << QByteArray("x\t7") << QStringList{"0=0;8", "1=1;8"} << QStringList{"x", "7"};
        QTest::newRow("other blanks are text")
            << QByteArray("\xA0z\xA0 ") << QStringList{"0=0;4"}
            << QStringList{QString(QChar(0xA0)) + "z" + QChar(0xA0), ""};
        QTest::newRow("a field of spaces is empty")
            << QByteArray("a      b") << QStringList{"0=1;5", "1=7;1"} << QStringList{"", "b"};
    }
    void fixedWidthCutTextIsTrimmed()
    {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, map);
        QFETCH(QStringList, cells);
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile(line + "\r\n"));
        imp.Comma = QChar();
        QCOMPARE(run(imp, 2, map), (QList<QStringList>{cells}));

        // The field's quotes are put around the trimmed text.
        TDurvel3ASCII quoted;
        quoted.SetFileName(imp.FileName());
        quoted.Comma = QChar();
        TDurvelFieldFormat* f = quoted.FieldFormats().Add();
        f->FieldName = QStringLiteral("0");
        f->QuoteAction = daAdd;
        f->LeftQuote = QStringLiteral("[");
        f->RightQuote = QStringLiteral("]");
        QCOMPARE(run(quoted, 2, map).value(0).value(0), "[" + cells.at(0) + "]");
    }

    // Lines of UTF-8 and of ASCII-based pages are split before they are decoded: each field
    // must be what the decoded line holds, broken sequences included, an empty one null.
    void fieldsDecodedOneByOne_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QStringList>>("rows");
        const auto u = [](const char* text) { return QString::fromUtf8(text); };
        const QString bad = QString(QChar::ReplacementCharacter);
        const QString longWord = u("ض").repeated(140); // 280 bytes: past the short-field buffer
        QTest::newRow("persian, quotes, empty fields")
            << int(ctUtf8) << u("\"علی \"\"رضا\"\"\",پ,,x\r\n۱۲۳,\"\",\"a,ب\"\r\n").toUtf8()
            << QList<QStringList>{{u("علی \"رضا\""), u("پ"), "<null>", "x"},
                                  {u("۱۲۳"), "<null>", u("a,ب"), "<null>"}};
        QTest::newRow("broken sequences beside separators")
            << int(ctUtf8) << QByteArray("\xD8,\xA7x,\xE2\x82\n\xC0\xAF,\xED\xA0\x80,ok\n")
            << QList<QStringList>{{bad, bad + "x", bad, "<null>"},
                                  {bad + bad, bad, "ok", "<null>"}};
        QTest::newRow("lines of blanks beyond ASCII are skipped")
            << int(ctUtf8) << QByteArray("\xC2\xA0\xE2\x80\x83\n\t\xC2\xA0\na\xC2\xA0,b\n")
            << QList<QStringList>{{u("a\u00A0"), "b", "<null>", "<null>"}};
        QTest::newRow("fields about the short-field buffer's size")
            << int(ctUtf8)
            << (longWord + u',' + longWord.left(128) + u',' + QString(300, u'x') + u(",ب\n"))
                   .toUtf8()
            << QList<QStringList>{{longWord, longWord.left(128), QString(300, u'x'), u("ب")}};
        QTest::newRow("cp1256") << int(ctCp1256) << QByteArray("\x81,\"\x8D\"\"\",,\x90\r\n")
                                << QList<QStringList>{{u("پ"), u("چ\""), "<null>", u("گ")}};
        QTest::newRow("armscii-8 has an upper byte for the comma")
            << int(ctArmscii8)
            << QByteArray("a\xAB"
                          "b,c\r\n")
            << QList<QStringList>{{"a", "b", "c", "<null>"}};
        QTest::newRow("utf-16 is read as text")
            << int(ctUtf16)
            << QByteArray("\xFF\xFE"
                          "a\0,\0\"\0b\0\"\0\n\0",
                          14)
            << QList<QStringList>{{"a", "b", "<null>", "<null>"}};
    }
    void fieldsDecodedOneByOne()
    {
        QFETCH(int, encoding);
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QStringList>, rows);
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile(bytes));
        imp.Encoding = TDurvelCharsetType(encoding);
        imp.EncodingChosen = true;
        imp.Comma = u',';
        imp.ImportDestination = didUserDefined;
        for (const char* m : {"0=1", "1=2", "2=3", "3=4"})
            imp.Map().Add(QString::fromLatin1(m));
        QList<QStringList> got;
        imp.OnUserDefinedImport = [&](TDurvel3*, TDurvelRow* row) {
            QStringList values;
            for (int i = 0; i < row->Count(); ++i) {
                const QString& v = row->Items(i)->Value;
                values << (v.isNull() ? QStringLiteral("<null>") : v);
            }
            got << values;
        };
        imp.Execute();
        QCOMPARE(got, rows);
    }

    void codePages_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("bytes");
        const QString word = QString::fromUtf8("پچژگ");
        QTest::newRow("cp1256") << int(ctCp1256) << QByteArray("\x81\x8D\x8E\x90");
        QTest::newRow("windows default") << int(ctWinDefined) << QByteArray("\x81\x8D\x8E\x90");
        QTest::newRow("utf-8 without mark") << int(ctUtf8) << word.toUtf8();
        QTest::newRow("mark beats the choice")
            << int(ctCp1256) << QByteArray("\xEF\xBB\xBF") + word.toUtf8();
    }
    void codePages()
    {
        QFETCH(int, encoding);
        QFETCH(QByteArray, bytes);
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile(bytes + "\r\n"));
        imp.Encoding = TDurvelCharsetType(encoding);
        imp.Comma = u',';
        QCOMPARE(run(imp, 1, {"0=1"}), (QList<QStringList>{{QString::fromUtf8("پچژگ")}}));
    }

    // Files in the default encoding may be UTF-8, or UTF-16 without a mark, in both modes; an
    // encoding chosen (even the default) keeps the page it names.
    void utf8WithoutMark_data()
    {
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QString salam = QString::fromUtf8("سلام");
        const QString mojibake = QString::fromUtf8("ط³ظ„ط§ظ…");
        const QByteArray utf8 = salam.toUtf8() + "\r\n";
        const QString line = salam + QStringLiteral(" 12\r\nx\r\n");
        const QByteArray utf16le(reinterpret_cast<const char*>(line.utf16()), line.size() * 2);
        QByteArray utf16be = utf16le;
        for (qsizetype i = 0; i + 1 < utf16be.size(); i += 2)
            std::swap(utf16be[i], utf16be[i + 1]);
        QTest::newRow("delimited default") << false << int(ctWinDefined) << false << utf8 << salam;
        QTest::newRow("delimited cp1256 chosen")
            << false << int(ctCp1256) << true << utf8 << mojibake;
        QTest::newRow("fixed width default") << true << int(ctWinDefined) << false << utf8 << salam;
        QTest::newRow("fixed width default chosen by a template")
            << true << int(ctWinDefined) << true << utf8 << mojibake;
        QTest::newRow("utf-16 little-endian, no mark")
            << false << int(ctWinDefined) << false << utf16le << salam + " 12";
        QTest::newRow("utf-16 big-endian, no mark")
            << false << int(ctWinDefined) << false << utf16be << salam + " 12";
        QTest::newRow("fixed width utf-16, no mark")
            << true << int(ctWinDefined) << false << utf16le << salam + " 12";
    }
    void utf8WithoutMark()
    {
        QFETCH(bool, fixed);
        QFETCH(int, encoding);
        QFETCH(bool, chosen);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile(bytes));
        imp.Encoding = TDurvelCharsetType(encoding);
        imp.EncodingChosen = chosen;
        imp.Comma = fixed ? QChar() : QChar(u',');
        QCOMPARE(run(imp, 1, {fixed ? "0=0;8" : "0=1"}).value(0), (QStringList{expected}));
    }

    // A template that names an encoding chooses it; one without leaves it to be looked for.
    void templateChoosesEncoding_data()
    {
        QTest::addColumn<QString>("encoding"); // empty: no key
        QTest::addColumn<bool>("chosen");
        QTest::newRow("no key") << "" << false;
        QTest::newRow("windows default") << "0" << true;
        QTest::newRow("utf-8") << "25" << true;
    }
    void templateChoosesEncoding()
    {
        QFETCH(QString, encoding);
        QFETCH(bool, chosen);
        IniFile ini(m_dir.filePath("enc.imp"));
        ini.writeInteger("ASCII_OPTIONS", "SkipLines", 0);
        if (!encoding.isEmpty())
            ini.writeString("ASCII_OPTIONS", "Encoding", encoding);
        TDurvel3ASCII imp;
        imp.LoadTemplateSections(ini);
        QCOMPARE(imp.EncodingChosen, chosen);
        QCOMPARE(int(imp.Encoding), encoding.isEmpty() ? 0 : encoding.toInt());
    }

    // A year of two digits under "yyyy" is no date, logged as a row error: not 2005-03-24 from
    // "5/3/24".
    void twoDigitYearsUnderFourDigitFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QDate>("stored"); // invalid: Null, with the date error logged
        QTest::newRow("yyyy, two-digit year") << "yyyy/mm/dd" << QByteArray("5/3/24") << QDate();
        QTest::newRow("yyyy, whole year")
            << "yyyy/mm/dd" << QByteArray("2024/3/5") << QDate(2024, 3, 5);
    }
    void twoDigitYearsUnderFourDigitFormat()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, text);
        QFETCH(QDate, stored);
        FakeDataSet ds({{"Code"}, {"Born", ftDate}});
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile("1;" + text + "\r\n"));
        imp.Comma = u';';
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        imp.Map().Add("Born=2");
        imp.Formats().ShortDateFormat = format;
        QStringList errors;
        imp.OnImportErrorAdv = [&](TDurvel3* s) { errors << s->LastErrorText(); };
        QVERIFY(imp.Execute());
        QCOMPARE(ds.rows.size(), 1);
        QCOMPARE(ds.rows.at(0).at(1).toDate(), stored);
        QCOMPARE(errors.size(), stored.isValid() ? 0 : 1);
    }

    // The reader tells how far through the file it is: rising, and all of it at the end.
    void readProgressReported()
    {
        QByteArray bytes;
        for (int i = 0; i < 3000; ++i)
            bytes += QByteArray::number(i) + ",x\r\n";
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile(bytes));
        imp.Comma = u',';
        QList<qint64> done;
        qint64 total = -1;
        imp.OnReadProgress = [&](TDurvel3*, qint64 Done, qint64 Total) {
            done << Done;
            total = Total;
        };
        QCOMPARE(run(imp, 1, {"0=1"}).size(), 3000);
        QCOMPARE(total, qint64(bytes.size()));
        QVERIFY(!done.isEmpty());
        QCOMPARE(done.last(), total);
        QVERIFY(std::is_sorted(done.begin(), done.end()));
        QVERIFY(done.size() <= 3000);
        QVERIFY(done.size() > 100); // the bar moves with the file
    }

    void skippedAndBlankLinesCountForLineNumbers()
    {
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile("\nx\n\n   \ny\n"));
        imp.SkipFirstRows = 1; // the blank header line
        imp.Comma = u',';
        QList<int> lines;
        imp.OnBeforePost = [&](TDurvel3* s, TDurvelRow*, bool&) { lines << s->LineCounter(); };
        QCOMPARE(run(imp, 1, {"0=1"}), (QList<QStringList>{{"x"}, {"y"}}));
        QCOMPARE(lines, (QList<int>{2, 5}));
    }

    void headerSkippedEvenWhenItHasData()
    {
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile("Code,Name\n1,a\n2,b\n"));
        imp.SkipFirstRows = 1;
        imp.Comma = u',';
        QCOMPARE(run(imp, 1, {"0=1"}), (QList<QStringList>{{"1"}, {"2"}}));
    }

    void recordCapStopsReading()
    {
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile("1\n2\n3\n4\n"));
        imp.Comma = u',';
        imp.ImportRecCount = 2;
        QCOMPARE(run(imp, 1, {"0=1"}), (QList<QStringList>{{"1"}, {"2"}}));
    }

    void fieldFormatsApplyToEveryRow()
    {
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile("a,\"x\"\nb,y\n"));
        imp.Comma = u',';
        TDurvelFieldFormat* f = imp.FieldFormats().Add();
        f->FieldName = "1";
        f->CharCase = iccUpper;
        QCOMPARE(run(imp, 2, {"0=1", "1=2"}), (QList<QStringList>{{"a", "X"}, {"b", "Y"}}));
    }

    void badMapValuesRefused_data()
    {
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<QString>("map");
        QTest::addColumn<QString>("message");
        QTest::newRow("no semicolon") << true << "5"
                                      << "Missing definition of map";
        QTest::newRow("start not a number") << true << "x;3"
                                            << "'x' is not a valid integer value";
        QTest::newRow("length not a number") << true << "1;"
                                             << "'' is not a valid integer value";
        QTest::newRow("field not a number") << false << "b"
                                            << "'b' is not a valid integer value";
        QTest::newRow("field zero") << false << "0"
                                    << "Column 0: field numbers start at 1";
    }
    void badMapValuesRefused()
    {
        QFETCH(bool, fixed);
        QFETCH(QString, map);
        QFETCH(QString, message);
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile("abc\n"));
        imp.Comma = fixed ? QChar() : QChar(u',');
        DurvelCellStore grid(1, 0);
        imp.ImportDestination = didStringGrid;
        imp.StringGrid = &grid;
        imp.Map().Add("0=" + map);
        try {
            imp.Execute();
            QFAIL("accepted");
        } catch (const EDurvelError& e) {
            QCOMPARE(e.message(), message);
        }
        QCOMPARE(grid.rowCount(), 0);
    }

    void pathsThatAreNoFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message"); // %1: the path
        QTest::newRow("missing") << "missing"
                                 << "File %1 does not exist";
        QTest::newRow("folder") << "folder"
                                << "%1 is a folder, not a file";
        QTest::newRow("pipe") << "pipe"
                              << "%1 is not a regular file";
        QTest::newRow("device") << "device"
                                << "%1 is not a regular file";
    }
    void pathsThatAreNoFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QString path = m_dir.filePath(kind);
        if (kind == "folder")
            QVERIFY(QDir().mkpath(path));
        else if (kind == "pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "device")
            path = "/dev/zero";
        TDurvel3ASCII imp;
        imp.SetFileName(path);
        try {
            run(imp, 1, {"0=1"});
            QFAIL("accepted");
        } catch (const EDurvelError& e) {
            QCOMPARE(e.message(), message.arg(path));
        }
    }

    // A path that stops being a readable file after the checks: the import ends with the
    // system's reason and holds nothing (a folder, as root reads any file).
    void unreadableFileEndsImport()
    {
        TDurvel3ASCII imp;
        const QString path = writeFile("a\n");
        imp.SetFileName(path);
        imp.OnBeforeImport = [&](TDurvel3*) {
            QFile::remove(path);
            QDir().mkpath(path);
        };
        try {
            run(imp, 1, {"0=1"});
            QFAIL("accepted");
        } catch (const EVoTextFile& e) {
            QVERIFY2(e.message().contains("Is a directory"), qPrintable(e.message()));
        }
        QVERIFY(!imp.Running());
    }

    // A large file is read ahead on a thread of its own: the rows, their order and the read
    // progress are the same; a stop, a cap or a failure of the reader reaches the rows in turn.
    void readAhead_data()
    {
        QTest::addColumn<QString>("action"); // at row 100
        QTest::addColumn<int>("cap");
        QTest::addColumn<int>("expected"); // rows, -1: some, then a failure
        QTest::addColumn<QString>("failure");
        const int all = 20000;
        QTest::newRow("whole file") << "" << 0 << all << "";
        QTest::newRow("capped") << "" << 150 << 150 << "";
        QTest::newRow("canceled") << "cancel" << 0 << 100 << "";
        QTest::newRow("appended while read")
            << "append" << 0 << -1 << "The file changed while it was read";
        QTest::newRow("truncated while read")
            << "truncate" << 0 << -1 << "The file changed while it was read";
    }
    void readAhead()
    {
        QFETCH(QString, action);
        QFETCH(int, cap);
        QFETCH(int, expected);
        QFETCH(QString, failure);
        // Some rows leave the name empty, some end after the code: those fields come as null.
        const auto emptyName = [](int i) { return i % 7 == 3; };
        const auto shortRow = [](int i) { return i % 11 == 5; };
        const auto row = [&](int i) {
            if (shortRow(i))
                return QStringList{QString::number(i), QString(), QString()};
            return QStringList{QString::number(i),
                               emptyName(i)
                                   ? QString()
                                   : QString::fromUtf8("نام و نام خانوادگی ") + QString::number(i),
                               QStringLiteral("q\"%1").arg(i)};
        };
        QByteArray bytes = "code,name,note\r\n";
        for (int i = 0; i < 20000; ++i) {
            const QStringList r = row(i);
            bytes += (shortRow(i) ? r[0] + QStringLiteral("\r\n")
                                  : r[0] + u',' + r[1] + QStringLiteral(",\"q\"\"%1\"\r\n").arg(i))
                         .toUtf8();
            if (i % 1000 == 999)
                bytes += " \t\r\n";
        }
        QVERIFY(bytes.size() > 512 * 1024);
        const QString path = writeFile(bytes);
        TDurvel3ASCII imp;
        imp.SetFileName(path);
        imp.Comma = u',';
        imp.SkipFirstRows = 1;
        imp.ImportRecCount = cap;
        imp.ImportDestination = didUserDefined;
        for (const char* m : {"0=1", "1=2", "2=3"})
            imp.Map().Add(QString::fromLatin1(m));
        QList<QStringList> got;
        QList<int> nulls; // per row, a bit per column
        imp.OnUserDefinedImport = [&](TDurvel3* s, TDurvelRow* r) {
            got << QStringList{r->Items(0)->Value, r->Items(1)->Value, r->Items(2)->Value};
            nulls << (r->Items(1)->Value.isNull() ? 2 : 0) + (r->Items(2)->Value.isNull() ? 4 : 0);
            if (got.size() != 100)
                return;
            QFile f(path);
            if (action == "cancel")
                s->Cancel();
            else if (action == "append" && f.open(QIODevice::Append))
                f.write("1,2,3\r\n");
            else if (action == "truncate" && f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                f.write("1,2,3\r\n");
        };
        QList<qint64> done;
        imp.OnReadProgress = [&](TDurvel3*, qint64 Done, qint64) { done << Done; };
        QString error;
        try {
            imp.Execute();
        } catch (const EVoTextFile& e) {
            error = e.message();
        }
        QVERIFY2(failure.isEmpty() ? error.isEmpty() : error.contains(failure), qPrintable(error));
        QVERIFY(!imp.Running());
        if (expected >= 0)
            QCOMPARE(got.size(), expected);
        else
            QVERIFY(got.size() >= 100 && got.size() <= 20000);
        for (int i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i], row(i));
            QCOMPARE(nulls[i], (row(i)[1].isNull() ? 2 : 0) + (row(i)[2].isNull() ? 4 : 0));
        }
        QVERIFY(std::is_sorted(done.begin(), done.end()));
        if (expected == 20000)
            QCOMPARE(done.last(), qint64(bytes.size()));
    }

    void fileChangedWhileImported_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("change"); // appended, or the file's new whole text
        QTest::addColumn<bool>("append");
        QTest::newRow("cut-off last line grows")
            << QByteArray("1\n2\n3") << QByteArray("33\n") << true;
        QTest::newRow("lines added") << QByteArray("1\n2\n") << QByteArray("3\n") << true;
        QTest::newRow("truncated") << QByteArray("1\n2\n3\n") << QByteArray("1\n") << false;
        QTest::newRow("written again, same size")
            << QByteArray("1\n2\n3\n") << QByteArray("7\n8\n9\n") << false;
    }
    void fileChangedWhileImported()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, change);
        QFETCH(bool, append);
        TDurvel3ASCII imp;
        const QString path = writeFile(bytes);
        {
            // An hour old, so that writing it again surely gives it another time.
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                  QFileDevice::FileModificationTime));
        }
        imp.SetFileName(path);
        imp.Comma = u',';
        DurvelCellStore grid(1, 0);
        imp.ImportDestination = didStringGrid;
        imp.StringGrid = &grid;
        imp.Map().Add("0=1");
        imp.OnImportRecord = [&](TDurvel3* s) {
            if (s->ImportedCount() != 1)
                return;
            QFile f(path);
            if (f.open(append ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate))
                f.write(change);
        };
        try {
            imp.Execute();
            QFAIL("accepted");
        } catch (const EVoTextFile& e) {
            QVERIFY2(e.message().contains("The file changed while it was read"),
                     qPrintable(e.message()));
        }
        // Nothing past what the file held at the start, and no short last row.
        for (const QStringList& row : gridRows(grid))
            QVERIFY(row.first() == "1" || row.first() == "2");
    }
};

QTEST_GUILESS_MAIN(TestAscii)
#include "test_ascii.moc"
