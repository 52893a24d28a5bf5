#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

#include "GapVector.h"
#include <memory>
#include <vector>

struct sqlite3_stmt;

namespace db {

enum class FieldType;
class RowStore;

// One row on its way into a row store, given cell by cell. A text given as UTF-8 (setText) must
// stay alive until the row is placed; every other cell is held here.
class RowCells
{
public:
    // Every cell null and not set.
    void reset(int columns);
    int columns() const { return int(m_cells.size()); }
    bool isSet(int c) const { return m_cells[std::size_t(c)].set; }
    // The kind of value the cell was given, as a QMetaType id (0 for a null): whether it reads
    // back from the database as it is held depends on it.
    int typeId(int c) const { return m_cells[std::size_t(c)].typeId; }

    void setNull(int c);
    void setText(int c, const char* utf8, std::size_t bytes);
    void setBoolean(int c, bool value);
    void setInteger(int c, qint64 value);
    void setReal(int c, double value);
    void setVariant(int c, const QVariant& value);

private:
    friend class RowStore;
    struct Cell
    {
        unsigned char tag;
        bool set;
        int typeId;
        quint64 number; // zigzag integer, or the bytes of a double
        const char* data;
        std::size_t size;
    };
    Cell& put(int c, unsigned char tag, int typeId);
    std::vector<Cell> m_cells;
    std::vector<QByteArray> m_bytes; // per column: a variant's text or bytes, kept for reuse
};

// The rows of a data set, each one compact run of bytes (a tag per cell, texts as UTF-8) in
// large shared blocks: a register of a million people costs tens of megabytes, not hundreds.
// Row order is kept in a gap vector of pointers, so inserting and removing rows moves pointers
// only, and a run of them at one place moves next to none.
class RowStore
{
public:
    RowStore() = default;
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    void reset(int columns);
    int size() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    int columns() const { return m_columns; }

    QVariant value(int row, int column) const;
    QVector<QVariant> row(int row) const;
    // The cell's integer, for keys; -1 when it holds none.
    qint64 integer(int row, int column) const;

    // The current row of a statement, cells read as a data set reads them for those types.
    void appendFromStatement(sqlite3_stmt* st, const QVector<FieldType>& types);
    void insert(int at, const QVector<QVariant>& row);
    void insert(int at, const RowCells& row);
    void replace(int at, const QVector<QVariant>& row);
    void remove(int at);

    // Bytes held, blocks included (for the benchmarks' reports).
    qint64 bytesHeld() const { return m_held; }

private:
    const char* encode(const QVector<QVariant>& row);
    // Measured, then written once into its place.
    const char* place(const RowCells& row);
    char* allocate(std::size_t bytes);
    std::size_t rowBytes(const char* row) const;
    void compactIfWasteful();

    int m_columns = 0;
    GapVector<const char*> m_rows;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_free = 0; // bytes left in the last block
    char* m_next = nullptr; // first free byte of the last block
    qint64 m_held = 0;      // bytes of every block
    qint64 m_waste = 0;     // bytes of rows replaced or removed
    RowCells m_scratch;     // one row read from a statement or given as values
};

} // namespace db
