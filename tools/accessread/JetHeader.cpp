#include "tools/accessread/JetHeader.h"

#include <QtEndian>

#include <array>
#include <cmath>
#include <cstring>

#include <iconv.h>

namespace {

constexpr int MaskStart = 0x18;
constexpr int CodePageAt = 0x3C;
constexpr int KeyAt = 0x3E;
constexpr int CreatedAt = 0x72;
constexpr int VersionAt = 0x14;

// The key stream the header is masked with: RC4 under a key fixed by the format.
const std::array<unsigned char, 128>& keyStream()
{
    static const std::array<unsigned char, 128> stream = [] {
        const unsigned char key[4] = {0xC7, 0xDA, 0x39, 0x6B};
        unsigned char s[256];
        for (int i = 0; i < 256; ++i)
            s[i] = static_cast<unsigned char>(i);
        for (int i = 0, j = 0; i < 256; ++i) {
            j = (j + s[i] + key[i % 4]) & 0xFF;
            std::swap(s[i], s[j]);
        }
        std::array<unsigned char, 128> out{};
        for (int n = 0, i = 0, j = 0; n < 128; ++n) {
            i = (i + 1) & 0xFF;
            j = (j + s[i]) & 0xFF;
            std::swap(s[i], s[j]);
            out[n] = s[(s[i] + s[j]) & 0xFF];
        }
        return out;
    }();
    return stream;
}

int maskedLength(AccessVersion version)
{
    return version == AccessVersion::Jet3 ? 126 : 128;
}

} // namespace

void JetHeader::mask(QByteArray& page, AccessVersion version)
{
    const int n = qMin<qsizetype>(maskedLength(version), page.size() - MaskStart);
    for (int i = 0; i < n; ++i)
        page[MaskStart + i] = char(uchar(page[MaskStart + i]) ^ keyStream()[i]);
}

QByteArray JetHeader::passwordMask(QByteArrayView unmasked)
{
    double created;
    std::memcpy(&created, unmasked.data() + CreatedAt, 8);
    created = qFromLittleEndian(created);
    const qint32 days =
        std::isfinite(created) && std::fabs(created) < 2e9 ? qint32(created) : qint32(0);
    QByteArray out(4, '\0');
    qToLittleEndian(days, out.data());
    return out;
}

std::optional<JetHeader> JetHeader::read(QByteArrayView page)
{
    if (page.size() < Size || std::memcmp(page.data(), "\0\1\0\0", 4) != 0)
        return std::nullopt;
    const QByteArrayView format = page.sliced(4, 15);
    if (format != "Standard Jet DB" && format != "Standard ACE DB")
        return std::nullopt;
    JetHeader h;
    const quint32 v = qFromLittleEndian<quint32>(page.data() + VersionAt);
    h.version = v == 0 ? AccessVersion::Jet3 : v == 1 ? AccessVersion::Jet4 : AccessVersion::Ace;
    h.pageSize = h.version == AccessVersion::Jet3 ? 2048 : 4096;
    QByteArray plain = page.first(Size).toByteArray();
    mask(plain, h.version);
    h.codePage = qFromLittleEndian<quint16>(plain.constData() + CodePageAt);
    h.encryptionKey = qFromLittleEndian<quint32>(plain.constData() + KeyAt);
    QByteArray stored = plain.mid(PasswordOffset, passwordBytes(h.version));
    if (h.version == AccessVersion::Jet3) {
        const qsizetype end = stored.indexOf('\0');
        h.password = end < 0 ? stored : stored.first(end);
    } else {
        const QByteArray m = passwordMask(plain);
        for (int i = 0; i < stored.size(); ++i)
            stored[i] = char(uchar(stored[i]) ^ uchar(m[i % 4]));
        qsizetype end = 0;
        while (end + 1 < stored.size() && (stored[end] != 0 || stored[end + 1] != 0))
            end += 2;
        h.password = stored.first(end);
    }
    return h;
}

QString JetHeader::passwordText() const
{
    if (version != AccessVersion::Jet3)
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(password.constData()),
                                  password.size() / 2);
    const QString text = decodeCodePage(password, jet3CodePage(codePage));
    // Bytes the page leaves undefined: still a password that can be typed.
    return text.isEmpty() && !password.isEmpty() ? QString::fromLatin1(password) : text;
}

namespace {

iconv_t openCodePage(int codePage)
{
    if (codePage <= 0 || codePage > 65535)
        return iconv_t(-1);
    const QByteArray name = "CP" + QByteArray::number(codePage);
    return iconv_open("UTF-8", name.constData());
}

} // namespace

bool knownCodePage(int codePage)
{
    const iconv_t cd = openCodePage(codePage);
    if (cd == iconv_t(-1))
        return false;
    iconv_close(cd);
    return true;
}

int jet3CodePage(int named)
{
    return knownCodePage(named) ? named : 1256;
}

QString decodeCodePage(QByteArrayView bytes, int codePage)
{
    const iconv_t cd = openCodePage(codePage);
    if (cd == iconv_t(-1))
        return {};
    QByteArray in = bytes.toByteArray();
    QByteArray out(in.size() * 4 + 4, '\0');
    char* src = in.data();
    size_t srcLeft = size_t(in.size());
    char* dst = out.data();
    size_t dstLeft = size_t(out.size());
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == size_t(-1))
        return {};
    return QString::fromUtf8(out.constData(), out.size() - qsizetype(dstLeft));
}
