#include "platform/codepage/CodePage.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <array>
#include <cerrno>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <iconv.h>
#include <map>
#include <memory>

namespace codepage {

namespace {

constexpr char16_t Replacement = 0xFFFD;

// Widens the ASCII bytes at the start of [in, in + n) into out; returns how many it took.
inline qsizetype widenAscii(const uchar* in, qsizetype n, char16_t* out)
{
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; n - i >= 16; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        if (_mm_movemask_epi8(v))
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
    }
#endif
    for (; n - i >= 8; i += 8) {
        quint64 word;
        std::memcpy(&word, in + i, 8);
        if (word & 0x8080808080808080ULL)
            break;
        for (int k = 0; k < 8; ++k)
            out[i + k] = in[i + k];
    }
    return i;
}

// out resized to n units for writing; its storage is kept when no other string shares it.
char16_t* outputFor(QString& out, qsizetype n)
{
    if (out.isDetached()) {
        if (out.size() != n)
            out.resize(n);
    } else {
        out = QString(n, Qt::Uninitialized);
    }
    return reinterpret_cast<char16_t*>(out.data());
}

// The n units at units as out's text, in out's storage when no other string shares it and it
// has room: a field of the same length as the last one costs no resize.
void assignUnits(QString& out, const char16_t* units, qsizetype n)
{
    if (!out.isDetached() || out.capacity() < n)
        out = QString(n, Qt::Uninitialized);
    else if (out.size() != n)
        out.resize(n);
    if (n > 0)
        std::memcpy(static_cast<void*>(out.data()), units, std::size_t(n) * sizeof(char16_t));
}

// Windows code page -> glibc iconv name. CP720 is not in glibc and has its own table.
const char* iconvName(int codePage)
{
    switch (codePage) {
    case 437:
        return "IBM437";
    case 500:
        return "IBM500";
    case 737:
        return "CP737";
    case 775:
        return "CP775";
    case 850:
        return "IBM850";
    case 852:
        return "IBM852";
    case 855:
        return "IBM855";
    case 856:
        return "IBM856";
    case 857:
        return "IBM857";
    case 858:
        return "IBM858";
    case 860:
        return "IBM860";
    case 862:
        return "IBM862";
    case 863:
        return "IBM863";
    case 864:
        return "IBM864";
    case 865:
        return "IBM865";
    case 866:
        return "CP866";
    case 869:
        return "IBM869";
    case 871:
        return "IBM871";
    case 874:
        return "CP874";
    case 875:
        return "IBM875";
    case 1026:
        return "IBM1026";
    case 1250:
        return "CP1250";
    case 1251:
        return "CP1251";
    case 1252:
        return "CP1252";
    case 1253:
        return "CP1253";
    case 1254:
        return "CP1254";
    case 1255:
        return "CP1255";
    case 1256:
        return "CP1256";
    case 1257:
        return "CP1257";
    case 1258:
        return "CP1258";
    case 10000:
        return "MACINTOSH";
    case 10029:
        return "MAC-CENTRALEUROPE";
    case 20107:
        return "SEN_850200_B";
    case 20127:
        return "ASCII";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 28591:
        return "ISO-8859-1";
    case 28592:
        return "ISO-8859-2";
    case 28593:
        return "ISO-8859-3";
    case 28594:
        return "ISO-8859-4";
    case 28595:
        return "ISO-8859-5";
    case 28596:
        return "ISO-8859-6";
    case 28597:
        return "ISO-8859-7";
    case 28598:
        return "ISO-8859-8";
    case 28599:
        return "ISO-8859-9";
    case 28603:
        return "ISO-8859-13";
    case Armscii8:
        return "ARMSCII-8";
    case Dec8:
        return "DEC-MCS";
    case Geostd8:
        return "GEORGIAN-PS";
    case HpRoman8:
        return "HP-ROMAN8";
    case Latin6:
        return "ISO-8859-10";
    case Latin8:
        return "ISO-8859-14";
    default:
        return nullptr;
    }
}

const char* iconvMultiByteName(int codePage)
{
    switch (codePage) {
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 932:
        return "CP932";
    case 950:
        return "CP950";
    case 20932:
        return "EUC-JP";
    default:
        return nullptr;
    }
}

// CP720 (DOS Arabic), bytes 0x80..0xFF; the lower half is ASCII.
constexpr std::array<char16_t, 128> Cp720High = {
    0x0080, 0x0081, 0x00E9, 0x00E2, 0x0084, 0x00E0, 0x0086, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x008D, 0x008E, 0x008F, 0x0090, 0x0651, 0x0652, 0x00F4, 0x00A4, 0x0640, 0x00FB, 0x00F9,
    0x0621, 0x0622, 0x0623, 0x0624, 0x00A3, 0x0625, 0x0626, 0x0627, 0x0628, 0x0629, 0x062A, 0x062B,
    0x062C, 0x062D, 0x062E, 0x062F, 0x0630, 0x0631, 0x0632, 0x0633, 0x0634, 0x0635, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0636, 0x0637, 0x0638, 0x0639, 0x063A, 0x0641, 0x00B5, 0x0642, 0x0643, 0x0644, 0x0645, 0x0646,
    0x0647, 0x0648, 0x0649, 0x064A, 0x2261, 0x064B, 0x064C, 0x064D, 0x064E, 0x064F, 0x0650, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// Kamenicky (KEYBCS2), bytes 0x80..0xAF: Czech and Slovak letters; above them CP437.
constexpr std::array<char16_t, 48> KamenickyHigh = {
    0x010C, 0x00FC, 0x00E9, 0x010F, 0x00E4, 0x010E, 0x0164, 0x010D, 0x011B, 0x011A, 0x0139, 0x00CD,
    0x013E, 0x013A, 0x00C4, 0x00C1, 0x00C9, 0x017E, 0x017D, 0x00F4, 0x00F6, 0x00D3, 0x016F, 0x00DA,
    0x00FD, 0x00D6, 0x00DC, 0x0160, 0x013D, 0x00DD, 0x0158, 0x0165, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x0148, 0x0147, 0x016E, 0x00D4, 0x0161, 0x0159, 0x0155, 0x0154, 0x00BC, 0x00A7, 0x00AB, 0x00BB,
};

// Persian letters that Arabic pages lack fall back to their Arabic forms, as Windows did
// (Persian yeh to Arabic yeh, keheh to kaf). Used only when the page lacks the letter.
char16_t persianFallback(char16_t c)
{
    switch (c) {
    case 0x06CC:
        return 0x064A;
    case 0x06A9:
        return 0x0643;
    default:
        return 0;
    }
}

QString describe(QStringView text, qsizetype index)
{
    char32_t cp = text[index].unicode();
    if (QChar::isHighSurrogate(cp) && index + 1 < text.size() && text[index + 1].isLowSurrogate())
        cp = QChar::surrogateToUcs4(text[index], text[index + 1]);
    return QStringLiteral("U+") +
           QString::number(uint(cp), 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

class IconvHandle
{
public:
    IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (ok())
            iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool ok() const { return m_cd != iconv_t(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// One byte, one character: a table each way.
class SingleByteCodec : public Codec
{
public:
    SingleByteCodec(int codePage, const std::array<char16_t, 256>& table)
        : Codec(codePage), m_table(table)
    {
        for (int b = 255; b >= 0; --b) // the lowest byte wins for a character listed twice
            if (m_table[size_t(b)] != Replacement)
                m_reverse.insert(m_table[size_t(b)], uchar(b));
        for (int b = 0; b < 0x80 && m_asciiBelow; ++b)
            m_asciiBelow = m_table[size_t(b)] == b;
        // ARMSCII-8 also has upper bytes for ASCII punctuation (its comma among them).
        m_asciiCompatible = m_asciiBelow;
        for (int b = 0x80; b < 0x100 && m_asciiCompatible; ++b)
            m_asciiCompatible = m_table[size_t(b)] >= 0x80;
    }

    bool isSingleByte() const override { return true; }
    bool asciiCompatible() const override { return m_asciiCompatible; }

    void decodeTo(QByteArrayView bytes, QString& result) const override
    {
        const qsizetype n = bytes.size();
        char16_t* out = outputFor(result, n);
        const auto* in = reinterpret_cast<const uchar*>(bytes.data());
        const char16_t* table = m_table.data();
        qsizetype i = 0;
        while (i < n) {
            if (m_asciiBelow && in[i] < 0x80) {
                i += widenAscii(in + i, n - i, out + i);
                if (i >= n)
                    break;
            }
            // Up to the next run of eight ASCII bytes (pages with ASCII below 0x80).
            const qsizetype stop = qMin(n, i + 8);
            for (; i < stop; ++i)
                out[i] = table[in[i]];
        }
    }

    bool tryEncode(QStringView text, QByteArray& out, qsizetype* badIndex) const override
    {
        out.reserve(out.size() + text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            auto it = m_reverse.constFind(c);
            if (it == m_reverse.constEnd()) {
                if (const char16_t f = persianFallback(c))
                    it = m_reverse.constFind(f);
            }
            if (it != m_reverse.constEnd()) {
                out.append(char(it.value()));
                continue;
            }
            // A precomposed letter may be written as a base letter plus combining marks, the
            // base perhaps still carrying one of them (CP1258: "ệ" is "ê" and a dot below).
            QByteArray parts;
            if (!composeFromParts(text[i], parts)) {
                if (badIndex)
                    *badIndex = i;
                return false;
            }
            out.append(parts);
        }
        return true;
    }

private:
    bool lookup(QChar c, QByteArray& out) const
    {
        const auto it = m_reverse.constFind(c.unicode());
        if (it == m_reverse.constEnd())
            return false;
        out.append(char(it.value()));
        return true;
    }

    bool composeFromParts(QChar c, QByteArray& out) const
    {
        const QString d = QString(c).normalized(QString::NormalizationForm_D);
        if (d.size() < 2)
            return false;
        QByteArray parts;
        bool all = true;
        for (QChar p : d)
            all = all && lookup(p, parts);
        if (all) {
            out.append(parts);
            return true;
        }
        for (qsizetype m = 1; m < d.size(); ++m) {
            const QString base = (QString(d[0]) + d[m]).normalized(QString::NormalizationForm_C);
            if (base.size() != 1)
                continue;
            parts.clear();
            bool ok = lookup(base[0], parts);
            for (qsizetype k = 1; ok && k < d.size(); ++k)
                if (k != m)
                    ok = lookup(d[k], parts);
            if (ok) {
                out.append(parts);
                return true;
            }
        }
        return false;
    }

    std::array<char16_t, 256> m_table;
    QHash<char16_t, uchar> m_reverse;
    bool m_asciiBelow = true;      // bytes below 0x80 are ASCII (not so in EBCDIC)
    bool m_asciiCompatible = true; // and no other byte is
};

class Utf8Codec : public Codec
{
public:
    Utf8Codec() : Codec(Utf8) {}
    bool isSingleByte() const override { return false; }
    bool asciiCompatible() const override { return true; }

    // Never more units than bytes: a short text (a field) is decoded on the stack and copied,
    // a longer one written in place, then cut to length.
    void decodeTo(QByteArrayView bytes, QString& result) const override
    {
        constexpr qsizetype kShort = 256;
        if (bytes.size() <= kShort) {
            char16_t units[kShort];
            assignUnits(result, units, decode(bytes, units) - units);
        } else {
            char16_t* const begin = outputFor(result, bytes.size());
            result.resize(decode(bytes, begin) - begin);
        }
    }

private:
    // Writes the units of bytes at out; returns their end.
    static char16_t* decode(QByteArrayView bytes, char16_t* out)
    {
        const auto* p = reinterpret_cast<const uchar*>(bytes.data());
        const qsizetype n = bytes.size();
        qsizetype i = 0;
        while (i < n) {
            uchar b = p[i];
            if (b < 0x80) {
                // Long runs a block at a time, short ones (a field, a number) byte by byte.
                if (n - i >= 16) {
                    const qsizetype run = widenAscii(p + i, n - i, out);
                    out += run;
                    i += run;
                }
                while (i < n && p[i] < 0x80)
                    *out++ = p[i++];
                continue;
            }
            // Two-byte sequences (Arabic script) can be neither overlong nor surrogates.
            if (b >= 0xC2 && b <= 0xDF && i + 1 < n && (p[i + 1] & 0xC0) == 0x80) {
                do {
                    *out++ = char16_t(((b & 0x1F) << 6) | (p[i + 1] & 0x3F));
                    i += 2;
                } while (i + 1 < n && (b = p[i]) >= 0xC2 && b <= 0xDF && (p[i + 1] & 0xC0) == 0x80);
                continue;
            }
            int len;
            char32_t cp;
            char32_t min;
            if (b >= 0xC2 && b <= 0xDF) {
                len = 2;
                cp = b & 0x1F;
                min = 0x80;
            } else if (b >= 0xE0 && b <= 0xEF) {
                len = 3;
                cp = b & 0x0F;
                min = 0x800;
            } else if (b >= 0xF0 && b <= 0xF4) {
                len = 4;
                cp = b & 0x07;
                min = 0x10000;
            } else {
                *out++ = Replacement;
                ++i;
                continue;
            }
            int k = 1;
            while (k < len && i + k < n && (p[i + k] & 0xC0) == 0x80) {
                cp = (cp << 6) | (p[i + k] & 0x3F);
                ++k;
            }
            if (k < len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                // One U+FFFD for the maximal broken prefix, then go on after it.
                *out++ = Replacement;
                i += k;
                continue;
            }
            if (cp >= 0x10000) {
                *out++ = QChar::highSurrogate(cp);
                *out++ = QChar::lowSurrogate(cp);
            } else {
                *out++ = char16_t(cp);
            }
            i += len;
        }
        return out;
    }

public:
    bool tryEncode(QStringView text, QByteArray& out, qsizetype* badIndex) const override
    {
        out.reserve(out.size() + text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t cp = text[i].unicode();
            if (QChar::isSurrogate(cp)) {
                if (QChar::isHighSurrogate(cp) && i + 1 < text.size() &&
                    text[i + 1].isLowSurrogate()) {
                    cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
                    ++i;
                } else {
                    if (badIndex)
                        *badIndex = i;
                    return false;
                }
            }
            if (cp < 0x80) {
                out.append(char(cp));
            } else if (cp < 0x800) {
                out.append(char(0xC0 | (cp >> 6)));
                out.append(char(0x80 | (cp & 0x3F)));
            } else if (cp < 0x10000) {
                out.append(char(0xE0 | (cp >> 12)));
                out.append(char(0x80 | ((cp >> 6) & 0x3F)));
                out.append(char(0x80 | (cp & 0x3F)));
            } else {
                out.append(char(0xF0 | (cp >> 18)));
                out.append(char(0x80 | ((cp >> 12) & 0x3F)));
                out.append(char(0x80 | ((cp >> 6) & 0x3F)));
                out.append(char(0x80 | (cp & 0x3F)));
            }
        }
        return true;
    }
};

class Utf16Codec : public Codec
{
public:
    explicit Utf16Codec(bool bigEndian) : Codec(bigEndian ? Utf16BE : Utf16LE), m_be(bigEndian) {}
    bool isSingleByte() const override { return false; }

    void decodeTo(QByteArrayView bytes, QString& result) const override
    {
        const auto* p = reinterpret_cast<const uchar*>(bytes.data());
        const qsizetype units = bytes.size() / 2;
        const bool odd = bytes.size() % 2;
        char16_t* out = outputFor(result, units + (odd ? 1 : 0));
        for (qsizetype i = 0; i < units; ++i)
            out[i] = m_be ? char16_t((p[2 * i] << 8) | p[2 * i + 1])
                          : char16_t(p[2 * i] | (p[2 * i + 1] << 8));
        // Unpaired surrogates are not text.
        for (qsizetype i = 0; i < units; ++i) {
            if (QChar::isHighSurrogate(out[i]) && i + 1 < units &&
                QChar::isLowSurrogate(out[i + 1]))
                ++i;
            else if (QChar::isSurrogate(out[i]))
                out[i] = Replacement;
        }
        if (odd)
            out[units] = Replacement;
    }

    bool tryEncode(QStringView text, QByteArray& out, qsizetype* badIndex) const override
    {
        out.reserve(out.size() + 2 * text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c.isSurrogate()) {
                const bool paired =
                    c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
                if (!paired && !(c.isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate())) {
                    if (badIndex)
                        *badIndex = i;
                    return false;
                }
            }
            const char16_t u = c.unicode();
            if (m_be) {
                out.append(char(u >> 8));
                out.append(char(u & 0xFF));
            } else {
                out.append(char(u & 0xFF));
                out.append(char(u >> 8));
            }
        }
        return true;
    }

private:
    bool m_be;
};

class Utf32Codec : public Codec
{
public:
    explicit Utf32Codec(bool bigEndian) : Codec(bigEndian ? Utf32BE : Utf32LE), m_be(bigEndian) {}
    bool isSingleByte() const override { return false; }

    // At most two units per character and one for a cut-off tail.
    void decodeTo(QByteArrayView bytes, QString& result) const override
    {
        const auto* p = reinterpret_cast<const uchar*>(bytes.data());
        const qsizetype units = bytes.size() / 4;
        char16_t* const begin = outputFor(result, 2 * units + 1);
        char16_t* out = begin;
        for (qsizetype i = 0; i < units; ++i) {
            const uchar* u = p + 4 * i;
            const char32_t cp = m_be ? (char32_t(u[0]) << 24) | (char32_t(u[1]) << 16) |
                                           (char32_t(u[2]) << 8) | u[3]
                                     : (char32_t(u[3]) << 24) | (char32_t(u[2]) << 16) |
                                           (char32_t(u[1]) << 8) | u[0];
            if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                *out++ = Replacement;
            } else if (cp >= 0x10000) {
                *out++ = QChar::highSurrogate(cp);
                *out++ = QChar::lowSurrogate(cp);
            } else {
                *out++ = char16_t(cp);
            }
        }
        if (bytes.size() % 4)
            *out++ = Replacement;
        result.resize(out - begin);
    }

    bool tryEncode(QStringView text, QByteArray& out, qsizetype* badIndex) const override
    {
        out.reserve(out.size() + 4 * text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t cp = text[i].unicode();
            if (QChar::isSurrogate(cp)) {
                if (QChar::isHighSurrogate(cp) && i + 1 < text.size() &&
                    text[i + 1].isLowSurrogate()) {
                    cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
                    ++i;
                } else {
                    if (badIndex)
                        *badIndex = i;
                    return false;
                }
            }
            const char b[4] = {char(cp & 0xFF), char((cp >> 8) & 0xFF), char((cp >> 16) & 0xFF),
                               char(cp >> 24)};
            if (m_be) {
                for (int k = 3; k >= 0; --k)
                    out.append(b[k]);
            } else {
                out.append(b, 4);
            }
        }
        return true;
    }

private:
    bool m_be;
};

// Double-byte pages through iconv, a whole buffer per call.
class IconvCodec : public Codec
{
public:
    IconvCodec(int codePage, const char* name) : Codec(codePage), m_name(name) {}
    bool isSingleByte() const override { return false; }

    void decodeTo(QByteArrayView bytes, QString& result) const override
    {
        IconvHandle cd("UTF-16LE", m_name);
        if (!cd.ok()) {
            result = QString(bytes.size(), QChar(Replacement));
            return;
        }
        result.clear();
        result.reserve(bytes.size());
        char* in = const_cast<char*>(bytes.data());
        size_t inLeft = size_t(bytes.size());
        QByteArray buf(8192, Qt::Uninitialized);
        while (inLeft > 0) {
            char* out = buf.data();
            size_t outLeft = size_t(buf.size());
            const size_t r = iconv(cd.get(), &in, &inLeft, &out, &outLeft);
            const int err = r == size_t(-1) ? errno : 0;
            appendUtf16(result, buf.constData(), buf.size() - qsizetype(outLeft));
            if (r != size_t(-1))
                break;
            if (err == E2BIG)
                continue;
            // EILSEQ: an undefined sequence; EINVAL: cut off at the end.
            result += QChar(Replacement);
            if (err == EINVAL) {
                inLeft = 0;
            } else {
                ++in;
                --inLeft;
            }
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }

    bool tryEncode(QStringView text, QByteArray& out, qsizetype* badIndex) const override
    {
        IconvHandle cd(m_name, "UTF-16LE");
        if (!cd.ok()) {
            if (badIndex)
                *badIndex = 0;
            return false;
        }
        QByteArray utf16;
        utf16.reserve(text.size() * 2);
        for (QChar c : text) {
            const char16_t u = c.unicode();
            utf16.append(char(u & 0xFF));
            utf16.append(char(u >> 8));
        }
        char* in = utf16.data();
        size_t inLeft = size_t(utf16.size());
        QByteArray buf(8192, Qt::Uninitialized);
        while (true) {
            char* o = buf.data();
            size_t outLeft = size_t(buf.size());
            const size_t r = inLeft ? iconv(cd.get(), &in, &inLeft, &o, &outLeft)
                                    : iconv(cd.get(), nullptr, nullptr, &o, &outLeft);
            const int err = r == size_t(-1) ? errno : 0;
            out.append(buf.constData(), buf.size() - qsizetype(outLeft));
            if (r != size_t(-1)) {
                if (inLeft == 0)
                    break;
                continue;
            }
            if (err == E2BIG)
                continue;
            if (badIndex)
                *badIndex = (in - utf16.data()) / 2;
            return false;
        }
        return true;
    }

private:
    static void appendUtf16(QString& s, const char* data, qsizetype bytes)
    {
        const auto* p = reinterpret_cast<const uchar*>(data);
        for (qsizetype i = 0; i + 1 < bytes; i += 2)
            s += QChar(char16_t(p[i] | (p[i + 1] << 8)));
    }

    const char* m_name;
};

// The table of a single-byte page, built by asking iconv byte by byte.
bool tableFromIconv(const char* name, std::array<char16_t, 256>& table)
{
    IconvHandle cd("UTF-32LE", name);
    if (!cd.ok())
        return false;
    for (int b = 0; b < 256; ++b) {
        char in = char(b);
        char* inp = &in;
        size_t inLeft = 1;
        char outBuf[16];
        char* outp = outBuf;
        size_t outLeft = sizeof outBuf;
        const size_t r = iconv(cd.get(), &inp, &inLeft, &outp, &outLeft);
        if (r != size_t(-1)) // some pages hold a character back until the flush
            iconv(cd.get(), nullptr, nullptr, &outp, &outLeft);
        const size_t produced = sizeof outBuf - outLeft;
        char16_t c = Replacement;
        if (r != size_t(-1) && produced == 4) {
            const auto* u = reinterpret_cast<const uchar*>(outBuf);
            const char32_t cp = char32_t(u[0]) | (char32_t(u[1]) << 8) | (char32_t(u[2]) << 16) |
                                (char32_t(u[3]) << 24);
            if (cp < 0x10000)
                c = char16_t(cp);
        }
        table[size_t(b)] = c;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

std::unique_ptr<Codec> makeCodec(int codePage)
{
    switch (codePage) {
    case Utf8:
        return std::make_unique<Utf8Codec>();
    case Utf16LE:
        return std::make_unique<Utf16Codec>(false);
    case Utf16BE:
        return std::make_unique<Utf16Codec>(true);
    case Utf32LE:
        return std::make_unique<Utf32Codec>(false);
    case Utf32BE:
        return std::make_unique<Utf32Codec>(true);
    case 720: {
        std::array<char16_t, 256> table;
        for (int b = 0; b < 128; ++b)
            table[size_t(b)] = char16_t(b);
        for (int b = 0; b < 128; ++b)
            table[size_t(128 + b)] = Cp720High[size_t(b)];
        return std::make_unique<SingleByteCodec>(720, table);
    }
    case Keybcs2: {
        std::array<char16_t, 256> table;
        if (!tableFromIconv("IBM437", table))
            return nullptr;
        for (size_t b = 0; b < KamenickyHigh.size(); ++b)
            table[0x80 + b] = KamenickyHigh[b];
        return std::make_unique<SingleByteCodec>(Keybcs2, table);
    }
    default:
        break;
    }
    if (const char* name = iconvMultiByteName(codePage)) {
        IconvHandle probe("UTF-16LE", name);
        if (!probe.ok())
            return nullptr;
        return std::make_unique<IconvCodec>(codePage, name);
    }
    if (const char* name = iconvName(codePage)) {
        std::array<char16_t, 256> table;
        if (!tableFromIconv(name, table))
            return nullptr;
        return std::make_unique<SingleByteCodec>(codePage, table);
    }
    return nullptr;
}

} // namespace

QByteArray Codec::encode(QStringView text) const
{
    QByteArray out;
    qsizetype bad = 0;
    if (!tryEncode(text, out, &bad))
        throw ECodePageError(
            QStringLiteral("Character %1 at position %2 cannot be written in code page %3")
                .arg(describe(text, bad))
                .arg(bad + 1)
                .arg(codePage()));
    return out;
}

const Codec* codecFor(int codePage)
{
    static QMutex mutex;
    static std::map<int, std::unique_ptr<Codec>> codecs;
    QMutexLocker lock(&mutex);
    auto it = codecs.find(codePage);
    if (it == codecs.end())
        it = codecs.emplace(codePage, makeCodec(codePage)).first;
    return it->second.get();
}

const Codec& requireCodec(int codePage)
{
    const Codec* codec = codecFor(codePage);
    if (!codec)
        throw ECodePageError(QStringLiteral("Code page %1 is not supported").arg(codePage));
    return *codec;
}

bool isSupported(int codePage)
{
    return codecFor(codePage) != nullptr;
}

QString decode(int codePage, QByteArrayView bytes)
{
    return requireCodec(codePage).decode(bytes);
}

void latin1To(QByteArrayView bytes, QString& out)
{
    char16_t* p = outputFor(out, bytes.size());
    const auto* in = reinterpret_cast<const uchar*>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        p[i] = in[i];
}

QByteArray encode(int codePage, QStringView text)
{
    return requireCodec(codePage).encode(text);
}

} // namespace codepage
