#pragma once
// The data-set destination over our data layer: a db::DataSet, with transactions on its
// connection.
//
// While an import runs (between disableControls and enableControls) and the data set shows a
// whole table, rows go straight to the table through prepared statements and look-ups use its
// indexes; nothing of the imported rows is held, and the data set reads the table once when
// the import ends. A data set showing less of its table (a condition, some columns) has its new
// rows written the same way and handed to it one by one; every other step goes through it.

#include "import/engine/DurvelDestinations.h"

#include <memory>
#include <vector>

namespace db {
class DataSet;
}

class DurvelDbDataSet : public DurvelDataSet
{
public:
    explicit DurvelDbDataSet(db::DataSet* dataSet);
    ~DurvelDbDataSet() override;

    db::DataSet* dataSet() const { return m_ds; }

    bool isActive() const override;
    int fieldCount() const override;
    DurvelField* field(int index) override;
    DurvelField* findField(const QString& name) override;

    State state() const override;
    void append() override;
    void insert() override;
    void edit() override;
    // A value given to a read-only field (the auto-increment key) fails the row here.
    void post() override;
    void cancel() override;
    void deleteRecord() override;
    bool locate(const QStringList& fields, const QVariantList& values,
                bool caseInsensitive) override;

    void disableControls() override;
    // The outermost call ends a direct import: the data set reads the table again, on the last
    // record written. Never throws.
    void enableControls() override;

    // Only when the connection is not already inside a transaction of its own.
    bool supportsTransactions() const override;
    void startTransaction() override;
    void commit() override;
    // Also reads the rows again (at once, or when a direct import ends), so the data set shows
    // what the database kept.
    void rollback() override;
    void checkTransaction() override;
    bool endsImport(const std::exception& e) const override;
    // Commits at normal synchronisation in the write-ahead log, which a killed program does
    // not lose; the end folds the log into the file with full synchronisation.
    bool beginRowCommits() override;
    void endRowCommits() override;

    // True while rows go straight to the table.
    bool writesDirectly() const { return m_direct != nullptr; }
    // Off: every step of an import goes through the data set (the reference the direct way is
    // compared with). Takes effect at the next import.
    void setDirectWrites(bool allowed) { m_directWrites = allowed; }

private:
    class Field;
    class Direct;
    void syncFields();
    // The direct writer when it takes the pending step, else null.
    Direct* writer() const;
    void beginInsert(bool atEnd);
    void setFieldValue(int index, const QVariant& value);
    void setFieldText(int index, const QString& text);
    void setFieldBoolean(int index, bool value);
    QVariant fieldValue(int index) const;

    db::DataSet* m_ds;
    std::vector<std::unique_ptr<Field>> m_fields;
    std::unique_ptr<Direct> m_direct;
    int m_hold = 0;
    bool m_rowCommits = false;
    bool m_directWrites = true;
    QString m_readOnlyField; // a read-only field given a value in the pending record
};

TDurvelFieldType durvelFieldType(int dbFieldType);
