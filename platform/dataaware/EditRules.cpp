#include "platform/dataaware/EditRules.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QValidator>

namespace dataaware {

namespace {

class EditRulesValidator : public QValidator
{
public:
    explicit EditRulesValidator(QLineEdit* box) : QValidator(box), m_last(box->text())
    {
        // What the box held before an edit: validation sees the edited text only.
        connect(box, &QLineEdit::textChanged, this, [this](const QString& t) { m_last = t; });
    }

    int limit = 0;
    bool digitsOnly = false;

    State validate(QString& input, int&) const override
    {
        if (digitsOnly) {
            for (QChar& c : input) {
                if (c >= u'0' && c <= u'9')
                    continue;
                if (!c.isDigit())
                    return Invalid;
                c = QChar(u'0' + c.digitValue());
            }
        }
        // Only growth past the limit is refused: a longer value set by code stays editable.
        if (limit > 0 && input.size() > limit && input.size() > m_last.size())
            return Invalid;
        return Acceptable;
    }

private:
    QString m_last;
};

EditRulesValidator* rulesOf(QLineEdit* box)
{
    if (auto* v = dynamic_cast<EditRulesValidator*>(const_cast<QValidator*>(box->validator())))
        return v;
    auto* v = new EditRulesValidator(box);
    box->setValidator(v);
    return v;
}

class SelectOnEntry : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason)
            if (auto* box = qobject_cast<QLineEdit*>(watched))
                box->selectAll();
        return false;
    }
};

} // namespace

void setTypingLimit(QLineEdit* box, int maxLength)
{
    // The toolkit's own limit cuts text set by code: it is never used.
    box->setMaxLength(32767);
    rulesOf(box)->limit = qMax(0, maxLength);
}

int typingLimit(const QLineEdit* box)
{
    const auto* v = dynamic_cast<const EditRulesValidator*>(box->validator());
    return v ? v->limit : 0;
}

void setDigitsOnly(QLineEdit* box)
{
    rulesOf(box)->digitsOnly = true;
}

void selectOnEntry(QLineEdit* box)
{
    if (box->property("bankfileSelectOnEntry").toBool())
        return;
    box->setProperty("bankfileSelectOnEntry", true);
    box->installEventFilter(new SelectOnEntry(box));
}

} // namespace dataaware
