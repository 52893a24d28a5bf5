#pragma once
// Wraps fuzz input in a well-formed zip archive, so that the document readers' XML handling is
// searched rather than the archive's checksums.

#include "FuzzSupport.h"

#include <QList>
#include <utility>
#include <zip.h>

namespace fuzz {

// Parts of the input separated by NUL bytes, at most Count of them.
inline QList<QByteArray> splitParts(const std::uint8_t* data, std::size_t size, int count)
{
    QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0');
    while (parts.size() > count)
        parts[count - 1] += '\0' + parts.takeLast();
    while (parts.size() < count)
        parts.append(QByteArray());
    return parts;
}

inline QString writeZip(const char* name, const QList<std::pair<QByteArray, QByteArray>>& members)
{
    const QString path = pathOf(name);
    zipFile z = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!z)
        std::abort();
    for (const auto& [member, bytes] : members) {
        zip_fileinfo info{};
        if (zipOpenNewFileInZip64(z, member.constData(), &info, nullptr, 0, nullptr, 0, nullptr, 0,
                                  0, 0) != ZIP_OK ||
            zipWriteInFileInZip(z, bytes.constData(), unsigned(bytes.size())) != ZIP_OK ||
            zipCloseFileInZip(z) != ZIP_OK)
            std::abort();
    }
    if (zipClose(z, nullptr) != ZIP_OK)
        std::abort();
    return path;
}

} // namespace fuzz
