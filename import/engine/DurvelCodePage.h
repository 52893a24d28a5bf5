#pragma once
// The two 8-bit code pages the engine needs itself: the ANSI page (CP1256) for the error log and
// byte fields, the OEM page (CP720) for the character-set rule of a field format.

#include <QByteArray>
#include <QString>

namespace durvel {

// Raise ECodePageError naming the first character the page cannot hold.
QByteArray toAnsi(const QString& text);
QByteArray toOem(const QString& text);
QString fromAnsi(const QByteArray& bytes);
QString fromOem(const QByteArray& bytes);

// For the error log only, which must never fail on a stray character: such a character becomes
// "?".
QByteArray toAnsiForLog(const QString& text);

} // namespace durvel
