#pragma once
// Writing the program's files. A plain file is replaced whole through a temporary file beside
// it, so that a failure leaves the old one as it was; a symbolic link is followed. A target that
// exists and is not a plain file (a named pipe, a device) is written into as it is: replacing
// it would put an ordinary file in place of the node and tell of success.

#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace files {

// Writes bytes as the whole content of path. Returns an empty text on success, else the reason
// (the system's own words) for a message.
QString writeWhole(const QString& path, QByteArrayView bytes);

// Opens file (its name set) for writing lines as they come (a log): WriteOnly with Truncate or
// Append. A pipe or a device is opened as it is, without waiting for a reader: a pipe nothing
// reads from is refused. Returns an empty text on success, else the reason.
QString openForWriting(QFile& file, QIODevice::OpenMode mode);

// Whether path names something that exists and is not a plain file (links followed).
bool isSpecial(const QString& path);

// The real path that writing to Name (a name a template gave) reaches within Folder: relative
// to Folder, never to the current folder; a folder part that does not exist there is dropped
// (it is not made), and every symbolic link is followed, the last one too. Empty, with the
// reason in Why, when that lies outside Folder (a link leading out) or Name is absolute or goes
// up with "..".
QString resolveInside(const QString& Folder, const QString& Name, QString* Why = nullptr);

} // namespace files
