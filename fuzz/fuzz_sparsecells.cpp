// Runs the input as a program of list and cell operations on the sparse store and checks every
// step against a plain ordered map. Byte 0 picks the list or the cell store; then each
// operation is one byte of kind and four of index (indexes near the top of int included).
#include "FuzzSupport.h"

#include "import/engine/support/SparseCells.h"

#include <limits>
#include <map>

namespace {

struct Reader
{
    const std::uint8_t* p;
    const std::uint8_t* end;
    bool more() const { return end - p >= 5; }
    std::uint8_t byte() { return *p++; }
    int index()
    {
        const std::uint32_t raw = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                  std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
        p += 4;
        switch (raw >> 30) {
        case 0:
            return int(raw % 64); // crowded: shifts meet stored items
        case 1:
            return int(raw % (1 << 21));
        case 2:
            return std::numeric_limits<int>::max() - int(raw % 4);
        default:
            return -int(raw % 3) - 1;
        }
    }
};

QString textOf(int i)
{
    return i % 5 == 0 ? QString() : QString::number(i);
}

// The list as its rules say: count follows the highest stored index after a put, inserts and
// deletes shift everything above.
struct ListModel
{
    std::map<int, QString> items;
    int count = 0;
    void fixCount() { count = items.empty() ? 0 : items.rbegin()->first + 1; }
    void put(int i, const QString& s)
    {
        if (s.isEmpty())
            items.erase(i);
        else
            items[i] = s;
        fixCount();
    }
    void insert(int i, const QString& s)
    {
        std::map<int, QString> next;
        for (const auto& [k, v] : items)
            next[k >= i ? k + 1 : k] = v;
        if (!s.isEmpty())
            next[i] = s;
        items.swap(next);
        count = std::max(count, i) + 1;
    }
    void remove(int i)
    {
        if (i < 0 || i >= count)
            return;
        std::map<int, QString> next;
        for (const auto& [k, v] : items)
            if (k != i)
                next[k > i ? k - 1 : k] = v;
        items.swap(next);
        --count;
    }
};

void checkList(const TKobWideStringSparseList& l, const ListModel& m)
{
    fuzz::check(l.Count() == m.count, "count");
    std::map<int, QString> got;
    l.ForEach([&](int i, const QString& t, void*) { got[i] = t; });
    fuzz::check(got == m.items, "stored items");
}

void runList(Reader& r)
{
    TKobWideStringSparseList l(r.byte() & 1 ? SPALarge : SPASmall);
    ListModel m;
    constexpr int kLast = std::numeric_limits<int>::max();
    while (r.more()) {
        const std::uint8_t op = r.byte();
        const int i = r.index();
        const QString s = textOf(op ^ i);
        try {
            switch (op % 5) {
            case 0: // an empty text stores nothing; at the last index only that is allowed
                l.Put(i, s);
                fuzz::check(i >= 0 && (i < kLast || s.isEmpty()), "put accepted a bad index");
                m.put(i, s);
                break;
            case 1:
                l.Insert(i, s);
                fuzz::check(i >= 0 && i < kLast, "insert accepted a bad index");
                m.insert(i, s);
                break;
            case 2:
                l.Delete(i);
                m.remove(i);
                break;
            case 3: {
                const int j = int(unsigned(i) % 70);
                if (i < 0 || j == i)
                    break;
                const QString a = l.Get(i);
                l.Move(i, j);
                // Move is a delete and an insert of the item.
                m.remove(i);
                m.insert(j, a);
                break;
            }
            default:
                fuzz::check(l.Get(i) == (m.items.count(i) ? m.items.at(i) : QString()), "get");
                break;
            }
        } catch (const EStringListError&) {
            // Refused: the list must be as it was; the model was not touched.
        }
        checkList(l, m);
    }
}

void runCells(Reader& r)
{
    TKobSparseCells cells(r.byte() % 8, 8);
    std::map<std::pair<int, int>, QString> m; // (row, column)
    while (r.more()) {
        const std::uint8_t op = r.byte();
        const int a = r.index();
        const int b = int(unsigned(op) * 7 % 40);
        try {
            switch (op % 4) {
            case 0: {
                const QString s = textOf(op ^ a);
                cells.SetCell(b, a, s);
                if (a >= 0 && b >= 0) {
                    if (s.isEmpty())
                        m.erase({a, b});
                    else
                        m[{a, b}] = s;
                }
                break;
            }
            case 1: {
                // Only a shrink drops cells: a cell written past the bounds waits for growth.
                const int n = std::max(0, a % (1 << 21));
                const bool shrink = n < cells.RowCount();
                cells.SetRowCount(n);
                for (auto it = m.begin(); it != m.end();)
                    it = shrink && it->first.first >= n ? m.erase(it) : std::next(it);
                break;
            }
            case 2: {
                const int n = b;
                const bool shrink = n < cells.ColCount();
                cells.SetColCount(n);
                for (auto it = m.begin(); it != m.end();)
                    it = shrink && it->first.second >= n ? m.erase(it) : std::next(it);
                break;
            }
            default: {
                const int rows = cells.RowCount();
                cells.DeleteRow(a);
                if (a >= 0 && a < rows) {
                    std::map<std::pair<int, int>, QString> next;
                    for (const auto& [k, v] : m)
                        if (k.first != a)
                            next[{k.first > a ? k.first - 1 : k.first, k.second}] = v;
                    m.swap(next);
                    fuzz::check(cells.RowCount() == rows - 1, "row count after delete");
                }
                break;
            }
            }
        } catch (const EStringListError&) {
            fuzz::check(a == std::numeric_limits<int>::max() || b < 0, "cell refused");
        }
        int stored = 0;
        for (const auto& [k, v] : m) {
            fuzz::check(cells.Cell(k.second, k.first) == v, "cell text");
            ++stored;
        }
        fuzz::check(cells.StoredCellCount() == stored, "stored cells");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2 || size > 4096)
        return 0;
    Reader r{data + 1, data + size};
    if (data[0] & 1)
        runCells(r);
    else
        runList(r);
    return 0;
}
