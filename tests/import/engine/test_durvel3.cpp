#include "helper_fakes.h"
#include "listview_cases.h"

#include "import/engine/Durvel3.h"
#include "platform/codepage/CodePage.h"
#include "platform/ini/IniFile.h"
#include "tests/support/LeavingReader.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

QList<QStringList> numberedRows(int count)
{
    QList<QStringList> rows;
    for (int i = 1; i <= count; ++i)
        rows << QStringList{QString::number(i), QStringLiteral("name%1").arg(i)};
    return rows;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class FakeDBGrid : public DurvelDBGrid
{
public:
    FakeDBGrid(DurvelDataSet* ds, QStringList titles, QStringList fields)
        : m_ds(ds), m_titles(std::move(titles)), m_fields(std::move(fields))
    {}
    DurvelDataSet* dataSet() override { return m_ds; }
    int columnCount() const override { return int(m_titles.size()); }
    QString columnTitle(int column) const override { return m_titles.value(column); }
    QString columnFieldName(int column) const override { return m_fields.value(column); }

private:
    DurvelDataSet* m_ds;
    QStringList m_titles, m_fields;
};

class PlainList : public listviewcases::Fixture
{
public:
    PlainList(const QStringList& captions, const QList<QStringList>& items) : m_list(captions)
    {
        m_list.items = items;
    }
    DurvelListView& View() override { return m_list; }
    QList<QStringList> Items() const override { return m_list.items; }
    bool Updating() const override { return m_list.updates > 0; }

private:
    FakeListView m_list;
};

} // namespace

