#pragma once
// Values the pages put into their boxes by code.

#include <QLineEdit>
#include <QSignalBlocker>

// The value goes in whole (no length limit cuts it) and without waking the box's handler; a box
// already showing it keeps the user's place.
inline void SetBoxText(QLineEdit* Edit, const QString& Text)
{
    if (Edit->text() != Text) {
        const QSignalBlocker block(Edit);
        Edit->setText(Text);
    }
}
