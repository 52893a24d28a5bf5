#include "import/engine/support/SparseCells.h"

#include <QTest>
#include <limits>

namespace {

void* ptr(quintptr v)
{
    return reinterpret_cast<void*>(v);
}

QList<int> storedIndexes(const TKobSparsePointerArray& a)
{
    QList<int> out;
    a.ForAll([&](int i, void*) {
        out << i;
        return 0;
    });
    return out;
}

QStringList texts(const TKobWideStringSparseList& l)
{
    QStringList out;
    for (int i = 0; i < l.Count(); ++i)
        out << l.Get(i);
    return out;
}

} // namespace

class TestSparseCells : public QObject
{
    Q_OBJECT

private slots:
    // Indexes far past what a 16-bit directory could hold, for both leaf sizes.
    void arrayStoresAnyIndex_data()
    {
        QTest::addColumn<int>("quantum");
        QTest::addColumn<int>("index");
        for (int q : {int(SPASmall), int(SPALarge)}) {
            const char* name = q == SPASmall ? "small" : "large";
            for (int index : {0, 15, 16, 1048559, 1048560, 1048575, 16776960, 2147483647})
                QTest::addRow("%s %d", name, index) << q << index;
        }
    }
    void arrayStoresAnyIndex()
    {
        QFETCH(int, quantum);
        QFETCH(int, index);
        TKobSparsePointerArray a{TSPAQuantum(quantum)};
        a.Put(index, ptr(7));
        a.Put(3, ptr(9));
        QCOMPARE(a.Get(index), index == 3 ? ptr(9) : ptr(7));
        QCOMPARE(a.Get(index == 0 ? 1 : index - 1), index - 1 == 3 ? ptr(9) : nullptr);
        QCOMPARE(a.HighBound(), qMax(3, index));
        a.Put(index, nullptr);
        QCOMPARE(a.Get(index), nullptr);
        QCOMPARE(a.HighBound(), index == 3 ? -1 : 3);
    }

    void arrayVisitsInOrderAndStops()
    {
        TKobSparsePointerArray a(SPASmall);
        for (int i : {700000, 5, 17, 1048575})
            a.Put(i, ptr(quintptr(i) + 1));
        QCOMPARE(storedIndexes(a), QList<int>({5, 17, 700000, 1048575}));
        int seen = 0;
        QCOMPARE(a.ForAll([&](int i, void*) { return ++seen == 2 ? i : 0; }), 17);
        QList<int> tail;
        a.ForAllFrom(17, [&](int i, void*) {
            tail << i;
            return 0;
        });
        QCOMPARE(tail, QList<int>({1048575, 700000, 17}));
    }

    void listCountFollowsPutInsertDelete_data()
    {
        QTest::addColumn<QString>("ops");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("stored");
        QTest::newRow("nil on empty") << "put 5 0" << 0 << QList<int>{};
        QTest::newRow("put 100") << "put 100 1" << 101 << QList<int>{100};
        QTest::newRow("insert past count") << "put 1 1;insert 10 2" << 11 << QList<int>{1, 10};
        QTest::newRow("insert shifts") << "put 1 1;put 3 3;insert 2 2" << 5 << QList<int>{1, 2, 4};
        QTest::newRow("delete shifts")
            << "put 1 1;put 3 3;put 4 4;delete 2" << 4 << QList<int>{1, 2, 3};
        QTest::newRow("delete at count") << "put 1 1;delete 2" << 2 << QList<int>{1};
        QTest::newRow("delete negative") << "put 1 1;delete -1" << 2 << QList<int>{1};
        QTest::newRow("move up") << "put 0 1;put 1 2;put 2 3;move 0 2" << 3 << QList<int>{0, 1, 2};
        QTest::newRow("put nil at top") << "put 2 1;put 9 2;put 9 0" << 3 << QList<int>{2};
    }
    void listCountFollowsPutInsertDelete()
    {
        QFETCH(QString, ops);
        QFETCH(int, count);
        QFETCH(QList<int>, stored);
        TKobSparseList l(SPASmall);
        for (const QString& op : ops.split(u';')) {
            const QStringList w = op.split(u' ');
            const int a = w.at(1).toInt();
            const int b = w.size() > 2 ? w.at(2).toInt() : 0;
            if (w[0] == "put")
                l.Put(a, b ? ptr(quintptr(b)) : nullptr);
            else if (w[0] == "insert")
                l.Insert(a, ptr(quintptr(b)));
            else if (w[0] == "delete")
                l.Delete(a);
            else if (w[0] == "move")
                l.Move(a, b);
        }
        QCOMPARE(l.Count(), count);
        QList<int> got;
        l.ForAll([&](int i, void*) {
            got << i;
            return 0;
        });
        QCOMPARE(got, stored);
    }

