#pragma once
// Shared by the fuzz targets: a bound on the input, a private folder for the files the readers
// need, and a hard stop for any failed check (so libFuzzer keeps the input).

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>

namespace fuzz {

// Larger inputs only slow the search down; real files of this size are read the same way.
constexpr std::size_t MaxInput = 1 << 20;

inline const QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort();
    return dir;
}

// A file in the private folder holding exactly bytes; returns its path.
inline QString writeFile(const char* name, QByteArrayView bytes)
{
    const QString path = folder().filePath(QString::fromLatin1(name));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(bytes.data(), bytes.size()) != bytes.size())
        std::abort();
    return path;
}

inline QString pathOf(const char* name)
{
    return folder().filePath(QString::fromLatin1(name));
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void check(bool ok, const char* what)
{
    if (!ok)
        fail(what);
}

// The designed errors are runtime errors with a message; a logic error or an exhausted
// allocation is a fault whatever catches it.
inline void expectedError(const std::exception& e)
{
    if (dynamic_cast<const std::logic_error*>(&e) || dynamic_cast<const std::bad_alloc*>(&e)) {
        std::fprintf(stderr, "unexpected exception: %s\n", e.what());
        std::abort();
    }
}

} // namespace fuzz
