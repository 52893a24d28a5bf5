#pragma once
// The two 8-bit code pages the engine needs itself: the ANSI page (CP1256) for the error log and
// the OEM page (CP720) for the character-set rule of a field format.

#include <QByteArray>
#include <QString>

namespace durvel {

// Characters the page cannot hold become "?".
QByteArray toAnsi(const QString& text);
QString fromAnsi(const QByteArray& bytes);
QByteArray toOem(const QString& text);
QString fromOem(const QByteArray& bytes);

} // namespace durvel