    void listMoveKeepsOrder()
    {
        TKobSparseList l(SPASmall);
        for (int i = 0; i < 3; ++i)
            l.Put(i, ptr(quintptr(i) + 1));
        l.Move(0, 2);
        QCOMPARE(l.Get(0), ptr(2));
        QCOMPARE(l.Get(1), ptr(3));
        QCOMPARE(l.Get(2), ptr(1));
    }

    void listRefusesNegativeIndex()
    {
        TKobSparseList l(SPASmall);
        QVERIFY_THROWS_EXCEPTION(EStringListError, l.Get(-1));
        QVERIFY_THROWS_EXCEPTION(EStringListError, l.Insert(-2, nullptr));
        try {
            l.Put(-3, ptr(1));
            QFAIL("no error");
        } catch (const EStringListError& e) {
            QCOMPARE(e.message(), QString("List index out of bounds (-3)"));
        }
    }

    // The last int index cannot take an item or be pushed onto: the count would not fit. A
    // refusal leaves the list as it was, a refused move included.
    void refusalsAtTheLastIndexChangeNothing_data()
    {
        QTest::addColumn<QString>("op");
        QTest::newRow("put") << "put";
        QTest::newRow("insert") << "insert";
        QTest::newRow("insert pushing onto the last") << "push";
        QTest::newRow("move") << "move";
    }
    void refusalsAtTheLastIndexChangeNothing()
    {
        QFETCH(QString, op);
        const int last = std::numeric_limits<int>::max();
        TKobWideStringSparseList l(SPASmall);
        l.Put(3, "keep");
        if (op == "push" || op == "move")
            l.Put(last - 1, "top");
        const int count = l.Count();
        try {
            if (op == "put")
                l.Put(last, "x");
            else if (op == "insert")
                l.Insert(last, "x");
            else if (op == "push")
                l.Insert(0, "x");
            else
                l.Move(3, 1);
            QFAIL("no error");
        } catch (const EStringListError&) {
        }
        QCOMPARE(l.Count(), count);
        QCOMPARE(l.Get(3), QString("keep"));
        QCOMPARE(l.StoredCount(), op == "push" || op == "move" ? 2 : 1);
    }

    // Writing over an item counts as a put: the count follows the stored items again.
    void replacingTextRecountsTheList()
    {
        TKobWideStringSparseList l(SPASmall);
        l.Put(16, "a");
        l.Insert(57, QString());
        QCOMPARE(l.Count(), 58);
        l.Put(16, "b");
        QCOMPARE(l.Count(), 17);
        QCOMPARE(l.Get(16), QString("b"));
    }

    void stringListKeepsObjectsAndEmptiness()
    {
        TKobWideStringSparseList l(SPASmall);
        int changes = 0;
        l.OnChange = [&](TKobWideStringSparseList*) { ++changes; };
        l.Put(4, QString());
        QCOMPARE(l.Count(), 0); // nothing stored for an empty text without object
        l.PutObject(2, ptr(5));
        l.Put(2, QString());
        QCOMPARE(l.GetObject(2), ptr(5)); // the object keeps its item
        l.Put(3, "سلام");
        l.Insert(0, "x");
        QCOMPARE(texts(l), QStringList({"x", "", "", "", "سلام"}));
        QCOMPARE(l.GetObject(3), ptr(5));
        l.Delete(0);
        QCOMPARE(l.Get(3), QString("سلام"));
        QCOMPARE(l.StoredCount(), 2);
        l.Exchange(2, 3);
        QCOMPARE(l.Get(2), QString("سلام"));
        QCOMPARE(l.GetObject(3), ptr(5));
        QVERIFY(changes >= 6);
        l.Clear();
        QCOMPARE(l.Count(), 0);
        QCOMPARE(l.GetObject(3), nullptr);
    }

