#pragma once
// The header page of an Access file, read before the library opens it: the version and page
// size (to check the file's length), the code page of Jet3 texts, the encryption key and the
// database password. Part of the page is masked with a fixed key stream; Jet4 and later also
// mask the password with the creation date.

#include "platform/access/AccessTypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

struct JetHeader
{
    AccessVersion version = AccessVersion::Jet4;
    int pageSize = 4096;
    // The code page of 8-bit texts; 0 when the file names none.
    int codePage = 0;
    // Pages encrypted beyond the password when not 0.
    quint32 encryptionKey = 0;
    // The stored password as the file keeps it: 8-bit for Jet3, UTF-16 after; up to its first
    // NUL.
    QByteArray password;

    // Bytes of the page that the header needs.
    static constexpr int Size = 0x98;
    // Nothing for a page that does not begin as an Access file.
    static std::optional<JetHeader> read(QByteArrayView page);

    bool hasPassword() const { return !password.isEmpty(); }
    // The stored password as text, a Jet3 one in the page its texts are read in.
    QString passwordText() const;
    // A file without a password opens with any.
    bool accepts(const QString& given) const { return !hasPassword() || given == passwordText(); }

    // The masking itself, both ways (it is its own inverse), for the page's first Size bytes.
    static void mask(QByteArray& page, AccessVersion version);
    // Where the password lies and how long it may be, in bytes.
    static constexpr int PasswordOffset = 0x42;
    static int passwordBytes(AccessVersion version) { return version == AccessVersion::Jet3 ? 14 : 40; }
    // Jet4 and later: the password's own mask, from the creation date of an unmasked page.
    static QByteArray passwordMask(QByteArrayView unmasked);
};

// An 8-bit text in a Windows code page; empty when the system cannot decode that page.
QString decodeCodePage(QByteArrayView bytes, int codePage);
// Whether the system can decode texts of this code page.
bool knownCodePage(int codePage);
// The code page a Jet3 file's 8-bit texts and its password are read in: the one its header
// names, or the ANSI page of the system the files come from (Windows-1256) where it names none
// the system knows.
int jet3CodePage(int named);
