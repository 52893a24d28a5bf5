#pragma once

#include <QLineEdit>

#include <functional>

class QKeyEvent;

// A one-line edit for whole amounts of money that keeps its text grouped by thousands
// ("1,234,567") while the user types. Only digits and "," ever stay in it; Persian and
// Arabic-Indic digits are read as digits. The amount to store is the text without ",".
class TEditCurrency : public QLineEdit
{
    Q_OBJECT

public:
    explicit TEditCurrency(QWidget* parent = nullptr);

    // Regroups by three from the right: "1234567" -> "1,234,567".
    static QString Comma(const QString& text);
    // Removes every ",".
    static QString DeComma(const QString& text);

    // Persian and Arabic-Indic digits as ASCII digits; other characters unchanged.
    static QString normalizeDigits(const QString& text);
    // True when text, without ",", is digits only and its value is above zero.
    static bool isValidAmount(const QString& text);

    // The digits of the text without separators: what is stored.
    QString amount() const;

    // The control's own handlers, attached to the events below when it is created.
    // A form may put its own handlers in their place, or call these from them.
    void EditCurrency1KeyPress(QChar& key);
    void EditCurrency1KeyDown(int& key, Qt::KeyboardModifiers shift);
    void EditCurrency1Change();

    // Events: key down (a Qt::Key, set to 0 to swallow the key), key press (the typed
    // character, set to a null QChar to drop it or changed to type another one) and change.
    std::function<void(int& key, Qt::KeyboardModifiers shift)> OnKeyDown;
    std::function<void(QChar& key)> OnKeyPress;
    std::function<void()> OnChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