    void cellsShrinkDropsAndGrowShowsEmpty_data()
    {
        QTest::addColumn<bool>("shrinkRows");
        QTest::newRow("rows") << true;
        QTest::newRow("columns") << false;
    }
    void cellsShrinkDropsAndGrowShowsEmpty()
    {
        QFETCH(bool, shrinkRows);
        TKobSparseCells cells(5, 5);
        cells.SetCell(1, 1, "keep");
        cells.SetCell(4, 4, "drop");
        cells.SetObject(3, 4, ptr(1));
        QList<QPair<int, int>> sizes;
        cells.OnSizeChanged = [&](int c, int r) { sizes << qMakePair(c, r); };
        if (shrinkRows) {
            cells.SetRowCount(2);
            cells.SetRowCount(5);
        } else {
            cells.SetColCount(2);
            cells.SetColCount(5);
        }
        QCOMPARE(cells.Cell(4, 4), QString());
        QCOMPARE(cells.Object(3, 4), nullptr);
        QCOMPARE(cells.Cell(1, 1), QString("keep"));
        QCOMPARE(cells.StoredCellCount(), 1);
        QCOMPARE(sizes.size(), 2);
        QCOMPARE(sizes.first(), qMakePair(5, 5)); // the old counts
        QCOMPARE(sizes.last(), shrinkRows ? qMakePair(5, 2) : qMakePair(2, 5));
    }

    // A sheet-sized grid costs memory for its written cells only.
    void cellsAtSheetScale()
    {
        TKobSparseCells cells(257, 65537);
        cells.SetRowCount(1048576);
        cells.SetCell(256, 1048575, "last");
        cells.SetCell(0, 0, "first");
        QCOMPARE(cells.Cell(256, 1048575), QString("last"));
        QCOMPARE(cells.Cell(255, 1048575), QString());
        QCOMPARE(cells.Cell(256, 1048574), QString());
        QCOMPARE(cells.StoredCellCount(), 2);
        cells.SetCell(256, 1048575, QString());
        QCOMPARE(cells.StoredCellCount(), 1);
        cells.SetRowCount(1048575);
        QCOMPARE(cells.Cell(0, 0), QString("first"));
    }

    void cellsOutsideBoundsAreKeptUntilShrink()
    {
        TKobSparseCells cells(2, 2);
        cells.SetCell(5, 7, "later");
        QCOMPARE(cells.Cell(5, 7), QString("later"));
        cells.SetRowCount(8);
        cells.SetColCount(6);
        QCOMPARE(cells.Cell(5, 7), QString("later"));
        cells.SetColCount(5);
        QCOMPARE(cells.Cell(5, 7), QString());
    }

    void cellsMoveAndDelete_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QStringList>("column0");
        QTest::addColumn<QStringList>("row0");
        QTest::newRow("move row down")
            << "row 0 2" << QStringList{"b", "c", "a"} << QStringList{"b", "", ""};
        QTest::newRow("move row up")
            << "row 2 0" << QStringList{"c", "a", "b"} << QStringList{"c", "", ""};
        QTest::newRow("move column")
            << "col 0 2" << QStringList{"x", "", ""} << QStringList{"x", "", "a"};
        QTest::newRow("delete row")
            << "del 1" << QStringList{"a", "c"} << QStringList{"a", "x", ""};
    }
    void cellsMoveAndDelete()
    {
        QFETCH(QString, op);
        QFETCH(QStringList, column0);
        QFETCH(QStringList, row0);
        TKobSparseCells cells(3, 3);
        cells.SetCell(0, 0, "a");
        cells.SetCell(1, 0, "x");
        cells.SetCell(0, 1, "b");
        cells.SetCell(0, 2, "c");
        const QStringList w = op.split(u' ');
        if (w[0] == "row")
            cells.MoveRow(w[1].toInt(), w[2].toInt());
        else if (w[0] == "col")
            cells.MoveColumn(w[1].toInt(), w[2].toInt());
        else
            cells.DeleteRow(w[1].toInt());
        QStringList col, row;
        for (int r = 0; r < cells.RowCount(); ++r)
            col << cells.Cell(0, r);
        for (int c = 0; c < cells.ColCount(); ++c)
            row << cells.Cell(c, 0);
        QCOMPARE(col, column0);
        QCOMPARE(row, row0);
    }
};

QTEST_APPLESS_MAIN(TestSparseCells)
#include "test_sparsecells.moc"
