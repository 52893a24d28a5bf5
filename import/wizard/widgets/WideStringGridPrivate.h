#pragma once
// What the grid's source files share: its error messages and limits.

#include "import/wizard/widgets/Durvel3WideStringGrid.h"

#include <limits>

namespace GridPrivate {

inline const QString IndexOutOfRange = QStringLiteral("Grid index out of range");
inline const QString TooManyDeleted = QStringLiteral("Too many rows or columns deleted");
inline const QString TooLarge = QStringLiteral("Grid too large for operation");
inline const QString FixedColTooBig =
    QStringLiteral("Fixed column count must be less than column count");
inline const QString FixedRowTooBig = QStringLiteral("Fixed row count must be less than row count");
inline const QString CannotInsertDelete = QStringLiteral("Cannot insert or delete rows from grid");
constexpr int MaxExtents = 0x7FFFFFE;
// Milliseconds between the steps of scrolling while the mouse is held beyond the cells.
constexpr int ScrollInterval = 60;
// A line that is not shown (a one-column grid scrolled by pixels may start left of 0).
constexpr int Hidden = std::numeric_limits<int>::min();

[[noreturn]] inline void gridError(const QString& Message)
{
    throw EInvalidGridOperation(Message);
}

inline bool isPrintable(const QString& Text)
{
    // Any printable character starts editing, Persian letters included.
    return !Text.isEmpty() && Text.at(0).isPrint();
}

} // namespace GridPrivate