class TestDurvel3 : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void commitSchedule_data()
    {
        QTest::addColumn<int>("commitRecCount");
        QTest::addColumn<bool>("commitAfterDone");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<int>("cancelAtRow"); // Cancel() while this row is written, 0 = never
        QTest::addColumn<int>("failingRow");  // this row fails to post, 0 = none
        QTest::addColumn<QList<int>>("commitsAt");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("committed");

        QTest::newRow("7 rows by 3") << 3 << false << 7 << 0 << 0 << QList<int>{3, 6, 7} << 7 << 7;
        QTest::newRow("6 rows by 3") << 3 << false << 6 << 0 << 0 << QList<int>{3, 6} << 6 << 6;
        QTest::newRow("after done") << 3 << true << 7 << 0 << 0 << QList<int>{7} << 7 << 7;
        QTest::newRow("never") << 0 << false << 5 << 0 << 0 << QList<int>{} << 5 << 5;
        QTest::newRow("failed row counts")
            << 3 << false << 7 << 0 << 2 << QList<int>{3, 6, 7} << 6 << 6;
        QTest::newRow("cancel mid batch") << 3 << false << 7 << 4 << 0 << QList<int>{3} << 4 << 3;
        QTest::newRow("cancel at batch end")
            << 3 << false << 7 << 3 << 0 << QList<int>{3} << 3 << 3;
        QTest::newRow("cancel after done") << 3 << true << 7 << 4 << 0 << QList<int>{} << 4 << 0;
    }
    void commitSchedule()
    {
        QFETCH(int, commitRecCount);
        QFETCH(bool, commitAfterDone);
        QFETCH(int, rowCount);
        QFETCH(int, cancelAtRow);
        QFETCH(int, failingRow);
        QFETCH(QList<int>, commitsAt);
        QFETCH(int, written);
        QFETCH(int, committed);

        FakeDataSet ds({{"Code", ftWideString, true}, {"Name"}});
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        imp.Map().Add("Name=2");
        imp.CommitRecCount = commitRecCount;
        imp.CommitAfterDone = commitAfterDone;
        imp.Lines = numberedRows(rowCount);
        if (failingRow)
            imp.Lines[failingRow - 1][0].clear();
        QList<int> commits;
        bool committedWhenAsked = true;
        imp.OnNeedCommit = [&](TDurvel3* s) {
            commits << s->ImportedCount() + s->ErrorCount();
            committedWhenAsked =
                committedWhenAsked && int(ds.committed().size()) == s->ImportedCount();
        };
        int handled = 0;
        imp.OnImportRecord = [&](TDurvel3* s) {
            if (++handled == cancelAtRow)
                s->Cancel();
        };
        QVERIFY(imp.Execute());
        QCOMPARE(commits, commitsAt);
        QCOMPARE(imp.Canceled(), cancelAtRow > 0);
        QCOMPARE(int(ds.committed().size()), committed);
        QCOMPARE(int(ds.rows.size()), committed);
        QVERIFY(committedWhenAsked);
        QCOMPARE(handled, written);
        QCOMPARE(ds.inTransaction, false);
        QCOMPARE(ds.disables, 1);
        QCOMPARE(ds.enables, 1);
        QCOMPARE(imp.Closed, 1);
        QCOMPARE(imp.ErrorCount(), failingRow ? 1 : 0);
        // With no commit wanted nothing runs inside a transaction.
        QCOMPARE(ds.starts > 0, commitRecCount > 0 || commitAfterDone);
    }

    void committedLastBatchLeavesNothingToRollBack_data()
    {
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<int>("transactions");
        QTest::newRow("last row ends a batch") << 4 << 2;
        QTest::newRow("final commit at the end") << 5 << 3;
    }

    void committedLastBatchLeavesNothingToRollBack()
    {
        // A transaction begins only for rows still to be written, so a finished import ends
        // with every transaction committed and none rolled back (no re-read of the data set).
        QFETCH(int, rowCount);
        QFETCH(int, transactions);
        FakeDataSet ds({{"Code"}});
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        imp.CommitRecCount = 2;
        imp.Lines = numberedRows(rowCount);
        QVERIFY(imp.Execute());
        QCOMPARE(ds.starts, transactions);
        QCOMPARE(ds.commits, transactions);
        QCOMPARE(ds.rollbacks, 0);
        QCOMPARE(int(ds.committed().size()), rowCount);
    }

    void cancelHandlerMayContinue()
    {
        DurvelCellStore grid(2, 0);
        ListReader imp;
        intoGrid(imp, grid);
        imp.Lines = numberedRows(5);
        int asked = 0;
        imp.OnImportCancel = [&](TDurvel3*, bool& Continue) {
            ++asked;
            Continue = asked == 1; // go on the first time, stop the second
        };
        imp.OnImportRecord = [&](TDurvel3* s) {
            if (s->ImportedCount() == 1 || s->ImportedCount() == 3)
                s->Cancel();
        };
        imp.Execute();
        QCOMPARE(asked, 2);
        QCOMPARE(grid.rowCount(), 3);
        QVERIFY(imp.Canceled());
    }

    void modes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("allowDuplicates");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QList<QStringList>>("source");
        QTest::addColumn<QList<QStringList>>("expected");
        QTest::addColumn<QList<int>>("actions");

        const QList<QStringList> source{{"b2", "Reza J"}, {"C3", "Sara"}};
        const QStringList caption{"Code", "Name"};
        QTest::newRow("insert all") << int(dimInsertAll) << true << QStringList{"Code"} << source
                                    << QList<QStringList>{caption,
                                                          {"A1", "Ali"},
                                                          {"B2", "Reza"},
                                                          {"b2", "Reza J"},
                                                          {"C3", "Sara"}}
                                    << QList<int>{1, 1};
        QTest::newRow("insert new")
            << int(dimInsertNew) << true << QStringList{"Code"} << source
            << QList<QStringList>{caption, {"A1", "Ali"}, {"B2", "Reza"}, {"C3", "Sara"}}
            << QList<int>{0, 1};
        QTest::newRow("update") << int(dimUpdate) << true << QStringList{"Code"} << source
                                << QList<QStringList>{caption, {"A1", "Ali"}, {"b2", "Reza J"}}
                                << QList<int>{2, 0};
        QTest::newRow("update or insert")
            << int(dimUpdateOrInsert) << true << QStringList{"Code"} << source
            << QList<QStringList>{caption, {"A1", "Ali"}, {"b2", "Reza J"}, {"C3", "Sara"}}
            << QList<int>{2, 1};
        QTest::newRow("delete") << int(dimDelete) << true << QStringList{"Code"} << source
                                << QList<QStringList>{caption, {"A1", "Ali"}} << QList<int>{3, 0};
        QTest::newRow("delete or insert")
            << int(dimDeleteOrInsert) << true << QStringList{"Code"} << source
            << QList<QStringList>{caption, {"A1", "Ali"}, {"C3", "Sara"}} << QList<int>{3, 1};
        QTest::newRow("duplicate refused")
            << int(dimInsertNew) << false << QStringList{"Code"}
            << QList<QStringList>{{"X9", "Ali"}, {"Y9", "ali"}}
            << QList<QStringList>{caption, {"A1", "Ali"}, {"B2", "Reza"}, {"Y9", "ali"}}
            << QList<int>{0, 1};
        QTest::newRow("duplicates ignored by insert all")
            << int(dimInsertAll) << false << QStringList{"Code"}
            << QList<QStringList>{{"A1", "Ali"}}
            << QList<QStringList>{caption, {"A1", "Ali"}, {"B2", "Reza"}, {"A1", "Ali"}}
            << QList<int>{1};
        QTest::newRow("every column a key")
            << int(dimInsertNew) << false << QStringList{"Code", "Name"}
            << QList<QStringList>{{"A1", "Ali"}, {"A1", "Sara"}}
            << QList<QStringList>{caption, {"A1", "Ali"}, {"B2", "Reza"}, {"A1", "Sara"}}
            << QList<int>{0, 1};
    }
    void modes()
    {
        QFETCH(int, mode);
        QFETCH(bool, allowDuplicates);
        QFETCH(QStringList, keys);
        QFETCH(QList<QStringList>, source);
        QFETCH(QList<QStringList>, expected);
        QFETCH(QList<int>, actions);

        for (const bool toGrid : {true, false}) {
            DurvelCellStore grid = makeGrid({"Code", "Name"}, {{"A1", "Ali"}, {"B2", "Reza"}});
            FakeDataSet ds({{"Code"}, {"Name"}});
            ds.rows = {{"A1", "Ali"}, {"B2", "Reza"}};
            ds.current = 0;
            ListReader imp;
            if (toGrid) {
                imp.ImportDestination = didStringGrid;
                imp.StringGrid = &grid;
                imp.GridCaptionRow = 0;
            } else {
                imp.DataSet = &ds;
                imp.AddType = datAppend;
            }
            imp.ImportMode = TDurvelMode(mode);
            imp.AllowDuplicates = allowDuplicates;
            imp.Map().Add("Code=1");
            imp.Map().Add("Name=2");
            for (const QString& k : keys)
                imp.KeyColumns().Add(k);
            imp.Lines = source;
            QList<int> seen;
            imp.OnImportRecord = [&](TDurvel3* s) { seen << s->RowAction(); };
            QVERIFY(imp.Execute());
            QList<QStringList> rows{{"Code", "Name"}};
            for (const auto& r : ds.committed())
                rows << QStringList{r.at(0).toString(), r.at(1).toString()};
            QCOMPARE(toGrid ? gridRows(grid) : rows, expected);
            QCOMPARE(seen, actions);
            QCOMPARE(imp.ImportedCount(), int(source.size()));
        }
    }

    void listViewDestination()
    {
        FakeListView lv({"Code", "Name", "City"});
        lv.items = {{"A1", "Ali", "Tehran"}};
        ListReader imp;
        imp.ImportDestination = didListView;
        imp.ListView = &lv;
        imp.ImportMode = dimUpdateOrInsert;
        imp.KeyColumns().Add("code");
        imp.Map().Add("code=1");
        imp.Map().Add("NAME=2");
        imp.Lines = {{"a1", "Ali R"}, {"B2", "Reza"}};
        imp.OnAfterPost = [&](TDurvel3*, TDurvelRow*) { QCOMPARE(lv.updates, 1); };
        QVERIFY(imp.Execute());
        QCOMPARE(lv.items, (QList<QStringList>{{"a1", "Ali R", "Tehran"}, {"B2", "Reza", ""}}));
        QCOMPARE(lv.updates, 0);
    }

    void listViewCases_data() { listviewcases::addData(); }
    void listViewCases()
    {
        listviewcases::run([](const QStringList& captions, const QList<QStringList>& items) {
            return std::make_unique<PlainList>(captions, items);
        });
    }

    void aboutAndVersion()
    {
        QVERIFY(TDurvel3::About().startsWith(QLatin1String("Durvel3 import components")));
        QCOMPARE(TDurvel3::Version(), QStringLiteral("3.0"));
    }

    void dbGridWritesThroughItsColumns()
    {
        FakeDataSet ds({{"Code"}, {"Name"}, {"Age", ftInteger}});
        ds.rows = {{"A1", "Ali", 30}};
        ds.current = 0;
        FakeDBGrid grid(&ds, {QString::fromUtf8("کد"), QString::fromUtf8("سن")}, {"Code", "Age"});
        ListReader imp;
        imp.ImportDestination = didDBGrid;
        imp.DBGrid = &grid;
        imp.ImportMode = dimUpdateOrInsert;
        imp.AddType = datAppend;
        imp.KeyColumns().Add(QString::fromUtf8("کد"));
        imp.Map().Add(QString::fromUtf8("کد=1"));
        imp.Map().Add(QString::fromUtf8("سن=2"));
        QStringList located;
        imp.OnDestinationLocate = [&](TDurvel3*, const QStringList& keys, TDurvelRow*,
                                      QStringList& fields, QVariantList& values) {
            located << keys.join(u';') + u'>' + fields.join(u';') + u'=' +
                           values.value(0).toString();
        };
        imp.Lines = {{"a1", "31"}, {"B2", "1,000"}};
        QVERIFY(imp.Execute());
        QCOMPARE(ds.column(0), (QStringList{"a1", "B2"})); // the key is written too
        QCOMPARE(ds.column(2), (QStringList{"31", "1000"}));
        QCOMPARE(ds.column(1), (QStringList{"Ali", ""}));
        QCOMPARE(located,
                 (QStringList{QString::fromUtf8("کد>Code=a1"), QString::fromUtf8("کد>Code=B2")}));
        QCOMPARE(ds.disables, 1);
    }

    void messagesFromHandlerThenTable()
    {
        TDurvelLocale::Instance().OnLocalize = [](int id, QString& text) {
            if (id == 42070)
                text = QString::fromUtf8("نقشه خالی است");
        };
        const auto restore = qScopeGuard([] { TDurvelLocale::Instance().OnLocalize = nullptr; });
        QCOMPARE(LoadImportStr(42070), QString::fromUtf8("نقشه خالی است"));
        QCOMPARE(LoadImportStr(42050), QString("File name is not specified"));
        QCOMPARE(LoadImportStr(41999), QString());
        QCOMPARE(FormatImportStr(44140, {"T", "7", "m"}), QString("T - Line 7: m"));
        FakeDataSet ds({{"Code"}});
        ListReader imp;
        imp.DataSet = &ds;
        QVERIFY_THROWS_EXCEPTION(EDurvelError, imp.Execute());
        try {
            imp.Execute();
        } catch (const EDurvelError& e) {
            QCOMPARE(e.message(), QString::fromUtf8("نقشه خالی است"));
        }
    }

    void gridStartRowFillsPreparedRowFirst()
    {
        DurvelCellStore grid(2, 2);
        grid.setCell(0, 0, "Code");
        ListReader imp;
        imp.ImportDestination = didStringGrid;
        imp.StringGrid = &grid;
        imp.GridCaptionRow = 0;
        imp.GridStartRow = 1;
        imp.ImportMode = dimUpdateOrInsert;
        imp.KeyColumns().Add("0");
        imp.Map().Add("0=1");
        imp.Map().Add("1=2");
        imp.Lines = {{"k1", "a"}, {"k2", "b"}, {"k1", "c"}};
        QVERIFY(imp.Execute());
        QCOMPARE(gridRows(grid), (QList<QStringList>{{"Code", ""}, {"k1", "c"}, {"k2", "b"}}));
    }

    void deletingOnlyRowLeavesNoStaleCells()
    {
        DurvelCellStore grid = makeGrid({"Code"}, {{"A"}});
        ListReader imp;
        imp.ImportDestination = didStringGrid;
        imp.StringGrid = &grid;
        imp.GridCaptionRow = 0;
        imp.ImportMode = dimDelete;
        imp.KeyColumns().Add("Code");
        imp.Map().Add("Code=1");
        imp.Lines = {{"a"}};
        QVERIFY(imp.Execute());
        QCOMPARE(grid.rowCount(), 1);
        grid.setRowCount(2);
        QCOMPARE(grid.cell(0, 1), QString());
    }

    void cellStoreRowsComeBackEmpty()
    {
        DurvelCellStore grid(2, 3);
        grid.setCell(1, 2, "x");
        grid.setRowCount(1);
        grid.setRowCount(3);
        QCOMPARE(grid.cell(1, 2), QString());
        QCOMPARE(grid.row(2), QStringList({"", ""}));
        grid.setColCount(3);
        grid.setRowCount(5);
        QCOMPARE(grid.row(4), QStringList({"", "", ""}));
        grid.setCell(2, 4, "y");
        QCOMPARE(grid.row(4), QStringList({"", "", "y"}));
    }

    // A grid that already has the most rows refuses each further row, never wraps.
    void fullGridTakesNoMoreRows()
    {
        class FullGrid : public DurvelStringGrid
        {
        public:
            QList<int> asked;
            int rowCount() const override { return std::numeric_limits<int>::max(); }
            void setRowCount(int rows) override { asked << rows; }
            int colCount() const override { return 1; }
            QString cell(int, int) const override { return QString(); }
            void setCell(int, int, const QString&) override {}
        } grid;
        ListReader imp;
        intoGrid(imp, grid);
        imp.Lines = numberedRows(2);
        imp.Execute();
        QCOMPARE(imp.ErrorCount(), 2);
        QCOMPARE(imp.ImportedCount(), 0);
        QCOMPARE(grid.asked, QList<int>());
    }

    void settingsRefused_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message");
        QTest::newRow("no data set") << "nodataset"
                                     << "DataSet is not defined";
        QTest::newRow("no grid") << "nogrid"
                                 << "StrinGrid is not defined";
        QTest::newRow("data grid without data") << "gridnodata"
                                                << "DataSet is not defined";
        QTest::newRow("no file name") << "nofile"
                                      << "File name is not specified";
        QTest::newRow("missing file") << "missingfile"
                                      << "File /no/such/file does not exist";
        QTest::newRow("empty map") << "emptymap"
                                   << "Map is empty";
        QTest::newRow("unknown map column")
            << "badmap"
            << "Column Age is defined in the MAP is not found in the import destination";
        QTest::newRow("no keys") << "nokeys"
                                 << "Key columns are not defined";
        QTest::newRow("key not in destination")
            << "badkey"
            << "Key column Zip is not found in the import destination";
        QTest::newRow("key not in row") << "keynotmapped"
                                        << "Key column Name is not found in the import destination";
        QTest::newRow("caption below start")
            << "caption"
            << "GridCaptionRow cannot be greater than GridStartRow";
        QTest::newRow("start row at the int limit")
            << "lastrow"
            << "GridStartRow 2147483647 is past the last row a grid can have";
        QTest::newRow("start row past the largest sheet")
            << "hugerow"
            << "GridStartRow 1048576 is past the last row a grid can have";
    }
    void settingsRefused()
    {
        QFETCH(QString, setup);
        QFETCH(QString, message);
        FakeDataSet ds({{"Code"}, {"Name"}});
        DurvelCellStore grid(2, 4);
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        imp.Lines = numberedRows(2);
        if (setup == "nodataset")
            imp.DataSet = nullptr;
        if (setup == "nogrid")
            imp.ImportDestination = didStringGrid;
        FakeDBGrid dbGrid(nullptr, {"Code"}, {"Code"});
        if (setup == "gridnodata") {
            imp.ImportDestination = didDBGrid;
            imp.DBGrid = &dbGrid;
        }
        if (setup == "nofile")
            imp.SetFileName(QString());
        if (setup == "missingfile")
            imp.SetFileName("/no/such/file");
        if (setup == "emptymap")
            imp.Map().Clear();
        if (setup == "badmap")
            imp.Map().Add("Age=2");
        if (setup == "nokeys")
            imp.ImportMode = dimUpdate;
        if (setup == "badkey" || setup == "keynotmapped") {
            imp.ImportMode = dimUpdate;
            imp.KeyColumns().Add(setup == "badkey" ? "Zip" : "Name");
        }
        if (setup == "caption" || setup == "lastrow" || setup == "hugerow") {
            imp.ImportDestination = didStringGrid;
            imp.StringGrid = &grid;
            imp.GridCaptionRow = 3;
            imp.GridStartRow = setup == "caption"   ? 2
                               : setup == "hugerow" ? 1048576
                                                    : std::numeric_limits<int>::max();
            imp.Map().Clear();
            imp.Map().Add("1=1");
        }
        try {
            imp.Execute();
            QFAIL("accepted");
        } catch (const EDurvelError& e) {
            QCOMPARE(e.message(), message);
        }
        QCOMPARE(imp.Opened, 0);
        QCOMPARE(ds.disables, 0);
        QVERIFY(!imp.Running());
    }

    void captionRowWithOpenStartIsAccepted()
    {
        DurvelCellStore grid(2, 4);
        ListReader imp;
        imp.ImportDestination = didStringGrid;
        imp.StringGrid = &grid;
        imp.GridCaptionRow = 3;
        imp.Map().Add("1=1");
        imp.Lines = numberedRows(1);
        QVERIFY(imp.Execute());
        QCOMPARE(grid.rowCount(), 5);
        QCOMPARE(grid.cell(1, 4), QString("1"));
    }

    void failedImportReleasesAndLogs_data()
    {
        QTest::addColumn<QString>("stage");
        QTest::addColumn<int>("committed");
        QTest::addColumn<QByteArray>("errorLine"); // empty: no log could be written
        QTest::newRow("log below a plain file") << "log" << 0 << QByteArray();
        QTest::newRow("reader after the base preparation")
            << "prepared" << 0 << QByteArray("Line 1");
        QTest::newRow("source while read") << "read" << 2 << QByteArray("Line 3");
    }
    void failedImportReleasesAndLogs()
    {
        QFETCH(QString, stage);
        QFETCH(int, committed);
        QFETCH(QByteArray, errorLine);
        FakeDataSet ds({{"Code"}});
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        imp.CommitRecCount = 2;
        imp.Lines = numberedRows(5);
        imp.ErrorLog = true;
        const QString log = m_dir.filePath("failed.log");
        QFile plain(log);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        imp.ErrorLogFileName = stage == "log" ? log + "/x.log" : log;
        imp.Formats().ShortDateFormat = "'D'";
        imp.Formats().ShortTimeFormat = "'T'";
        const auto fail = [] { throw std::runtime_error("broken source"); };
        if (stage == "prepared")
            imp.OnPrepared = fail;
        if (stage == "read")
            imp.OnRead = [&](int index) {
                if (index == 2)
                    fail();
            };
        bool after = false;
        imp.OnAfterImport = [&](TDurvel3*) { after = true; };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, imp.Execute());
        QCOMPARE(after, stage == "read");
        QCOMPARE(ds.committed().size(), committed); // batches before the failure stay
        QCOMPARE(ds.disables, ds.enables);
        QCOMPARE(ds.starts, ds.commits + ds.rollbacks);
        QVERIFY(!ds.inTransaction);
        QVERIFY(!imp.Running());
        QCOMPARE(readFile(log), errorLine.isEmpty()
                                    ? QByteArray()
                                    : "\xEF\xBB\xBF"
                                      "D T - Import process started\r\n\r\nD T - " +
                                          errorLine +
                                          ": broken source\r\n\r\nD T - Import process "
                                          "finished\r\n1 error(s) found\r\nImport failed: " +
                                          QByteArray::number(committed) + " row(s) kept\r\n\r\n");

        imp.OnPrepared = nullptr;
        imp.OnRead = nullptr;
        imp.ErrorLogFileName = log;
        QVERIFY(imp.Execute());
        QCOMPARE(ds.committed().size(), committed + 5);
        QVERIFY(readFile(log).endsWith("No error found\r\n\r\n"));
    }

    void lateTotalIsCapped_data()
    {
        QTest::addColumn<int>("cap");
        QTest::addColumn<int>("reported");
        QTest::addColumn<int>("total");
        QTest::newRow("capped") << 5 << 100 << 5;
        QTest::newRow("no cap") << 0 << 100 << 100;
        QTest::newRow("cap above the total") << 200 << 100 << 100;
    }
    void lateTotalIsCapped()
    {
        QFETCH(int, cap);
        QFETCH(int, reported);
        QFETCH(int, total);
        DurvelCellStore grid(1, 0);
        ListReader imp;
        intoGrid(imp, grid);
        imp.Lines = numberedRows(1);
        imp.ImportRecCount = cap;
        imp.LateTotal = reported;
        QVERIFY(imp.Execute());
        QCOMPARE(imp.TotalRecCount(), total);
    }

    void rowDeleteKeepsNamesOnTheirColumns_data()
    {
        QTest::addColumn<int>("deleted");
        QTest::newRow("first") << 0;
        QTest::newRow("middle") << 1;
        QTest::newRow("last") << 2;
    }
    void rowDeleteKeepsNamesOnTheirColumns()
    {
        QFETCH(int, deleted);
        const QStringList names{"A", "B", "C"};
        TDurvelRow row;
        for (int i = 0; i < names.size(); ++i)
            row.IndexName(row.AddColumn(names[i])->Name, i);
        row.Delete(deleted);
        QCOMPARE(row.Count(), 2);
        for (const QString& name : names)
            row.SetValue(name, name.toLower());
        for (int i = 0; i < row.Count(); ++i)
            QCOMPARE(row.Items(i)->Value, row.Items(i)->Name.toLower());
        QVERIFY(!row.ColumnByName(names[deleted]));
        QCOMPARE(row.MapPosition(names[deleted]), -1);
    }

    // A map name given on two lines fills its later line's column, also once a column before
    // it has gone.
    void nameGivenTwiceTakesItsLaterLine()
    {
        TDurvelRow row;
        row.SizeNameIndex(3);
        row.IndexName(row.AddColumn("X")->Name, 0);
        row.IndexName(row.AddColumn(" A")->Name, 1);
        row.IndexName(row.AddColumn("A ")->Name, 2);
        QCOMPARE(row.MapPosition("A"), 2);
        QCOMPARE(row.ColumnByName("A"), row.Items(1)); // the first column of the name
        row.Delete(0);
        QCOMPARE(row.MapPosition("A"), 1);
        QCOMPARE(row.MapPosition("X"), -1);
        row.SetValue("A", "v");
        QCOMPARE(row.Items(1)->Value, QStringLiteral("v"));
        QCOMPARE(row.Items(0)->Value, QString());
    }

    void refusesReentry()
    {
        DurvelCellStore grid(1, 0);
        ListReader imp;
        intoGrid(imp, grid);
        imp.Lines = numberedRows(2);
        int refused = 0;
        imp.OnImportRecord = [&](TDurvel3* s) {
            try {
                s->Execute();
            } catch (const EDurvelError&) {
                ++refused;
            }
        };
        QVERIFY(imp.Execute());
        QCOMPARE(refused, 2);
        QCOMPARE(grid.rowCount(), 2);
    }

    void yieldsAfterEveryRowAndHonoursRecordCap()
    {
        FakeDataSet ds({{"Code", ftWideString, true}});
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        imp.Lines = {{"1"}, {""}, {"#skip"}, {"4"}, {"5"}, {"6"}};
        imp.ImportRecCount = 3;
        int yields = 0;
        imp.SetYieldHandler([&] { ++yields; }, 0);
        QVERIFY(imp.Execute());
        QCOMPARE(yields, 4);         // the failing and the skipped row included
        QCOMPARE(ds.rows.size(), 2); // rows 1 and 4; row 2 failed; 5 and 6 past the cap
        QCOMPARE(imp.ErrorCount(), 1);
    }

    // Fast rows look at the clock now and then; once rows slow down, the window still hears
    // from the import about every interval, however fast the rows before them came.
    void slowRowsStillYieldOnTime()
    {
        FakeDataSet ds({{"Code", ftWideString, false}});
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        for (int i = 0; i < 2040; ++i)
            imp.Lines << QStringList{QString::number(i)};
        imp.OnRead = [](int index) {
            if (index >= 2000) // the last 40 rows take 5 ms each
                QThread::msleep(5);
        };
        QList<int> at;
        imp.SetYieldHandler([&] { at << imp.LineCounter(); }, 10);
        QVERIFY(imp.Execute());
        // 200 ms of slow rows at a 10 ms interval: about twenty yields, never fewer than ten.
        const qsizetype slow = std::count_if(at.begin(), at.end(), [](int n) { return n > 2000; });
        QVERIFY2(slow >= 10, qPrintable(QString::number(slow)));
    }

    void userDefinedDestination()
    {
        ListReader imp;
        imp.ImportDestination = didUserDefined;
        imp.Map().Add("Anything=2");
        imp.Lines = {{"a", "x"}, {"#skip"}, {"b", "y"}};
        QStringList got;
        imp.OnUserDefinedImport = [&](TDurvel3*, TDurvelRow* row) {
            got << row->ColumnByName("Anything")->Value;
        };
        QVERIFY(imp.Execute());
        QCOMPARE(got, (QStringList{"x", "y"}));
        QCOMPARE(imp.ImportedCount(), 0);

        // Cancel stops the rows handed to the handler too.
        got.clear();
        imp.OnUserDefinedImport = [&](TDurvel3* s, TDurvelRow* row) {
            got << row->ColumnByName("Anything")->Value;
            s->Cancel();
        };
        QVERIFY(imp.Execute());
        QCOMPARE(got, QStringList{"x"});
        QVERIFY(imp.Canceled());
    }

    void beforePostRefusalStillCounts()
    {
        DurvelCellStore grid(1, 0);
        ListReader imp;
        intoGrid(imp, grid);
        imp.Lines = numberedRows(3);
        imp.OnBeforePost = [](TDurvel3*, TDurvelRow* row, bool& accept) {
            accept = row->Items(0)->Value != "2";
        };
        QVERIFY(imp.Execute());
        QCOMPARE(imp.ImportedCount(), 3);
        QCOMPARE(gridRows(grid), (QList<QStringList>{{"1"}, {"3"}}));
    }

    void generatorAndConstantColumnsNeedNoMap()
    {
        DurvelCellStore grid(3, 0);
        ListReader imp;
        intoGrid(imp, grid, "0=2");
        TDurvelFieldFormat* gen = imp.FieldFormats().Add();
        gen->FieldName = "1";
        gen->GeneratorValue = 100;
        gen->GeneratorStep = 10;
        TDurvelFieldFormat* constant = imp.FieldFormats().Add();
        constant->FieldName = "2";
        constant->ConstantValue = "K";
        imp.Lines = numberedRows(3);
        QVERIFY(imp.Execute());
        QCOMPARE(gridRows(grid),
                 (QList<QStringList>{
                     {"name1", "110", "K"}, {"name2", "120", "K"}, {"name3", "130", "K"}}));
    }

    // ---- error log ----

    void errorLogBytes_data()
    {
        QTest::addColumn<QList<QStringList>>("source");
        QTest::addColumn<QByteArray>("log");
        // A new log is UTF-8 behind a byte-order mark.
        const QByteArray start = "\xEF\xBB\xBF"
                                 "D T - Import process started\r\n\r\n";
        const QByteArray end = "D T - Import process finished\r\n";
        QTest::newRow("no errors")
            << QList<QStringList>{{"1", "a", "3"}} << start + end + "No error found\r\n\r\n";
        QTest::newRow("rows and conversions")
            << QList<QStringList>{{"1", "a", "30"},
                                  {"", "b", "31"},
                                  {"3", "c", "x"},
                                  {"", "d", ""},
                                  {"5", "e", "9"}}
            << start +
                   "D T - Line 2: Field 'Code' must have a value\r\n"
                   "D T - Line 3: 'x' is not a valid integer value\r\n"
                   "D T - Line 4: Field 'Code' must have a value\r\n"
                   "\r\n" +
                   end + "3 error(s) found\r\n\r\n";
        QTest::newRow("only a conversion")
            << QList<QStringList>{{"1", "a", "1e"}}
            << start + "D T - Line 1: '1e' is not a valid integer value\r\n\r\n" + end +
                   "1 error(s) found\r\n\r\n";
        QTest::newRow("persian text")
            << QList<QStringList>{{"1", "a", QString::fromUtf8("سی")}}
            << start + "D T - Line 1: '" + QString::fromUtf8("سی").toUtf8() +
                   "' is not a valid integer value\r\n\r\n" + end + "1 error(s) found\r\n\r\n";
    }
    void errorLogBytes()
    {
        QFETCH(QList<QStringList>, source);
        QFETCH(QByteArray, log);
        FakeDataSet ds({{"Code", ftWideString, true}, {"Name"}, {"Age", ftInteger}});
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        imp.Map().Add("Name=2");
        imp.Map().Add("Age=3");
        imp.Formats().ShortDateFormat = "'D'";
        imp.Formats().ShortTimeFormat = "'T'";
        imp.ErrorLog = true;
        imp.ErrorLogFileName = m_dir.filePath("bytes.log");
        imp.Lines = source;
        QVERIFY(imp.Execute());
        QCOMPARE(readFile(imp.ErrorLogFileName), log);
    }

    // A log named on a pipe nothing reads or on a device that takes no bytes: the import does
    // not start, says why, never waits on the pipe, and the node stays as it was.
    void logOnAPipeOrDevice_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("rewrite");
        QTest::newRow("pipe") << "pipe" << true;
        QTest::newRow("pipe, appended to") << "pipe" << false;
        QTest::newRow("full device") << "device" << true;
        QTest::newRow("full device, appended to") << "device" << false;
    }
    void logOnAPipeOrDevice()
    {
        QFETCH(QString, kind);
        QFETCH(bool, rewrite);
        QString log = m_dir.filePath(QStringLiteral("node.log"));
        QFile::remove(log);
        const QByteArray name = QFile::encodeName(log);
        if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 7)) != 0)
            log = QStringLiteral("/dev/full");
        const auto nodeKind = [&log] {
            struct stat st;
            return ::lstat(QFile::encodeName(log).constData(), &st) == 0 ? st.st_mode & S_IFMT
                                                                         : 0;
        };
        const auto before = nodeKind();
        FakeDataSet ds({{"Code", ftWideString, true}});
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        imp.Lines = numberedRows(3);
        imp.ErrorLog = true;
        imp.ErrorLogFileName = log;
        imp.RewriteErrorLogFile = rewrite;
        try {
            imp.Execute();
            QFAIL("the import ran with a log it could not write");
        } catch (const EDurvelError& e) {
            QVERIFY2(e.message().contains(log), qPrintable(e.message()));
        }
        QVERIFY(ds.rows.isEmpty());
        QCOMPARE(nodeKind(), before);
        if (log != QLatin1String("/dev/full"))
            QFile::remove(log);
    }

    // The program reading the log from a pipe leaves during the run: the import goes on to its
    // end, and the run tells that its log is incomplete, with the reason. The next run's log,
    // written whole, tells nothing.
    void logWhoseReaderLeavesIsToldIncomplete_data()
    {
        QTest::addColumn<bool>("midway"); // else before the run's last lines
        QTest::addColumn<int>("failing"); // rows without a code, each a line of the log
        QTest::newRow("before the last lines") << false << 0;
        QTest::newRow("midway through a long log") << true << 5000;
    }
    void logWhoseReaderLeavesIsToldIncomplete()
    {
        QFETCH(bool, midway);
        QFETCH(int, failing);
        const QString log = m_dir.filePath(QStringLiteral("leaving.log"));
        QFile::remove(log);
        QCOMPARE(::mkfifo(QFile::encodeName(log).constData(), 0600), 0);
        const auto removeLog = qScopeGuard([&] { QFile::remove(log); });
        FakeDataSet ds({{"Code", ftWideString, true}});
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        imp.Lines = numberedRows(3);
        for (int i = 0; i < failing; ++i)
            imp.Lines << QStringList{QString()};
        imp.Formats().ShortDateFormat = "'D'";
        imp.Formats().ShortTimeFormat = "'T'";
        imp.ErrorLog = true;
        imp.ErrorLogFileName = log;
        LeavingReader reader(log,
                             midway ? LeavingReader::AfterFirstBytes : LeavingReader::WhenTold);
        imp.OnAfterImport = [&](TDurvel3*) { reader.leave(); };
        QVERIFY(imp.Execute());
        const QByteArray received = reader.finish();
        QCOMPARE(ds.committed().size(), 3);
        QCOMPARE(imp.ErrorCount(), failing);
        // What it took is the log's beginning.
        const QByteArray start = "\xEF\xBB\xBF"
                                 "D T - Import process started\r\n";
        QVERIFY(!received.isEmpty());
        QCOMPARE(received.left(start.size()), start.left(received.size()));
        const QString failure = imp.ErrorLogFailure();
        QVERIFY2(failure.contains(log) && failure.contains(QStringLiteral("incomplete")) &&
                     failure.contains(QString::fromLocal8Bit(std::strerror(EPIPE))),
                 qPrintable(failure));

        QFile::remove(log);
        imp.OnAfterImport = nullptr;
        QVERIFY(imp.Execute());
        QVERIFY(imp.ErrorLogFailure().isEmpty());
        QVERIFY(readFile(log).endsWith("error(s) found\r\n\r\n") || failing == 0);
    }

    // A log name resolved within the program's folder is opened without following a link that
    // stands on its way now: nothing is written where it leads. Any other name follows links.
    void resolvedLogNameFollowsNoLink_data()
    {
        QTest::addColumn<bool>("resolved");
        QTest::newRow("resolved") << true;
        QTest::newRow("as given") << false;
    }
    void resolvedLogNameFollowsNoLink()
    {
        QFETCH(bool, resolved);
        QTemporaryDir base;
        const QString elsewhere = base.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(QFile::link(elsewhere, base.filePath(QStringLiteral("logs"))));
        const QString log = base.filePath(QStringLiteral("logs/x.log"));
        FakeDataSet ds({{"Code"}});
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        imp.Lines = numberedRows(2);
        imp.ErrorLog = true;
        imp.ErrorLogFileName = log;
        imp.ErrorLogFileNameResolved = resolved;
        if (resolved) {
            try {
                imp.Execute();
                QFAIL("the log was written through a link");
            } catch (const EDurvelError& e) {
                QVERIFY2(e.message().contains(log), qPrintable(e.message()));
            }
            QVERIFY(ds.rows.isEmpty());
            QVERIFY(QDir(elsewhere).isEmpty());
        } else {
            QVERIFY(imp.Execute());
            QVERIFY(
                readFile(elsewhere + QStringLiteral("/x.log")).endsWith("No error found\r\n\r\n"));
        }
    }

    void errorsCountedWithoutLog()
    {
        FakeDataSet ds({{"Code", ftWideString, true}});
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        imp.Lines = {{""}, {"2"}, {""}};
        int reported = 0;
        imp.OnImportError = [&](TDurvel3*) { ++reported; };
        QVERIFY(imp.Execute());
        QCOMPARE(imp.ErrorCount(), 2);
        QCOMPARE(reported, 2);
        QVERIFY(imp.LastErrorText().endsWith("Line 3: Field 'Code' must have a value"));
    }

    void failedConversionKeepsStoredValue()
    {
        FakeDataSet ds({{"Code"}, {"Born", ftDate}});
        ds.rows = {{"A", QDate(2000, 1, 2)}};
        ds.current = 0;
        ListReader imp;
        imp.DataSet = &ds;
        imp.ImportMode = dimUpdate;
        imp.KeyColumns().Add("Code");
        imp.Map().Add("Code=1");
        imp.Map().Add("Born=2");
        imp.Lines = {{"A", "31/31/2000"}};
        QStringList conversions;
        imp.OnImportErrorAdv = [&](TDurvel3* s) { conversions << s->LastErrorText(); };
        QVERIFY(imp.Execute());
        QCOMPARE(ds.rows.at(0).at(1).toDate(), QDate(2000, 1, 2));
        QCOMPARE(conversions.size(), 1);
        QVERIFY(conversions.at(0).endsWith("Line 1: Wrong date format \"31/31/2000\""));
        QCOMPARE(imp.ConversionErrorCount(), 1);
        QCOMPARE(imp.ErrorCount(), 0);
    }

    void appendCreatesAndExtendsLog()
    {
        DurvelCellStore grid(1, 0);
        ListReader imp;
        intoGrid(imp, grid);
        imp.Lines = numberedRows(1);
        imp.Formats().ShortDateFormat = "'D'";
        imp.Formats().ShortTimeFormat = "'T'";
        imp.ErrorLog = true;
        imp.RewriteErrorLogFile = false;
        imp.ErrorLogFileName = m_dir.filePath("append.log");
        QFile::remove(imp.ErrorLogFileName);
        QVERIFY(imp.Execute());
        QVERIFY(imp.Execute());
        const QByteArray once = "D T - Import process started\r\n\r\nD T - Import process "
                                "finished\r\nNo error found\r\n\r\n";
        const QByteArray mark = "\xEF\xBB\xBF";
        QCOMPARE(readFile(imp.ErrorLogFileName), mark + once + once);
        imp.RewriteErrorLogFile = true;
        QVERIFY(imp.Execute());
        QCOMPARE(readFile(imp.ErrorLogFileName), mark + once);
    }

    // A log appended to keeps the encoding it was begun in: an older one in the ANSI page
    // gets ANSI lines, a UTF-8 one UTF-8 lines.
    void appendedLogKeepsItsEncoding_data()
    {
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<QByteArray>("line");
        const QString persian = QString::fromUtf8("سی");
        QTest::newRow("ANSI log") << QByteArray("old\r\n")
                                  << "'" + codepage::encode(1256, persian) + "'";
        QTest::newRow("UTF-8 log")
            << QByteArray("\xEF\xBB\xBFold\r\n") << "'" + persian.toUtf8() + "'";
        QTest::newRow("empty file") << QByteArray() << "'" + persian.toUtf8() + "'";
    }
    void appendedLogKeepsItsEncoding()
    {
        QFETCH(QByteArray, existing);
        QFETCH(QByteArray, line);
        FakeDataSet ds({{"Age", ftInteger}});
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Age=1");
        imp.Lines = {{QString::fromUtf8("سی")}};
        imp.ErrorLog = true;
        imp.RewriteErrorLogFile = false;
        imp.ErrorLogFileName = m_dir.filePath("kept.log");
        QFile f(imp.ErrorLogFileName);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(existing);
        f.close();
        QVERIFY(imp.Execute());
        const QByteArray log = readFile(imp.ErrorLogFileName);
        QVERIFY2(log.startsWith(existing.isEmpty() ? QByteArray("\xEF\xBB\xBF") : existing),
                 log.constData());
        QVERIFY2(log.contains(line + " is not a valid integer value"), log.constData());
        QCOMPARE(log.count("\xEF\xBB\xBF"),
                 existing.startsWith("\xEF") || existing.isEmpty() ? 1 : 0);
    }

    void logPathResolution_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fromTemplate");
        QTest::addColumn<QString>("expected"); // "@" stands for the program's folder
        QTest::addColumn<QString>("created");  // a folder the import makes, relative to m_dir
        QTest::newRow("set: folder relative to the current one")
            << "sub/deeper/rel.log" << false << "sub/deeper/rel.log"
            << "sub/deeper";
        QTest::newRow("set: bare name")
            << "durvel-test-bare.log" << false << "@/durvel-test-bare.log"
            << "";
        QTest::newRow("template: bare name")
            << "durvel-test-bare.log" << true << "@/durvel-test-bare.log"
            << "";
        QTest::newRow("template: missing folder, no folder made")
            << "sub/deeper/tpl.log" << true << "@/tpl.log"
            << "";
        QTest::newRow("template: existing folder of the program's")
            << "../engine/durvel-test-up.log" << true << "@/durvel-test-up.log"
            << "";
    }
    void logPathResolution()
    {
        QFETCH(QString, name);
        QFETCH(bool, fromTemplate);
        QFETCH(QString, expected);
        QFETCH(QString, created);
        QTemporaryDir cwd;
        DurvelCellStore grid(1, 0);
        ListReader imp;
        imp.ErrorLog = true;
        imp.ShowErrorLog = true;
        imp.ErrorLogFileName = name;
        if (fromTemplate) {
            IniFile ini(cwd.filePath("t.imp"));
            ini.writeString("BASE", "ErrorLogFileName", name);
            imp.LoadTemplateSections(ini);
        }
        intoGrid(imp, grid);
        imp.Lines = numberedRows(1);
        QString shown;
        imp.OnShowErrorLog = [&](const QString& path) { shown = path; };

        const QString programDir = QCoreApplication::applicationDirPath();
        expected.replace(u'@', programDir);
        const QString saved = QDir::currentPath();
        QDir::setCurrent(cwd.path());
        const auto restore = qScopeGuard([&] { QDir::setCurrent(saved); });
        QCOMPARE(imp.ErrorLogPath(), expected);
        QVERIFY(imp.Execute());
        QCOMPARE(shown, expected);
        QVERIFY(QFile::remove(expected));
        QCOMPARE(QDir(cwd.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 created.isEmpty() ? QStringList() : QStringList{created.section(u'/', 0, 0)});
        QVERIFY(!QFileInfo::exists(QDir(programDir).filePath("sub")));
    }
};

QTEST_GUILESS_MAIN(TestDurvel3)
#include "test_durvel3.moc"
