#include "helper_fakes.h"

#include "import/engine/Durvel3XLS.h"
#include "import/engine/support/MapRange.h"
#include "import/engine/support/XlsFile.h"
#include "platform/ini/IniFile.h"
#include "tests/support/BiffBuilder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct ExpectedSheet
{
    QString name;
    bool hidden = false;
    QList<QStringList> cells;
};

QString letters(int col)
{
    return MapColIndexToLetters(col + 1);
}

} // namespace

class TestXls : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_book;
    QList<ExpectedSheet> m_sheets;

    // Runs the import into a cell store of the given width.
    static QList<QStringList> run(TDurvel3XLS& imp, int columns, const QStringList& map)
    {
        DurvelCellStore grid(columns, 0);
        imp.ImportDestination = didStringGrid;
        imp.StringGrid = &grid;
        for (const QString& m : map)
            imp.Map().Add(m);
        imp.Execute();
        return gridRows(grid);
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path;
    }

    QStringList column(int sheet, int col, int from, int to) const
    {
        QStringList out;
        for (int r = from; r <= to; ++r)
            out.append(m_sheets[sheet].cells.value(r).value(col));
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_book = m_dir.filePath("people.xls");
        QProcess gen;
        gen.start("/usr/bin/python3",
                  {QStringLiteral(BANKFILE_TEST_DATA "/xls/make_workbook.py"), m_book, "300"});
        QVERIFY(gen.waitForFinished(60000));
        QVERIFY2(gen.exitCode() == 0, gen.readAllStandardError().constData());
        const QJsonObject root = QJsonDocument::fromJson(gen.readAllStandardOutput()).object();
        for (const QJsonValue& s : root["sheets"].toArray()) {
            ExpectedSheet sheet;
            sheet.name = s["name"].toString();
            sheet.hidden = s["hidden"].toBool();
            for (const QJsonValue& row : s["cells"].toArray()) {
                QStringList texts;
                for (const QJsonValue& c : row.toArray())
                    texts.append(c.toString());
                sheet.cells.append(texts);
            }
            m_sheets.append(sheet);
        }
        QCOMPARE(m_sheets.size(), 3);
    }

    void workbookAsWritten()
    {
        TxlsFile f(m_book);
        f.Open();
        QCOMPARE(f.SheetCount(), m_sheets.size());
        for (int s = 0; s < m_sheets.size(); ++s) {
            QCOMPARE(f.SheetName(s), m_sheets[s].name);
            QCOMPARE(f.Workbook()->Sheet(s)->Visible(), !m_sheets[s].hidden);
        }
    }

    // Every cell of every sheet through the reader into a cell store, sheets named three ways.
    void everyCell_data()
    {
        QTest::addColumn<int>("sheet");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("Persian sheet name") << 0 << "[پرسنل]";
        QTest::newRow("sheet number") << 1 << "[:2]";
        QTest::newRow("hidden sheet by name") << 2 << "[hidden]";
    }
    void everyCell()
    {
        QFETCH(int, sheet);
        QFETCH(QString, prefix);
        const ExpectedSheet& expected = m_sheets[sheet];
        const int columns = int(expected.cells.first().size());
        QStringList map;
        for (int c = 0; c < columns; ++c)
            map << QStringLiteral("%1=%2%3-COLFINISH").arg(c).arg(prefix, letters(c));
        TDurvel3XLS imp;
        imp.SetFileName(m_book);
        QCOMPARE(run(imp, columns, map), expected.cells);
        QCOMPARE(imp.ErrorCount(), 0);
    }

    void importRange_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("recCount");
        QTest::addColumn<int>("rows");
        QTest::newRow("longest") << int(dirMax) << 0 << 10;
        QTest::newRow("shortest") << int(dirMin) << 0 << 5;
        QTest::newRow("record count") << int(dirMax) << 3 << 3;
    }
    void importRange()
    {
        QFETCH(int, range);
        QFETCH(int, recCount);
        QFETCH(int, rows);
        TDurvel3XLS imp;
        imp.SetFileName(m_book);
        imp.ImportRange = TDurvelRange(range);
        imp.ImportRecCount = recCount;
        const auto got = run(imp, 2, {"0=A2-A11", "1=C2-C6"});
        QCOMPARE(got.size(), rows);
        QCOMPARE(imp.TotalRecCount(), rows);
        for (int r = 0; r < rows; ++r) {
            QCOMPARE(got[r][0], m_sheets[0].cells[r + 1][0]);
            QCOMPARE(got[r][1], r < 5 ? m_sheets[0].cells[r + 1][2] : QString());
        }
    }

    // A row's value is its cell's text whatever the value before it held (longer, shorter, a
    // date, a string): a missing cell null, an empty text empty.
    void rowValuesAreTheCellTexts_data()
    {
        using namespace biff;
        QTest::addColumn<QByteArray>("cells");
        QTest::addColumn<int>("rows");
        QTest::newRow("numbers long and short")
            << number(0, 0, 123456789012345.0) + number(1, 0, 7) + number(2, 0, -42.5) +
                   number(3, 0, 6037991234567.0) + rk(4, 0, (quint32(-90210) << 2) | 2u)
            << 5;
        QTest::newRow("every kind")
            << number(0, 0, 45366, 1) + boolErr(1, 0, 1, false) + boolErr(2, 0, 7, true) +
                   labelSst(3, 0, 0) + number(4, 0, 25000000) + label(5, 0, "café") +
                   boolErr(6, 0, 0, false) + formula(7, 0, 0.75, 5)
            << 8;
        QTest::newRow("empty texts and a missing cell")
            << number(0, 0, 6037991234567.0) + labelSst(1, 0, 1) + number(2, 0, 12) +
                   label(3, 0, "") + number(5, 0, 3) + formulaSpecial(6, 0, 3)
            << 7;
        // Enough rows to be read ahead on a thread, every kind among them.
        QByteArray many;
        for (int r = 0; r < 5000; ++r) {
            switch (r % 6) {
            case 0:
                many += number(r, 0, 6037991234567.0 + r);
                break;
            case 1:
                many += labelSst(r, 0, 0);
                break;
            case 2:
                many += label(r, 0, "");
                break;
            case 3:
                break; // missing
            case 4:
                many += label(r, 0, QStringLiteral("ردیف %1").arg(r));
                break;
            default:
                many += number(r, 0, r % 11, 1);
                break;
            }
        }
        QTest::newRow("rows read ahead") << many << 5000;
    }
    void rowValuesAreTheCellTexts()
    {
        using namespace biff;
        QFETCH(QByteArray, cells);
        QFETCH(int, rows);
        const QString path = writeFile(
            "kinds.xls", workbook(standardFormats() + sst({"حساب بانکی", ""}), {{"Data", cells}}));
        TxlsFile f(path);
        f.Open();
        TDurvel3XLS imp;
        imp.SetFileName(path);
        imp.ImportDestination = didUserDefined;
        imp.Map().Add(QStringLiteral("0=A1-A%1").arg(rows));
        QStringList got;
        imp.OnUserDefinedImport = [&got](TDurvel3*, TDurvelRow* row) {
            got << QStringView(row->Items(0)->Value).toString(); // a copy of its own
        };
        imp.Execute();
        QCOMPARE(imp.ErrorCount(), 0);
        QCOMPARE(got.size(), rows);
        for (int r = 0; r < rows; ++r) {
            const QString want = f.CellText(0, r, 0);
            QCOMPARE(got[r], want);
            QCOMPARE(got[r].isNull(), want.isNull());
        }
    }

    void singleCell()
    {
        TDurvel3XLS imp;
        imp.SetFileName(m_book);
        QCOMPARE(run(imp, 1, {"0=[:3]a2"}), (QList<QStringList>{{"6037991234567"}}));
    }

    void skipRowsAndColumns_data()
    {
        QTest::addColumn<int>("skipRows");
        QTest::addColumn<int>("skipCols");
        QTest::addColumn<QStringList>("map");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("firstRow"); // sheet row of the first value of column 0
        QTest::newRow("header row skipped") << 1 << 0 << QStringList{"0=B-COLFINISH"} << 300 << 1;
        QTest::newRow("run inside the skipped rows")
            << 5 << 0 << QStringList{"0=B1-B5", "1=A7"} << 1 << -1;
        QTest::newRow("first column skipped")
            << 0 << 1 << QStringList{"0=A1-A4", "1=B1-B4"} << 4 << -1;
        QTest::newRow("row run past skipped columns")
            << 0 << 5 << QStringList{"0=1-ROWFINISH"} << 2 << -1;
    }
    void skipRowsAndColumns()
    {
        QFETCH(int, skipRows);
        QFETCH(int, skipCols);
        QFETCH(QStringList, map);
        QFETCH(int, rows);
        QFETCH(int, firstRow);
        TDurvel3XLS imp;
        imp.SetFileName(m_book);
        imp.SkipFirstRows = skipRows;
        imp.SkipFirstCols = skipCols;
        const auto got = run(imp, 2, map);
        QCOMPARE(got.size(), rows);
        if (firstRow >= 0)
            QCOMPARE(got.first().first(), m_sheets[0].cells[firstRow][1]);
        if (skipCols == 1) // column A gives nothing, B its four cells
            QCOMPARE(got.first(), (QStringList{"", m_sheets[0].cells[0][1]}));
        if (skipCols == 5) // the header's last two cells
            QCOMPARE(got.last().first(), m_sheets[0].cells[0][6]);
        if (skipRows == 5) // the run counts nothing; the cell below the skipped rows counts
            QCOMPARE(got.first(), (QStringList{"", m_sheets[0].cells[6][0]}));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("map");
        QTest::addColumn<QString>("message");
        QTest::newRow("range text") << ""
                                    << "0=A1-B2"
                                    << "Range A1-B2 is fail. It must be COL or ROW";
        QTest::newRow("missing sheet")
            << ""
            << "0=[Salaries]A1"
            << "Sheet with name Salaries is not found in the source file";
        QTest::newRow("encrypted")
            << "locked.xls"
            << "0=A1"
            << "The workbook is encrypted with a password. Open it in the spreadsheet program, "
               "save it without a password and import that copy";
    }
    void failures()
    {
        QFETCH(QString, file);
        QFETCH(QString, map);
        QFETCH(QString, message);
        QString path = m_book;
        if (!file.isEmpty())
            path =
                writeFile(file, biff::workbook(biff::filePass(), {{"S", biff::number(0, 0, 1)}}));
        TDurvel3XLS imp;
        imp.SetFileName(path);
        DurvelCellStore grid(1, 1);
        grid.setCell(0, 0, "kept");
        imp.ImportDestination = didStringGrid;
        imp.StringGrid = &grid;
        imp.Map().Add(map);
        try {
            imp.Execute();
            QFAIL("the import ran");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString::fromUtf8(e.what()), message);
        }
        QCOMPARE(gridRows(grid), (QList<QStringList>{{"kept"}}));
        QVERIFY(!imp.Running());
    }

    // Dates and numbers become text in the import's own formats, which the typed set reads back.
    void typedFieldsInTheImportFormats()
    {
        const QString path = writeFile(
            "typed.xls",
            biff::workbook(biff::standardFormats(),
                           {{"S", biff::label(0, 0, "علی") + biff::number(0, 1, 45366, 1) +
                                      biff::number(0, 2, 1234.5)}}));
        FakeDataSet ds({{"Name"}, {"Day", ftDate}, {"Amount", ftFloat}});
        TDurvel3XLS imp;
        imp.SetFileName(path);
        imp.DataSet = &ds;
        imp.Formats().ShortDateFormat = "dd/mm/yyyy";
        imp.Formats().DateSeparator = u'.';
        imp.Formats().DecimalSeparator = u',';
        imp.Formats().ThousandSeparator = u' ';
        for (const char* m : {"Name=A1", "Day=B1", "Amount=C1"})
            imp.Map().Add(m);
        imp.Execute();
        QCOMPARE(imp.ConversionErrorCount(), 0);
        QCOMPARE(ds.rows.size(), 1);
        QCOMPARE(ds.rows[0][0].toString(), QString("علی"));
        QCOMPARE(ds.rows[0][1].toDate(), QDate(2024, 3, 15));
        QCOMPARE(ds.rows[0][2].toDouble(), 1234.5);
    }

    // Long strings as xlwt splits them over the shared-string table's CONTINUE records, the
    // split falling at every place within a string and its characters: each reads whole, and
    // the table is read to its last byte.
    void sharedStringsSplitWhereTheWriterSplitsThem_data()
    {
        QTest::addColumn<int>("lead");
        for (int lead = 1; lead <= 6; ++lead)
            QTest::newRow(qPrintable(QStringLiteral("%1 leading characters").arg(lead))) << lead;
    }
    void sharedStringsSplitWhereTheWriterSplitsThem()
    {
        QFETCH(int, lead);
        const QString path = m_dir.filePath(QStringLiteral("split%1.xls").arg(lead));
        const QString script = QStringLiteral(
            "import sys, xlwt\n"
            "wb = xlwt.Workbook(encoding='utf-8')\n"
            "s = wb.add_sheet('S')\n"
            "lead = int(sys.argv[2])\n"
            "texts = ['a' * lead, '\u0628' * 5000, 'x' * 9000, 'ab' + '\u067e' * 4200 + 'cd',\n"
            "         '\u0645' * lead + 'y' * 8300, ''.join(chr(0x600 + i % 200) for i in range(7000))]\n"
            "for i, t in enumerate(texts):\n"
            "    s.write(i, 0, t)\n"
            "    s.write(i, 1, t[::-1])\n"
            "wb.save(sys.argv[1])\n");
        QProcess gen;
        gen.start("/usr/bin/python3", {"-c", script, path, QString::number(lead)});
        QVERIFY(gen.waitForFinished(60000));
        QVERIFY2(gen.exitCode() == 0, gen.readAllStandardError().constData());
        QStringList texts{QString(lead, u'a'), QString(5000, QChar(0x0628)), QString(9000, u'x'),
                          "ab" + QString(4200, QChar(0x067E)) + "cd",
                          QString(lead, QChar(0x0645)) + QString(8300, u'y'), QString()};
        for (int i = 0; i < 7000; ++i)
            texts[5] += QChar(0x600 + i % 200);
        TxlsFile f(path);
        f.Open();
        for (int i = 0; i < texts.size(); ++i) {
            QCOMPARE(f.CellText(0, i, 0), texts[i]);
            QString reversed = texts[i];
            std::reverse(reversed.begin(), reversed.end());
            QCOMPARE(f.CellText(0, i, 1), reversed);
        }
    }

    void templateSection()
    {
        const QString path = m_dir.filePath("xls.imp");
        {
            TDurvel3XLS imp;
            imp.SkipFirstCols = 2;
            imp.SkipFirstRows = 3;
            IniFile ini(path);
            imp.SaveTemplateSections(ini);
            ini.writeString("XLS_OPTIONS", "Broken", "x");
            ini.save();
        }
        IniFile ini(path);
        QCOMPARE(ini.readString("XLS_OPTIONS", "SkipCols"), QString("2"));
        QCOMPARE(ini.readString("XLS_OPTIONS", "SkipRows"), QString("3"));
        TDurvel3XLS loaded;
        loaded.LoadTemplateSections(ini);
        QCOMPARE(loaded.SkipFirstCols, 2);
        QCOMPARE(loaded.SkipFirstRows, 3);
        ini.writeString("XLS_OPTIONS", "SkipRows", "-4");
        loaded.LoadTemplateSections(ini);
        QCOMPARE(loaded.SkipFirstRows, 3);
    }
};

QTEST_GUILESS_MAIN(TestXls)
#include "test_xls.moc"
