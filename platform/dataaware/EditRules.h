#pragma once

class QLineEdit;

namespace dataaware {

// What typing and pasting may put into a box. Text put in by code is never cut or changed,
// so a box always shows the whole value it was given (and whoever uses the value checks its
// width); a box that holds more than its limit may still be edited down.

// At most maxLength characters by typing or pasting; 0 lifts the limit.
void setTypingLimit(QLineEdit* box, int maxLength);
int typingLimit(const QLineEdit* box);

// Digits only by typing or pasting; Persian and Arabic-Indic digits become ASCII digits.
void setDigitsOnly(QLineEdit* box);

// Entering the box by the keyboard or by code (anything but a mouse click) selects its whole
// text, so what is typed next replaces it.
void selectOnEntry(QLineEdit* box);

} // namespace dataaware
