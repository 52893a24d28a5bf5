#pragma once
// Writing zip archives in tests, with minizip: members in order, deflated or stored.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <zip.h>

struct ZipMember
{
    QByteArray name;
    QByteArray data;
    bool stored = false;
};

inline bool writeZip(const QString& path, const QList<ZipMember>& members)
{
    zipFile z = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!z)
        return false;
    bool ok = true;
    for (const ZipMember& m : members) {
        zip_fileinfo info{};
        ok = ok &&
             zipOpenNewFileInZip64(z, m.name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                                   m.stored ? 0 : Z_DEFLATED, m.stored ? 0 : Z_BEST_SPEED,
                                   1) == ZIP_OK &&
             zipWriteInFileInZip(z, m.data.constData(), unsigned(m.data.size())) == ZIP_OK &&
             zipCloseFileInZip(z) == ZIP_OK;
    }
    return zipClose(z, nullptr) == ZIP_OK && ok;
}
