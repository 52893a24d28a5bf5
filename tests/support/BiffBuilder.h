#pragma once
// Hand-built BIFF8 record streams and compound files for the reader tests and fuzz seeds.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtEndian>
#include <cstring>
#include <functional>
#include <vector>

namespace biff {

inline QByteArray u8(quint8 v)
{
    return QByteArray(1, char(v));
}
inline QByteArray u16(quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    return QByteArray(b, 2);
}
inline QByteArray u32(quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}
inline QByteArray f64(double v)
{
    char b[8];
    qToLittleEndian(v, b);
    return QByteArray(b, 8);
}

inline QByteArray rec(quint16 id, const QByteArray& data)
{
    return u16(id) + u16(quint16(data.size())) + data;
}

// Characters alone, 8-bit when every one fits and wide is not asked for.
inline QByteArray chars(const QString& s, bool wide)
{
    QByteArray out;
    for (QChar c : s)
        out += wide ? u16(c.unicode()) : u8(quint8(c.unicode()));
    return out;
}
inline bool needsWide(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() > 0xFF)
            return true;
    return false;
}
// A string with a 16-bit (or 8-bit with shortCount) character count and its flag byte.
inline QByteArray str(const QString& s, bool shortCount = false)
{
    const bool wide = needsWide(s);
    return (shortCount ? u8(quint8(s.size())) : u16(quint16(s.size()))) + u8(wide ? 1 : 0) +
           chars(s, wide);
}

inline QByteArray bof(quint16 type, quint16 version = 0x0600)
{
    return rec(0x0809, u16(version) + u16(type) + u16(0x0DBB) + u16(0x07CC) + u32(0) + u32(6));
}
inline QByteArray eof()
{
    return rec(0x000A, {});
}
inline QByteArray cellHead(int row, int col, int xf)
{
    return u16(quint16(row)) + u16(quint16(col)) + u16(quint16(xf));
}
inline QByteArray number(int row, int col, double v, int xf = 0)
{
    return rec(0x0203, cellHead(row, col, xf) + f64(v));
}
inline QByteArray rk(int row, int col, quint32 v, int xf = 0)
{
    return rec(0x027E, cellHead(row, col, xf) + u32(v));
}
inline QByteArray mulrk(int row, int firstCol, const QList<quint32>& values, int xf = 0)
{
    QByteArray d = u16(quint16(row)) + u16(quint16(firstCol));
    for (quint32 v : values)
        d += u16(quint16(xf)) + u32(v);
    return rec(0x00BD, d + u16(quint16(firstCol + values.size() - 1)));
}
inline QByteArray labelSst(int row, int col, quint32 index, int xf = 0)
{
    return rec(0x00FD, cellHead(row, col, xf) + u32(index));
}
inline QByteArray label(int row, int col, const QString& s, int xf = 0)
{
    return rec(0x0204, cellHead(row, col, xf) + str(s));
}
inline QByteArray rstring(int row, int col, const QString& s, int xf = 0)
{
    // Two formatting runs after the text.
    return rec(0x00D6,
               cellHead(row, col, xf) + str(s) + u16(2) + u16(0) + u16(0) + u16(1) + u16(1));
}
inline QByteArray boolErr(int row, int col, quint8 value, bool error, int xf = 0)
{
    return rec(0x0205, cellHead(row, col, xf) + u8(value) + u8(error ? 1 : 0));
}
// A formula with a cached number, or with a special result (kind 0 text, 1 boolean, 2 error,
// 3 empty) and its value byte.
inline QByteArray formula(int row, int col, double v, int xf = 0)
{
    return rec(0x0006, cellHead(row, col, xf) + f64(v) + u16(0) + u32(0) + u16(3) +
                           QByteArray("\x1E\x05\x00", 3));
}
inline QByteArray formulaSpecial(int row, int col, quint8 kind, quint8 value = 0, int xf = 0)
{
    const QByteArray result = u8(kind) + u8(0) + u8(value) + u8(0) + u16(0) + u16(0xFFFF);
    // An unknown token (0xFF) in the expression: it is never decoded.
    return rec(0x0006, cellHead(row, col, xf) + result + u16(0) + u32(0) + u16(2) +
                           QByteArray("\xFF\xFF", 2));
}
inline QByteArray string(const QString& s)
{
    return rec(0x0207, str(s));
}
inline QByteArray array(int firstRow, int lastRow, int firstCol, int lastCol)
{
    return rec(0x0221, u16(quint16(firstRow)) + u16(quint16(lastRow)) + u8(quint8(firstCol)) +
                           u8(quint8(lastCol)) + u16(0) + u32(0) + u16(3) +
                           QByteArray("\x1E\x01\x00", 3));
}
inline QByteArray xf(int format)
{
    return rec(0x00E0, u16(0) + u16(quint16(format)) + QByteArray(16, '\0'));
}
inline QByteArray format(int index, const QString& text)
{
    return rec(0x041E, u16(quint16(index)) + str(text));
}
inline QByteArray dateMode(bool is1904)
{
    return rec(0x0022, u16(is1904 ? 1 : 0));
}
inline QByteArray filePass()
{
    return rec(0x002F, u16(1) + QByteArray(52, '\x11'));
}
inline QByteArray sst(const QStringList& strings)
{
    QByteArray d = u32(quint32(strings.size())) + u32(quint32(strings.size()));
    for (const QString& s : strings)
        d += str(s);
    return rec(0x00FC, d);
}

