#pragma once
// The data-set destination over our data layer: a db::DataSet, with transactions on its
// connection.

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
    void post() override;
    void cancel() override;
    void deleteRecord() override;
    bool locate(const QStringList& fields, const QVariantList& values,
                bool caseInsensitive) override;

    void disableControls() override;
    void enableControls() override;

    // Only when the connection is not already inside a transaction of its own.
    bool supportsTransactions() const override;
    void startTransaction() override;
    void commit() override;
    // Also reads the rows again, so the data set shows what the database kept.
    void rollback() override;

private:
    class Field;
    void syncFields();

    db::DataSet* m_ds;
    std::vector<std::unique_ptr<Field>> m_fields;
};

TDurvelFieldType durvelFieldType(int dbFieldType);
