#include "controls/persian/EditCurrency.h"

#include <QKeyEvent>

namespace {

QChar asciiDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x06F0 && u <= 0x06F9)
        return QChar(u'0' + (u - 0x06F0));
    if (u >= 0x0660 && u <= 0x0669)
        return QChar(u'0' + (u - 0x0660));
    return c;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Pasted or programmatic text may hold anything; only its digits make an amount.
QString digitsOnly(const QString& text)
{
    QString digits;
    digits.reserve(text.size());
    for (QChar c : text) {
        c = asciiDigit(c);
        if (isAsciiDigit(c))
            digits.append(c);
    }
    return digits;
}

} // namespace

TEditCurrency::TEditCurrency(QWidget* parent) : QLineEdit(parent)
{
    OnKeyPress = [this](QChar& key) { EditCurrency1KeyPress(key); };
    OnKeyDown = [this](int& key, Qt::KeyboardModifiers shift) { EditCurrency1KeyDown(key, shift); };
    OnChange = [this] { EditCurrency1Change(); };
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange)
            OnChange();
    });
    setText(QStringLiteral("0"));
}

QString TEditCurrency::Comma(const QString& text)
{
    const QString plain = DeComma(text);
    QString result;
    result.reserve(plain.size() + plain.size() / 3);
    int end = plain.size();
    while (end > 0) {
        const int start = qMax(0, end - 3);
        const QString group = plain.mid(start, end - start);
        result.prepend(group);
        if (group.size() == 3)
            result.prepend(u',');
        end = start;
    }
    if (result.startsWith(u','))
        result.remove(0, 1);
    return result;
}

QString TEditCurrency::DeComma(const QString& text)
{
    QString result = text;
    result.remove(u',');
    return result;
}

QString TEditCurrency::normalizeDigits(const QString& text)
{
    QString result = text;
    for (QChar& c : result)
        c = asciiDigit(c);
    return result;
}

bool TEditCurrency::isValidAmount(const QString& text)
{
    const QString plain = normalizeDigits(DeComma(text));
    if (plain.isEmpty())
        return false;
    bool aboveZero = false;
    for (QChar c : plain) {
        if (!isAsciiDigit(c))
            return false;
        if (c != u'0')
            aboveZero = true;
    }
    return aboveZero;
}

QString TEditCurrency::amount() const
{
    return digitsOnly(text());
}

void TEditCurrency::EditCurrency1KeyPress(QChar& key)
{
    if (key.unicode() < 32 || key.unicode() == 127)
        return; // backspace and other control characters
    key = asciiDigit(key);
    if (!isAsciiDigit(key))
        key = QChar();
}

void TEditCurrency::EditCurrency1KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    if (key == Qt::Key_Asterisk && (shift & Qt::KeypadModifier))
        setText(text() + QStringLiteral("000"));
}

void TEditCurrency::EditCurrency1Change()
{
    const QString current = text();
    if (current == QStringLiteral("0"))
        return;
    const QString grouped = Comma(digitsOnly(current));
    if (grouped != current)
        setText(grouped);
    setCursorPosition(grouped.size());
}

void TEditCurrency::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    if (OnKeyDown)
        OnKeyDown(key, event->modifiers());
    if (key == 0) {
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (typed.size() == 1 && OnKeyPress && !isReadOnly()) {
        QChar ch = typed.at(0);
        const QChar original = ch;
        OnKeyPress(ch);
        if (ch.isNull()) {
            event->accept();
            return;
        }
        if (ch != original) {
            insert(QString(ch));
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}