struct Sheet
{
    QString name;
    QByteArray body;     // the records between BOF and EOF
    quint16 type = 0x10; // 0x10 worksheet, 0x20 chart
    quint8 visibility = 0;
};

// Globals (BOF, globalRecords, one BOUNDSHEET per sheet, EOF) then the sheets. With
// rightOffsets false every BOUNDSHEET points at offset 0.
inline QByteArray workbook(const QByteArray& globalRecords, const QList<Sheet>& sheets,
                           bool rightOffsets = true)
{
    const auto boundSheet = [](quint32 offset, const Sheet& s) {
        const quint8 kind = s.type == 0x20 ? 2 : s.type == 0x40 ? 1 : 0;
        return rec(0x0085, u32(offset) + u8(s.visibility) + u8(kind) + str(s.name, true));
    };
    qsizetype globalsSize = bof(5).size() + globalRecords.size() + eof().size();
    for (const Sheet& s : sheets)
        globalsSize += boundSheet(0, s).size();
    QByteArray bounds, body;
    qsizetype at = globalsSize;
    for (const Sheet& s : sheets) {
        bounds += boundSheet(rightOffsets ? quint32(at) : 0, s);
        const QByteArray stream = bof(s.type) + s.body + eof();
        body += stream;
        at += stream.size();
    }
    return bof(5) + globalRecords + bounds + eof() + body;
}

// Cell formats: 0 general, 1 date (14), 2 date and time (22), 3 "yyyy-mm-dd" (164),
// 4 "0.00" (165), 5 time (20), 6 quoted "d" text (166).
inline QByteArray standardFormats()
{
    return format(164, QStringLiteral("yyyy-mm-dd")) + format(165, QStringLiteral("0.00")) +
           format(166, QStringLiteral("\"d\"0")) + xf(0) + xf(14) + xf(22) + xf(164) + xf(165) +
           xf(20) + xf(166);
}

// A version 3 compound file (512-byte sectors) holding the streams in its root storage.
// Tamper may change the allocation table and the directory before they are written.
struct CompoundLayout
{
    std::vector<quint32> fat;
    QByteArray directory; // 128 bytes an entry
    quint32 directoryStart = 0;
};

