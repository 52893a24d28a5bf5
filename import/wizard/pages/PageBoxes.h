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

// The whole number a box shows, or Default when it shows none.
inline int BoxNumber(const QString& Text, int Default)
{
    bool ok = false;
    const int n = Text.trimmed().toInt(&ok);
    return ok ? n : Default;
}
