#pragma once

#include "platform/db/DataSet.h"

#include <QComboBox>
#include <QPointer>

namespace dataaware {

// A choice among the records of a list source, shown by one field and keyed by another.
// Picking an entry moves the list source to that record. The chosen key stays what the user
// picked even when the list source moves for other reasons.
class DBLookupComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DBLookupComboBox(QWidget* parent = nullptr);

    void setListSource(db::DataSet* listSource, const QString& keyField, const QString& listField);
    // The key of the chosen record; null when nothing is chosen.
    QVariant keyValue() const;
    void setKeyValue(const QVariant& key);

signals:
    void keyChanged(const QVariant& key);

private:
    void rebuild();
    void picked(int index);

    QPointer<db::DataSet> m_ds;
    QString m_keyField;
    QString m_listField;
    QVariant m_key;
    bool m_rebuilding = false;
};

} // namespace dataaware
