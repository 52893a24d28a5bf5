#include "platform/dataaware/DBEdit.h"

#include "platform/dataaware/EditRules.h"
#include "platform/dialogs/Dialogs.h"

namespace dataaware {

DBEdit::DBEdit(QWidget* parent) : QLineEdit(parent)
{
    selectOnEntry(this);
    connect(this, &QLineEdit::textEdited, this, &DBEdit::store);
}

void DBEdit::setField(db::DataSet* dataSet, const QString& field)
{
    if (m_ds)
        disconnect(m_ds, nullptr, this, nullptr);
    m_ds = dataSet;
    m_field = field;
    for (auto sig : {&db::DataSet::afterScroll, &db::DataSet::afterOpen, &db::DataSet::afterClose,
                     &db::DataSet::afterPost})
        connect(m_ds, sig, this, &DBEdit::load);
    connect(m_ds, &db::DataSet::stateChanged, this, [this] {
        if (m_ds->state() == db::DataSet::State::Browse)
            load();
    });
    load();
}

void DBEdit::load()
{
    if (!m_ds)
        return;
    m_loading = true;
    const db::Field* f = m_ds->isActive() ? m_ds->findField(m_field) : nullptr;
    setEnabled(f != nullptr);
    // The field's size bounds typing; a tighter limit set by the form stays. The value read
    // is shown whole, however long: a cut value would be saved cut.
    if (f && f->type == db::FieldType::Text && f->size > 0 &&
        (typingLimit(this) <= 0 || typingLimit(this) > f->size))
        setTypingLimit(this, f->size);
    const QString text = f ? m_ds->value(f->index).toString() : QString();
    if (text != this->text())
        setText(text);
    m_loading = false;
}

void DBEdit::store(const QString& text)
{
    if (m_loading || !m_ds || !m_ds->isActive())
        return;
    try {
        if (!m_ds->isEditing()) {
            if (m_ds->isEmpty())
                m_ds->append();
            else
                m_ds->edit();
        }
        m_ds->setValue(m_field, text);
    } catch (const db::Error& e) {
        dialogs::showError(e.message(), this);
        load();
    }
}

} // namespace dataaware
