#include "import/engine/DurvelDbDataSet.h"

#include "platform/db/DataSet.h"

TDurvelFieldType durvelFieldType(int dbFieldType)
{
    switch (db::FieldType(dbFieldType)) {
    case db::FieldType::AutoInc:
        return ftAutoInc;
    case db::FieldType::Integer:
        return ftLargeint;
    case db::FieldType::Boolean:
        return ftBoolean;
    case db::FieldType::Float:
        return ftFloat;
    case db::FieldType::Numeric:
        return ftBCD;
    case db::FieldType::Text:
        return ftWideString;
    case db::FieldType::Memo:
        return ftWideMemo;
    case db::FieldType::DateTime:
        return ftDateTime;
    case db::FieldType::Blob:
        return ftBlob;
    case db::FieldType::Unknown:
        break;
    }
    return ftUnknown;
}

class DurvelDbDataSet::Field : public DurvelField
{
public:
    Field(db::DataSet* ds, int index) : m_ds(ds), m_index(index) {}
    QString fieldName() const override { return m_ds->field(m_index).name; }
    int index() const override { return m_index; }
    TDurvelFieldType dataType() const override
    {
        return durvelFieldType(int(m_ds->field(m_index).type));
    }
    QVariant value() const override { return m_ds->value(m_index); }
    void setValue(const QVariant& value) override { m_ds->setValue(m_index, value); }

private:
    db::DataSet* m_ds;
    int m_index;
};

DurvelDbDataSet::DurvelDbDataSet(db::DataSet* dataSet) : m_ds(dataSet) {}

DurvelDbDataSet::~DurvelDbDataSet() = default;

void DurvelDbDataSet::syncFields()
{
    const int count = m_ds->fieldCount();
    if (int(m_fields.size()) == count)
        return;
    m_fields.clear();
    for (int i = 0; i < count; ++i)
        m_fields.push_back(std::make_unique<Field>(m_ds, i));
}

bool DurvelDbDataSet::isActive() const
{
    return m_ds->isActive();
}

int DurvelDbDataSet::fieldCount() const
{
    return m_ds->fieldCount();
}

DurvelField* DurvelDbDataSet::field(int index)
{
    syncFields();
    return index >= 0 && index < int(m_fields.size()) ? m_fields[std::size_t(index)].get()
                                                      : nullptr;
}

DurvelField* DurvelDbDataSet::findField(const QString& name)
{
    return field(m_ds->fieldIndex(name));
}

DurvelDataSet::State DurvelDbDataSet::state() const
{
    switch (m_ds->state()) {
    case db::DataSet::State::Inactive:
        return State::Inactive;
    case db::DataSet::State::Browse:
        return State::Browse;
    case db::DataSet::State::Edit:
        return State::Edit;
    case db::DataSet::State::Insert:
        return State::Insert;
    }
    return State::Inactive;
}

void DurvelDbDataSet::append()
{
    m_ds->append();
}
void DurvelDbDataSet::insert()
{
    m_ds->insert();
}
void DurvelDbDataSet::edit()
{
    m_ds->edit();
}
void DurvelDbDataSet::post()
{
    m_ds->post();
}
void DurvelDbDataSet::cancel()
{
    m_ds->cancel();
}
void DurvelDbDataSet::deleteRecord()
{
    m_ds->remove();
}

bool DurvelDbDataSet::locate(const QStringList& fields, const QVariantList& values,
                             bool caseInsensitive)
{
    return m_ds->locate(fields, values,
                        caseInsensitive ? db::LocateOptions(db::LocateOption::CaseInsensitive)
                                        : db::LocateOptions());
}

void DurvelDbDataSet::disableControls()
{
    m_ds->disableControls();
}
void DurvelDbDataSet::enableControls()
{
    m_ds->enableControls();
}

bool DurvelDbDataSet::supportsTransactions() const
{
    return m_ds->connection() && m_ds->connection()->isOpen() &&
           !m_ds->connection()->inTransaction();
}

void DurvelDbDataSet::startTransaction()
{
    m_ds->connection()->beginTransaction();
}
void DurvelDbDataSet::commit()
{
    m_ds->connection()->commit();
}

void DurvelDbDataSet::rollback()
{
    if (m_ds->isEditing())
        m_ds->cancel();
    m_ds->connection()->rollback();
    if (m_ds->isActive())
        m_ds->refresh();
}
