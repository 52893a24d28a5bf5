#pragma once

#include "platform/db/Connection.h"
#include "platform/db/RowStore.h"

#include <QFlags>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <exception>

namespace db {

struct Field
{
    QString name;   // name in the result
    QString label;  // display label (the name when the database keeps none)
    QString origin; // column of the base table, empty for an expression
    FieldType type = FieldType::Unknown;
    int size = 0;
    bool readOnly = false;
    bool required = false;
    int index = 0;
};

enum class LocateOption { CaseInsensitive = 1, PartialKey = 2 };
Q_DECLARE_FLAGS(LocateOptions, LocateOption)

// A query's rows held in memory with a current record, like a client-side cursor.
// Editing goes back to the one base table of the query through its integer primary key,
// which the query must select.
class DataSet : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit DataSet(Connection* connection, QObject* parent = nullptr);
    ~DataSet() override;

    Connection* connection() const { return m_conn; }
    void setSql(const QString& sql);
    QString sql() const { return m_sql; }
    void setParam(const QString& name, const QVariant& value);
    void setParams(const Params& params) { m_params = params; }
    void clearParams() { m_params.clear(); }

    void open();
    void close();
    bool isActive() const { return m_state != State::Inactive; }
    // Reads the rows again, staying on the same record (by key) where it still exists.
    void refresh();
    // Reads the rows again and makes the record of that key current (or stays as refresh does).
    void refreshAt(qint64 key);
    // Runs the SQL text as a statement that returns no rows.
    int execSql();

    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }

    // Navigation. RecNo is 1-based; 0 when there is no current record.
    void first();
    void last();
    void next();
    void prior();
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    bool isEmpty() const { return m_rows.isEmpty(); }
    int recordCount() const { return int(m_rows.size()); }
    int recNo() const;
    void setRecNo(int recNo);
    bool locate(const QStringList& fields, const QVariantList& values, LocateOptions options = {});
    bool locate(const QString& field, const QVariant& value, LocateOptions options = {})
    {
        return locate(QStringList{field}, QVariantList{value}, options);
    }

    // Fields of the current record (or of the edit buffer while editing).
    int fieldCount() const { return int(m_fields.size()); }
    const Field& field(int index) const { return m_fields.at(index); }
    const QVector<Field>& fields() const { return m_fields; }
    int fieldIndex(const QString& name) const; // -1 when missing
    const Field* findField(const QString& name) const;
    const Field& fieldByName(const QString& name) const; // throws when missing
    QVariant value(const QString& name) const;
    QVariant value(int index) const;
    QString text(const QString& name) const { return value(name).toString(); }
    bool isNull(const QString& name) const;
    void setValue(const QString& name, const QVariant& value);
    void setValue(int index, const QVariant& value);

    // Row access for models, without moving.
    QVariant valueAt(int row, int column) const;
    int currentRow() const { return m_current; } // 0-based, -1 when none

    // Editing.
    void append();
    void insert();
    void edit();
    void post();
    void cancel();
    void remove();
    // Posts an open edit; does nothing otherwise.
    void checkBrowseMode();
    // A row the caller has inserted into the base table itself under that key (an import
    // writing through statements of its own), taken in as post() takes a new row: where
    // append() (at the end) or insert() would have put it, and made current. Fields the
    // caller left unset take the table's defaults; the row is read back from the table when a
    // default or a value's type leaves unsure what the table holds.
    void insertWritten(bool atEnd, qint64 key, RowCells& cells);

    // Holds afterScroll/stateChanged while code walks the rows; the last enable sends one
    // afterScroll when anything moved meanwhile.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_hold > 0; }

    QString baseTable() const { return m_table; }
    // The key column of the base table, or empty when the data set cannot be modified.
    QString keyColumn() const;
    // True when the rows are every row of the base table in key order, each field one of its
    // columns: then the table itself can stand for the data set (look-ups by the indexes).
    bool showsWholeTable() const;
    // The refusal of a text longer than its field.
    static QString tooLongMessage(const Field& field);

