#include "helper_fakes.h"

#include "import/engine/Durvel3ASCII.h"
#include "import/engine/support/VoTextFile.h"

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

    // Delimited files in the default encoding may be UTF-8 without a mark; fixed width and a
    // chosen encoding keep the page they are given.
    void utf8WithoutMark_data()
    {
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("expected");
        const QString salam = QString::fromUtf8("سلام");
        QTest::newRow("delimited default") << false << int(ctWinDefined) << salam;
        QTest::newRow("delimited cp1256 chosen")
            << false << int(ctCp1256) << QString::fromUtf8("ط³ظ„ط§ظ…");
        QTest::newRow("fixed width default")
            << true << int(ctWinDefined) << QString::fromUtf8("ط³ظ„ط§ظ…");
    }
    void utf8WithoutMark()
    {
        QFETCH(bool, fixed);
        QFETCH(int, encoding);
        QFETCH(QString, expected);
        TDurvel3ASCII imp;
        imp.SetFileName(writeFile(QString::fromUtf8("سلام").toUtf8() + "\r\n"));
        imp.Encoding = TDurvelCharsetType(encoding);
        imp.Comma = fixed ? QChar() : QChar(u',');
        QCOMPARE(run(imp, 1, {fixed ? "0=0;8" : "0=1"}), (QList<QStringList>{{expected}}));
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

    void fileChangedWhileImported_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("change"); // appended, or the file's new whole text
        QTest::addColumn<bool>("append");
        QTest::newRow("cut-off last line grows")
            << QByteArray("1\n2\n3") << QByteArray("33\n") << true;
        QTest::newRow("lines added") << QByteArray("1\n2\n") << QByteArray("3\n") << true;
        QTest::newRow("truncated") << QByteArray("1\n2\n3\n") << QByteArray("1\n") << false;
    }
    void fileChangedWhileImported()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, change);
        QFETCH(bool, append);
        TDurvel3ASCII imp;
        const QString path = writeFile(bytes);
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
