#include "platform/dataaware/DBLookupComboBox.h"

#include "platform/dialogs/Dialogs.h"

namespace dataaware {

DBLookupComboBox::DBLookupComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, &DBLookupComboBox::picked);
}

void DBLookupComboBox::setListSource(db::DataSet* listSource, const QString& keyField,
                                     const QString& listField)
{
    if (m_ds)
        disconnect(m_ds, nullptr, this, nullptr);
    m_ds = listSource;
    m_keyField = keyField;
    m_listField = listField;
    for (auto sig : {&db::DataSet::rowsReset, &db::DataSet::afterClose})
        connect(m_ds, sig, this, &DBLookupComboBox::rebuild);
    connect(m_ds, &db::DataSet::rowInserted, this, &DBLookupComboBox::rebuild);
    connect(m_ds, &db::DataSet::rowRemoved, this, &DBLookupComboBox::rebuild);
    connect(m_ds, &db::DataSet::rowChanged, this, &DBLookupComboBox::rebuild);
    rebuild();
}

QVariant DBLookupComboBox::keyValue() const
{
    return m_key;
}

void DBLookupComboBox::setKeyValue(const QVariant& key)
{
    m_key = key;
    const int i = key.isNull() ? -1 : findData(key);
    if (i < 0)
        m_key = QVariant();
    setCurrentIndex(i);
    emit keyChanged(m_key);
}

void DBLookupComboBox::rebuild()
{
    if (!m_ds)
        return;
    m_rebuilding = true;
    clear();
    if (m_ds->isActive()) {
        const int k = m_ds->fieldIndex(m_keyField);
        const int l = m_ds->fieldIndex(m_listField);
        if (k >= 0 && l >= 0)
            for (int r = 0; r < m_ds->recordCount(); ++r)
                addItem(m_ds->valueAt(r, l).toString(), m_ds->valueAt(r, k));
    }
    // Keep the choice while its record still exists; a closed list source (another window
    // closed the shared query) forgets nothing.
    const int i = m_key.isNull() ? -1 : findData(m_key);
    setCurrentIndex(i);
    m_rebuilding = false;
    if (i < 0 && !m_key.isNull() && m_ds->isActive()) {
        m_key = QVariant();
        emit keyChanged(m_key);
    }
}

void DBLookupComboBox::picked(int index)
{
    if (m_rebuilding || index < 0)
        return;
    m_key = itemData(index);
    try {
        if (m_ds && m_ds->isActive())
            m_ds->locate(m_keyField, m_key);
    } catch (const db::Error& e) {
        dialogs::showError(e.message(), this);
    }
    emit keyChanged(m_key);
}

} // namespace dataaware
