#pragma once
// Writing the program's files. A plain file is replaced whole through a temporary file beside
// it, so that a failure leaves the old one as it was; a symbolic link is followed. A target that
// exists and is not a plain file (a named pipe, a device) is written into as it is: replacing
// it would put an ordinary file in place of the node and tell of success.
//
// What a target is, is read from the descriptor opened on it, never from its name beforehand:
// a name can be swapped between a check and the open. A reader that leaves a pipe midway is the
// write's error, whatever the program did with SIGPIPE: every write here keeps that signal from
// the process.

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <cstddef>
#include <sys/types.h>

namespace files {

// Writes bytes as the whole content of path. Returns an empty text on success, else the reason
// (the system's own words) for a message.
QString writeWhole(const QString& path, QByteArrayView bytes);

enum class Links {
    Follow,
    // For a name resolveInside gave: no link is followed on the way, so that one put there
    // after the check cannot lead the file elsewhere (such a name holds none of its own).
    None
};

// Opens file (its name set; once open, it no longer tells it) for writing lines as they come
// (a log): WriteOnly with Truncate or Append, unbuffered, so that each write tells its own
// failure. The file is made when missing. A pipe or a device is opened as it is, without
// waiting for a reader: a pipe nothing reads from is refused. Returns an empty text on success,
// else the reason. Write and close it through write() and close() below.
QString openForWriting(QFile& file, QIODevice::OpenMode mode, Links links = Links::Follow);

// Writes bytes into an open file. Empty on success, else the reason.
QString write(QFileDevice& file, QByteArrayView bytes);
// Writes what a buffer holds and closes the file. Empty on success, else the reason.
QString close(QFileDevice& file);

// The first Count bytes of the plain file open in File (opened by openForWriting on Path),
// read through Path only while it still names that file; empty for a pipe or a device.
QByteArray leadingBytes(const QFile& File, const QString& Path, qint64 Count);

// Opens an existing plain file to read it. Empty on success; else the reason, and *NotPlain
// tells whether the name was a pipe, a device or a folder (which is never waited on or read).
// *Missing tells that nothing has the name.
QString openPlainForReading(QFile& file, bool* NotPlain = nullptr, bool* Missing = nullptr);

// ::write for a descriptor the program writes into, with SIGPIPE kept from the process: a
// reader that left gives -1 with errno EPIPE.
ssize_t writeDescriptor(int fd, const void* data, std::size_t size);

// The real path that writing to Name (a name a template gave) reaches within Folder: relative
// to Folder, never to the current folder; a folder part that does not exist there is dropped
// (it is not made), and every symbolic link is followed, the last one too. Empty, with the
// reason in Why, when that lies outside Folder (a link leading out) or Name is absolute or goes
// up with "..". Open it with Links::None.
QString resolveInside(const QString& Folder, const QString& Name, QString* Why = nullptr);

} // namespace files
