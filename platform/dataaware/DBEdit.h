#pragma once

#include "platform/db/DataSet.h"

#include <QLineEdit>
#include <QPointer>

namespace dataaware {

// A line edit bound to one field of a data set's current record. Typing puts the data set in
// edit mode; the change is stored when the data set posts.
class DBEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit DBEdit(QWidget* parent = nullptr);

    void setField(db::DataSet* dataSet, const QString& field);
    QString fieldName() const { return m_field; }

private:
    void load();
    void store(const QString& text);

    QPointer<db::DataSet> m_ds;
    QString m_field;
    bool m_loading = false;
};

} // namespace dataaware
