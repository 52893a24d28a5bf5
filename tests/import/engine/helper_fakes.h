#pragma once
// Test doubles for the engine: an in-memory data set with transactions, a list view, and a
// reader that takes its rows from a list.

#include "import/engine/Durvel3.h"

#include <QCoreApplication>
#include <QList>
#include <QStringList>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

struct FakeFieldDef
{
    QString name;
    TDurvelFieldType type = ftWideString;
    bool required = false;
};

class FakeDataSet : public DurvelDataSet
{
public:
    explicit FakeDataSet(const QList<FakeFieldDef>& defs);
    ~FakeDataSet() override;

    // Rows as the data set holds them; committed() as the database would keep them.
    QVector<QVector<QVariant>> rows;
    QVector<QVector<QVariant>> committed() const { return inTransaction ? snapshot : rows; }
    QStringList column(int field) const;
    int current = -1;

    int starts = 0, commits = 0, rollbacks = 0;
    int disables = 0, enables = 0;
    bool transactions = true;
    bool inTransaction = false;

    bool isActive() const override { return true; }
    int fieldCount() const override { return int(m_fields.size()); }
    DurvelField* field(int index) override;
    DurvelField* findField(const QString& name) override;
    State state() const override { return m_state; }
    void append() override;
    void insert() override;
    void edit() override;
    void post() override;
    void cancel() override;
    void deleteRecord() override;
    bool locate(const QStringList& fields, const QVariantList& values,
                bool caseInsensitive) override;
    void disableControls() override { ++disables; }
    void enableControls() override { ++enables; }
    bool supportsTransactions() const override { return transactions; }
    void startTransaction() override;
    void commit() override;
    void rollback() override;

    QVariant fieldValue(int index) const;
    void setFieldValue(int index, const QVariant& v);

private:
    class Field;
    QList<FakeFieldDef> m_defs;
    std::vector<std::unique_ptr<Field>> m_fields;
    State m_state = State::Browse;
    QVector<QVariant> m_buffer;
    int m_insertAt = -1;
    QVector<QVector<QVariant>> snapshot;
};

class FakeListView : public DurvelListView
{
public:
    explicit FakeListView(const QStringList& captions) : captions(captions) {}
    QStringList captions;
    QList<QStringList> items;
    int updates = 0;

    int columnCount() const override { return int(captions.size()); }
    QString columnCaption(int column) const override { return captions.value(column); }
    int itemCount() const override { return int(items.size()); }
    int addItem() override;
    QString itemText(int item, int column) const override
    {
        return items.value(item).value(column);
    }
    void setItemText(int item, int column, const QString& text) override;
    void deleteItem(int item) override { items.removeAt(item); }
    void beginUpdate() override { ++updates; }
    void endUpdate() override { --updates; }
};

// Map values are 1-based column numbers of Lines; a line whose first cell is "#skip" is skipped.
class ListReader : public TDurvel3
{
public:
    ListReader();
    QList<QStringList> Lines;
    std::function<void(int index)> OnRead;
    // Runs after the base preparation, as a reader's own preparation would.
    std::function<void()> OnPrepared;
    // Runs before it, where a reader loads its source.
    std::function<void()> OnLoad;
    // A total the reader learns only when it opens its source (-1: none).
    int LateTotal = -1;
    int Opened = 0, Closed = 0;

    using TDurvel3::LineCounter;

protected:
    void PrepareImport() override;
    void OpenSource() override;
    bool HasMoreRows() override { return m_pos < Lines.size(); }
    bool SkipRow() override { return Lines.at(m_pos).value(0) == QLatin1String("#skip"); }
    void ReadRow() override;
    void NextRow() override { ++m_pos; }
    void CloseSource() override;

private:
    int m_pos = 0;
};

// Points the import at a string grid with a one-line map.
inline void intoGrid(TDurvel3& imp, DurvelStringGrid& grid,
                     const QString& mapLine = QStringLiteral("0=1"))
{
    imp.ImportDestination = didStringGrid;
    imp.StringGrid = &grid;
    imp.Map().Add(mapLine);
}

// A string grid with a caption row (row 0) and the given data rows.
DurvelCellStore makeGrid(const QStringList& captions, const QList<QStringList>& rows);
QList<QStringList> gridRows(const DurvelStringGrid& grid);