inline QByteArray compoundFile(const QList<QPair<QString, QByteArray>>& streams,
                               const std::function<void(CompoundLayout&)>& tamper = {})
{
    constexpr quint32 End = 0xFFFFFFFE, Free = 0xFFFFFFFF, FatSect = 0xFFFFFFFD,
                      DifSect = 0xFFFFFFFC;
    QByteArray sectors;       // after the header
    std::vector<quint32> fat; // one entry per sector
    const auto addChain = [&](const QByteArray& data) -> quint32 {
        if (data.isEmpty())
            return End;
        const quint32 first = quint32(fat.size());
        const qsizetype n = (data.size() + 511) / 512;
        QByteArray padded = data;
        padded.append(QByteArray(n * 512 - data.size(), '\0'));
        sectors += padded;
        for (qsizetype i = 0; i < n; ++i)
            fat.push_back(i + 1 < n ? quint32(fat.size() + 1) : End);
        return first;
    };
    // Small streams go to the mini stream, 64 bytes a mini sector.
    QByteArray mini;
    std::vector<quint32> miniFat;
    std::vector<quint32> starts;
    for (const auto& s : streams) {
        if (s.second.size() >= 4096) {
            starts.push_back(addChain(s.second));
            continue;
        }
        const quint32 first = quint32(miniFat.size());
        const qsizetype n = (s.second.size() + 63) / 64;
        QByteArray padded = s.second;
        padded.append(QByteArray(n * 64 - s.second.size(), '\0'));
        mini += padded;
        for (qsizetype i = 0; i < n; ++i)
            miniFat.push_back(i + 1 < n ? quint32(miniFat.size() + 1) : End);
        starts.push_back(n ? first : End);
    }
    const quint32 miniStart = addChain(mini);
    QByteArray miniFatBytes;
    for (quint32 v : miniFat)
        miniFatBytes += u32(v);
    const quint32 miniFatStart = addChain(miniFatBytes);
    const quint32 miniFatSectors = quint32((miniFatBytes.size() + 511) / 512);

    const auto entry = [](const QString& name, quint8 type, quint32 right, quint32 child,
                          quint32 start, quint32 size) {
        QByteArray e(128, '\0');
        for (int i = 0; i < name.size(); ++i)
            qToLittleEndian(quint16(name[i].unicode()), e.data() + 2 * i);
        qToLittleEndian(quint16(2 * name.size() + 2), e.data() + 0x40);
        e[0x42] = char(type);
        e[0x43] = 1;
        qToLittleEndian(quint32(0xFFFFFFFF), e.data() + 0x44);
        qToLittleEndian(right, e.data() + 0x48);
        qToLittleEndian(child, e.data() + 0x4C);
        qToLittleEndian(start, e.data() + 0x74);
        qToLittleEndian(size, e.data() + 0x78);
        return e;
    };
    CompoundLayout layout;
    layout.directory = entry(QStringLiteral("Root Entry"), 5, 0xFFFFFFFF,
                             streams.isEmpty() ? 0xFFFFFFFF : 1, miniStart, quint32(mini.size()));
    for (int i = 0; i < streams.size(); ++i)
        layout.directory +=
            entry(streams[i].first, 2, i + 1 < streams.size() ? quint32(i + 2) : 0xFFFFFFFF,
                  0xFFFFFFFF, starts[std::size_t(i)], quint32(streams[i].second.size()));
    layout.directoryStart = quint32(fat.size());
    const qsizetype dirSize = layout.directory.size();
    addChain(layout.directory);

    // Table sectors, and their list's own sectors past the header's 109 entries.
    quint32 fatSectors = 0, difatSectors = 0;
    for (;;) {
        const quint64 total = fat.size() + fatSectors + difatSectors;
        const quint32 needFat = quint32((total + 127) / 128);
        const quint32 needDif = needFat > 109 ? (needFat - 109 + 126) / 127 : 0;
        if (needFat == fatSectors && needDif == difatSectors)
            break;
        fatSectors = needFat;
        difatSectors = needDif;
    }
    const quint32 fatFirst = quint32(fat.size());
    for (quint32 i = 0; i < fatSectors; ++i)
        fat.push_back(FatSect);
    const quint32 difFirst = quint32(fat.size());
    for (quint32 i = 0; i < difatSectors; ++i)
        fat.push_back(DifSect);
    while (fat.size() % 128)
        fat.push_back(Free);
    layout.fat = fat;
    if (tamper)
        tamper(layout);
    // The directory may have been changed in place (same size).
    std::memcpy(sectors.data() + qsizetype(layout.directoryStart) * 512,
                layout.directory.constData(), std::min(dirSize, layout.directory.size()));
    for (quint32 v : layout.fat)
        sectors += u32(v);
    for (quint32 d = 0; d < difatSectors; ++d) {
        QByteArray s;
        for (quint32 i = 0; i < 127; ++i) {
            const quint32 k = 109 + d * 127 + i;
            s += u32(k < fatSectors ? fatFirst + k : Free);
        }
        s += u32(d + 1 < difatSectors ? difFirst + d + 1 : End);
        sectors += s;
    }
    QByteArray header(512, '\0');
    const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(header.data(), sig, 8);
    qToLittleEndian(quint16(0x3E), header.data() + 0x18);
    qToLittleEndian(quint16(3), header.data() + 0x1A);
    qToLittleEndian(quint16(0xFFFE), header.data() + 0x1C);
    qToLittleEndian(quint16(9), header.data() + 0x1E);
    qToLittleEndian(quint16(6), header.data() + 0x20);
    qToLittleEndian(fatSectors, header.data() + 0x2C);
    qToLittleEndian(layout.directoryStart, header.data() + 0x30);
    qToLittleEndian(quint32(4096), header.data() + 0x38);
    qToLittleEndian(miniFatSectors ? miniFatStart : End, header.data() + 0x3C);
    qToLittleEndian(miniFatSectors, header.data() + 0x40);
    qToLittleEndian(difatSectors ? difFirst : End, header.data() + 0x44);
    qToLittleEndian(difatSectors, header.data() + 0x48);
    for (quint32 i = 0; i < 109; ++i)
        qToLittleEndian(i < fatSectors ? fatFirst + i : Free, header.data() + 0x4C + 4 * i);
    return header + sectors;
}

} // namespace biff