signals:
    void afterOpen();
    void afterClose();
    void afterScroll();
    void stateChanged();
    void afterPost();
    void afterDelete();
    // Row-set changes for item models; always sent, even while controls are disabled.
    void rowsReset();
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void currentRowChanged(int row);

private:
    void setState(State s);
    void scrolled();
    void moveTo(int row);
    void requireBrowse(const char* what) const;
    void requireEditable() const;
    void checkSizes() const;
    void reloadRow(int row, qint64 key);
    std::exception_ptr reloadOrDropIndexes(int row, qint64 key);
    void readRows(qint64 keepKey);
    QVector<QVariant> emptyRow() const;

    Connection* m_conn;
    QString m_sql;
    Params m_params;
    State m_state = State::Inactive;
    QVector<Field> m_fields;
    RowStore m_rows;
    QVector<QVariant> m_buffer;
    QVector<bool> m_modified;
    int m_current = -1;
    int m_insertAt = -1;
    bool m_bof = true;
    bool m_eof = true;
    int m_hold = 0;
    bool m_scrollPending = false;
    bool m_statePending = false;
    QString m_table;
    int m_keyField = -1;

    // Statement texts of the base table, made once per opening.
    QString m_quotedTable;
    QString m_quotedKey;
    QVector<QString> m_quotedOrigin; // per field; empty for an expression
    QVector<QVariant> m_defaults;    // per field: the value a new row takes when not set
    QVector<bool> m_defaultKnown;    // false where only the database can tell (expressions)
    QHash<QByteArray, QString> m_insertSql;
    void prepareWriting();
    bool canonical(int field, int typeId) const;
    QString insertSql(const QByteArray& mask);
    // A new row in the table under that key, given by the cells set: unset fields take the
    // known defaults, and the row is read back when something leaves unsure what the table
    // holds. Placed at that row and made current; returns the read-back's failure, if any.
    std::exception_ptr placeInserted(int at, qint64 key, RowCells& cells);
    RowCells m_cells; // a posted new row on its way into the rows

    // Hash indexes for locate, built on first use. A row inserted or removed in the middle moves
    // every later row: rather than touching every entry, the moves are logged (a run at one
    // place as one) and an entry is brought up to date when it is read. An import that looks up
    // every row before putting it at one place (insert mode), or that deletes what it finds row
    // after row, stays linear; scattered moves cost a rebuild now and then.
    struct KeyEntry
    {
        int row = -1;      // the key's first row, as the rows stood after `event` moves
        int event = 0;     // moves logged when `row` was set
        int rows = 0;      // rows holding the key
        bool exact = true; // false once its first row went: the next one is at `row` or after
    };
    struct LocateIndex
    {
        QVector<int> fields;
        bool caseInsensitive = false;
        QHash<QString, KeyEntry> entries;
    };
    // A run of rows inserted (count > 0) or removed (count < 0) one after another at one place.
    struct Shift
    {
        int at;
        int count;
        int firstEvent;
    };
    QString indexKey(const QVector<QVariant>& row, const LocateIndex& index) const;
    QString rowKey(int row, const LocateIndex& index) const;
    QString searchKey(const QVariantList& values, const LocateIndex& index) const;
    LocateIndex& indexFor(const QVector<int>& fields, bool caseInsensitive);
    void resolve(KeyEntry& entry) const;
    bool logShift(int at, int delta);
    void indexInserted(int row);
    void indexRemoved(int row, const QVector<QVariant>& before);
    void indexEdited(const QVector<QVariant>& before, int row);
    void dropIndexes();
    QList<LocateIndex> m_indexes;
    QVector<Shift> m_shifts;
    int m_events = 0; // single inserts and removals in m_shifts
};

} // namespace db

Q_DECLARE_OPERATORS_FOR_FLAGS(db::LocateOptions)
