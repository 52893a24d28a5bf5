#pragma once
// The destinations an import writes into, as small interfaces the engine owns. The GUI supplies
// thin adapters for its widgets; DurvelCellStore is a plain string grid for previews and tests.

#include "import/engine/support/SparseCells.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <exception>

enum TDurvelDestination { didDataSet, didDBGrid, didListView, didStringGrid, didUserDefined };

// Data types of a destination field; they decide how a text is converted.
enum TDurvelFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftGuid,
    ftTimeStamp,
    ftFMTBcd,
    ftOraBlob,
    ftOraClob,
    ftWideMemo
};

enum class DurvelFieldClass { Other = 0, Text, Integer, Boolean, Float, Currency, DateTime, Bytes };

DurvelFieldClass durvelFieldClass(TDurvelFieldType type);

class DurvelField
{
public:
    virtual ~DurvelField() = default;
    virtual QString fieldName() const = 0;
    virtual int index() const = 0;
    virtual TDurvelFieldType dataType() const = 0;
    virtual QVariant value() const = 0;
    // A null QVariant stores Null.
    virtual void setValue(const QVariant& value) = 0;
    // The same as setValue with the text; a destination may take it without the variant.
    virtual void setText(const QString& text) { setValue(QVariant(text)); }
    // The same with a Boolean.
    virtual void setBoolean(bool value) { setValue(QVariant(value)); }
    // The destination fills it itself (a record number): an import cannot give it a value.
    virtual bool readOnly() const { return dataType() == ftAutoInc; }
};

class DurvelDataSet
{
public:
    enum class State { Inactive, Browse, Edit, Insert };

    virtual ~DurvelDataSet() = default;
    virtual bool isActive() const = 0;
    virtual int fieldCount() const = 0;
    virtual DurvelField* field(int index) = 0;
    // By name, ignoring case; nullptr when missing.
    virtual DurvelField* findField(const QString& name) = 0;

    virtual State state() const = 0;
    virtual void append() = 0;
    virtual void insert() = 0;
    virtual void edit() = 0;
    virtual void post() = 0;
    virtual void cancel() = 0;
    virtual void deleteRecord() = 0;
    // Makes the first matching record current.
    virtual bool locate(const QStringList& fields, const QVariantList& values,
                        bool caseInsensitive) = 0;

    virtual void disableControls() = 0;
    virtual void enableControls() = 0;

    virtual bool supportsTransactions() const { return false; }
    virtual void startTransaction() {}
    // Raises when there is no open transaction to commit.
    virtual void commit() {}
    virtual void rollback() {}
    // Raises when the transaction the import began was ended by the database itself.
    virtual void checkTransaction() {}
    // True for a failure of the store itself (full, I/O, read-only, held, damaged, or one it
    // does not know): it ends the import; only what a row's values cause fails one row.
    virtual bool endsImport(const std::exception&) const { return false; }
    // Every row is to be kept once written, with no batches: true when the destination wants
    // its rows grouped into commits a few milliseconds apart, which it makes cheap (no wait for
    // the disk at each); endRowCommits makes them durable at the end and raises when it
    // cannot.
    virtual bool beginRowCommits() { return false; }
    virtual void endRowCommits() {}
};

// A data-aware grid: its columns show fields of its data set.
class DurvelDBGrid
{
public:
    virtual ~DurvelDBGrid() = default;
    virtual DurvelDataSet* dataSet() = 0; // nullptr when it has no data source
    virtual int columnCount() const = 0;
    virtual QString columnTitle(int column) const = 0;
    virtual QString columnFieldName(int column) const = 0;
};

// A report-style list view: column 0 is the item's caption, column k its sub-item k - 1.
class DurvelListView
{
public:
    virtual ~DurvelListView() = default;
    virtual int columnCount() const = 0;
    virtual QString columnCaption(int column) const = 0;
    virtual int itemCount() const = 0;
    // Appends an item with an empty text in every column; returns its index.
    virtual int addItem() = 0;
    virtual QString itemText(int item, int column) const = 0;
    virtual void setItemText(int item, int column, const QString& text) = 0;
    virtual void deleteItem(int item) = 0;
    virtual void beginUpdate() {}
    virtual void endUpdate() {}
};

// Cells are addressed column first, as the grids do.
class DurvelStringGrid
{
public:
    virtual ~DurvelStringGrid() = default;
    virtual int rowCount() const = 0;
    virtual void setRowCount(int rows) = 0;
    virtual int colCount() const = 0;
    virtual QString cell(int col, int row) const = 0;
    virtual void setCell(int col, int row, const QString& text) = 0;
};

// The one cell store: sparse, so a preview or a string-grid destination of sheet size costs
// memory only for the cells that hold text. The wide-string grid widget shows one.
class DurvelCellStore : public DurvelStringGrid, public TKobSparseCells
{
public:
    DurvelCellStore(int cols = 0, int rows = 0) : TKobSparseCells(cols, rows) {}
    DurvelCellStore(DurvelCellStore&&) noexcept = default;
    int rowCount() const override { return RowCount(); }
    void setRowCount(int rows) override { SetRowCount(rows); }
    int colCount() const override { return ColCount(); }
    void setColCount(int cols) { SetColCount(cols); }
    QString cell(int col, int row) const override { return Cell(col, row); }
    void setCell(int col, int row, const QString& text) override { SetCell(col, row, text); }
    QStringList row(int row) const;
};

// The destination of one kind among the four references, with the checks and the column
// look-ups the import and the wizard share.
struct DurvelDestinationRef
{
    TDurvelDestination Kind = didDataSet;
    DurvelDataSet* DataSet = nullptr;
    DurvelDBGrid* DBGrid = nullptr;
    DurvelListView* ListView = nullptr;
    DurvelStringGrid* StringGrid = nullptr;
    int GridCaptionRow = -1;

    // Raises EDurvelError (42000, 42010, 42020, 42030) when the chosen kind has no component.
    void Check() const;
    bool IsAssigned() const;
    bool IsActive() const;
    int ColumnCount() const;
    // A string grid column without a caption row is named by its number.
    QString ColumnName(int Index) const;
    // Data sets by field name, grids and list views by caption ignoring case, string grids by
    // a column number or, failing that, by the exact caption; -1 when not found.
    int ColumnIndex(const QString& Name) const;
    // An import can give the column a value: not a data set's read-only field.
    bool ColumnWritable(int Index) const;
    // The data set that receives the rows of a data-set or data-grid destination.
    DurvelDataSet* RowDataSet() const;
};
