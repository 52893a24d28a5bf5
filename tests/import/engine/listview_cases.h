#pragma once
// The list-view destination's cases: the engine's tests run them against a plain list, the
// wizard's against the Qt list the program would give an import.

#include "import/engine/Durvel3.h"

#include <QCoreApplication>
#include <QtTest>

#include <functional>
#include <memory>

namespace listviewcases {

// Map values are 1-based positions in each of Lines.
class Reader : public TDurvel3
{
public:
    // Any existing file does; the reader never opens it.
    Reader() { SetFileName(QCoreApplication::applicationFilePath()); }
    QList<QStringList> Lines;

protected:
    void OpenSource() override { m_pos = 0; }
    bool HasMoreRows() override { return m_pos < Lines.size(); }
    bool SkipRow() override { return false; }
    void ReadRow() override
    {
        Row()->ClearValues();
        const QChar sep = Map().NameValueSeparator();
        for (int i = 0; i < Map().Count(); ++i) {
            const QString line = Map().Strings(i);
            const int eq = line.indexOf(sep);
            Row()->SetValue(DurvelTrimName(line.left(eq)),
                            Lines.at(m_pos).value(line.mid(eq + 1).toInt() - 1));
        }
        ApplyFieldFormats();
    }
    void NextRow() override { ++m_pos; }

private:
    int m_pos = 0;
};

// A list view made for one case, and what it shows.
class Fixture
{
public:
    virtual ~Fixture() = default;
    virtual DurvelListView& View() = 0;
    // Every item's text in every column, in the list's order.
    virtual QList<QStringList> Items() const = 0;
    // Inside an update bracket.
    virtual bool Updating() const = 0;
};
using Factory = std::function<std::unique_ptr<Fixture>(const QStringList& Captions,
                                                       const QList<QStringList>& Items)>;

inline void addData()
{
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QList<QStringList>>("items");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("allowDuplicates");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("map");
    QTest::addColumn<QList<QStringList>>("source");
    QTest::addColumn<QList<QStringList>>("expected");
    QTest::addColumn<QList<int>>("actions");

    // Captions and keys are found without regard to letter case; a column the map leaves out
    // keeps its text, and a new item's stays empty.
    QTest::newRow("update or insert by captions in another case")
        << QStringList{"Code", "Name", "City"} << QList<QStringList>{{"A1", "Ali", "Tehran"}}
        << int(dimUpdateOrInsert) << true << QStringList{"code"}
        << QStringList{"code=1", "NAME=2"} << QList<QStringList>{{"a1", "Ali R"}, {"B2", "Reza"}}
        << QList<QStringList>{{"a1", "Ali R", "Tehran"}, {"B2", "Reza", ""}} << QList<int>{2, 1};

    const QStringList captions{"Code", "Name"};
    const QList<QStringList> items{{"A1", "Ali"}, {"B2", "Reza"}};
    const QStringList map{"Code=1", "Name=2"};
    const QList<QStringList> source{{"b2", "Reza J"}, {"C3", "Sara"}};
    const auto mode = [&](const char* name, TDurvelMode m, bool allow, const QStringList& keys,
                          const QList<QStringList>& from, const QList<QStringList>& expected,
                          const QList<int>& actions) {
        QTest::newRow(name) << captions << items << int(m) << allow << keys << map << from
                            << expected << actions;
    };
    mode("insert all", dimInsertAll, true, {"Code"}, source,
         {{"A1", "Ali"}, {"B2", "Reza"}, {"b2", "Reza J"}, {"C3", "Sara"}}, {1, 1});
    mode("insert new", dimInsertNew, true, {"Code"}, source,
         {{"A1", "Ali"}, {"B2", "Reza"}, {"C3", "Sara"}}, {0, 1});
    mode("update", dimUpdate, true, {"Code"}, source, {{"A1", "Ali"}, {"b2", "Reza J"}}, {2, 0});
    mode("update or insert", dimUpdateOrInsert, true, {"Code"}, source,
         {{"A1", "Ali"}, {"b2", "Reza J"}, {"C3", "Sara"}}, {2, 1});
    mode("delete", dimDelete, true, {"Code"}, source, {{"A1", "Ali"}}, {3, 0});
    mode("delete or insert", dimDeleteOrInsert, true, {"Code"}, source,
         {{"A1", "Ali"}, {"C3", "Sara"}}, {3, 1});
    // Duplicates are compared with letter case.
    mode("duplicate refused", dimInsertNew, false, {"Code"}, {{"X9", "Ali"}, {"Y9", "ali"}},
         {{"A1", "Ali"}, {"B2", "Reza"}, {"Y9", "ali"}}, {0, 1});
    mode("duplicates ignored by insert all", dimInsertAll, false, {"Code"}, {{"A1", "Ali"}},
         {{"A1", "Ali"}, {"B2", "Reza"}, {"A1", "Ali"}}, {1});
    mode("every column a key", dimInsertNew, false, {"Code", "Name"},
         {{"A1", "Ali"}, {"A1", "Sara"}}, {{"A1", "Ali"}, {"B2", "Reza"}, {"A1", "Sara"}}, {0, 1});
    // A row deleted and then one inserted: the list closes up and the new item follows.
    mode("delete then insert", dimDeleteOrInsert, true, {"Code"},
         {{"A1", ""}, {"D4", "Dara"}, {"a1", "Ali 2"}}, {{"B2", "Reza"}, {"D4", "Dara"}, {"a1", "Ali 2"}},
         {3, 1, 1});
}

inline void run(const Factory& make)
{
    QFETCH(QStringList, captions);
    QFETCH(QList<QStringList>, items);
    QFETCH(int, mode);
    QFETCH(bool, allowDuplicates);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, map);
    QFETCH(QList<QStringList>, source);
    QFETCH(QList<QStringList>, expected);
    QFETCH(QList<int>, actions);

    const std::unique_ptr<Fixture> list = make(captions, items);
    Reader imp;
    imp.ImportDestination = didListView;
    imp.ListView = &list->View();
    imp.ImportMode = TDurvelMode(mode);
    imp.AllowDuplicates = allowDuplicates;
    for (const QString& m : map)
        imp.Map().Add(m);
    for (const QString& k : keys)
        imp.KeyColumns().Add(k);
    imp.Lines = source;
    QList<int> seen;
    bool updating = true;
    imp.OnImportRecord = [&](TDurvel3* s) {
        seen << s->RowAction();
        updating = updating && list->Updating();
    };
    QVERIFY(imp.Execute());
    QCOMPARE(list->Items(), expected);
    QCOMPARE(seen, actions);
    QCOMPARE(imp.ImportedCount(), int(source.size()));
    QCOMPARE(imp.ErrorCount(), 0);
    // The list is held still while the rows are written, and let go at the end.
    QVERIFY(updating);
    QVERIFY(!list->Updating());
}

} // namespace listviewcases
