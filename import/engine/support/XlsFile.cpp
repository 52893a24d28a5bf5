#include "import/engine/support/XlsFile.h"

#include "import/engine/support/DurvelUtils.h"
#include "import/engine/support/MapRange.h"
#include "platform/storage/CompoundFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <map>
#include <cstring>

namespace {

enum : quint16 {
    idFormula = 0x0006,
    idEOF = 0x000A,
    idFilePass = 0x002F,
    idDateMode = 0x0022,
    idContinue = 0x003C,
    idBoundSheet = 0x0085,
    idMulRK = 0x00BD,
    idRString = 0x00D6,
    idXF = 0x00E0,
    idSST = 0x00FC,
    idLabelSST = 0x00FD,
    idNumber = 0x0203,
    idLabel = 0x0204,
    idBoolErr = 0x0205,
    idString = 0x0207,
    idRK = 0x027E,
    idFormat = 0x041E,
    idBOF2 = 0x0009,
    idBOF3 = 0x0209,
    idBOF4 = 0x0409,
    idBOF = 0x0809,
};

enum : quint16 { stGlobals = 0x0005, stWorksheet = 0x0010 };
constexpr quint16 kBiff8 = 0x0600;
// The most data one BIFF8 record holds; a longer one is a damaged header.
constexpr quint16 kMaxRecordData = 8224;

[[noreturn]] void invalid()
{
    throw ExlsFileError(QStringLiteral("Error reading Excel records. File invalid"));
}

bool isBof(quint16 id)
{
    return id == idBOF || id == idBOF2 || id == idBOF3 || id == idBOF4;
}

double rkValue(quint32 rk)
{
    double v;
    if (rk & 2) {
        v = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 1) ? v / 100 : v;
}

// One record with the CONTINUE records that follow it.
struct Record
{
    quint16 Id = 0;
    qsizetype Offset = 0; // of its header in the stream
    std::vector<std::span<const char>> Parts;
    std::span<const char> Data() const { return Parts.front(); }
    qsizetype Size() const { return qsizetype(Parts.front().size()); }
};

class RecordStream
{
public:
    // The bytes stay the caller's, unchanged, while the stream is read.
    explicit RecordStream(const QByteArray& bytes) : m_data(bytes.constData()), m_size(bytes.size())
    {}

    qsizetype Position() const { return m_pos; }
    qsizetype Size() const { return m_size; }
    // Whether a BOF record's header lies at the position.
    bool BofAt(qsizetype at) const { return at >= 0 && at + 4 <= m_size && isBof(u16(at)); }
    // False at the end of the stream or at an all-zero header.
    bool Next(Record& r)
    {
        if (m_pos + 4 > m_size)
            return false;
        const quint16 id = u16(m_pos);
        const quint16 size = u16(m_pos + 2);
        if (id == 0 && size == 0)
            return false;
        r.Id = id;
        r.Offset = m_pos;
        r.Parts.clear();
        r.Parts.push_back(take(size));
        while (m_pos + 4 <= m_size && u16(m_pos) == idContinue)
            r.Parts.push_back(take(u16(m_pos + 2)));
        return true;
    }

    // Cells held by the records from here to the end of the current substream (embedded ones
    // not counted), without moving: only the headers are walked, CONTINUE records passed like
    // any other. Raises as Next would on a record cut short.
    qsizetype CountSheetCells() const
    {
        qsizetype n = 0;
        int depth = 0;
        for (qsizetype pos = m_pos; pos + 4 <= m_size;) {
            const quint16 id = u16(pos);
            const quint16 size = u16(pos + 2);
            if (id == 0 && size == 0)
                break;
            pos += 4;
            if (size > kMaxRecordData || pos + size > m_size)
                invalid();
            if (isBof(id)) {
                ++depth;
            } else if (id == idEOF) {
                if (depth-- == 0)
                    break;
            } else if (depth == 0) {
                switch (id) {
                case idNumber:
                case idRK:
                case idLabelSST:
                case idLabel:
                case idRString:
                case idBoolErr:
                case idFormula:
                    ++n;
                    break;
                case idMulRK:
                    n += std::max<qsizetype>(0, (qsizetype(size) - 6) / 6);
                    break;
                default:
                    break;
                }
            }
            pos += size;
        }
        return n;
    }

private:
    quint16 u16(qsizetype at) const { return qFromLittleEndian<quint16>(m_data + at); }
    std::span<const char> take(quint16 size)
    {
        m_pos += 4;
        if (size > kMaxRecordData || m_pos + size > m_size)
            invalid();
        std::span<const char> part(m_data + m_pos, size);
        m_pos += size;
        return part;
    }

    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

// Reads across a record's parts. Characters of a string that cross into the next part start
// there with a new flag byte that tells their width.
class Cursor
{
public:
    explicit Cursor(const Record& r, qsizetype skip = 0) : m_parts(r.Parts) { Skip(skip); }

    bool AtEnd()
    {
        Settle();
        return m_part >= m_parts.size();
    }
    quint8 U8()
    {
        Settle();
        if (m_part >= m_parts.size())
            throw ExlsFileError(QStringLiteral("Error reading record"));
        return quint8(m_parts[m_part][m_off++]);
    }
    quint16 U16()
    {
        const quint16 lo = U8();
        return quint16(lo | (quint16(U8()) << 8));
    }
    quint32 U32()
    {
        const quint32 lo = U16();
        return lo | (quint32(U16()) << 16);
    }
    void Skip(qsizetype n)
    {
        while (n > 0) {
            Settle();
            if (m_part >= m_parts.size())
                throw ExlsFileError(QStringLiteral("Error reading record"));
            const qsizetype here =
                std::min<qsizetype>(n, qsizetype(m_parts[m_part].size()) - m_off);
            m_off += here;
            n -= here;
        }
    }
    // Count characters, 16-bit when wide, appended to Out.
    void Chars(qsizetype count, bool wide, QString& out)
    {
        while (count > 0) {
            if (m_part >= m_parts.size())
                throw ExlsFileError(QStringLiteral("Error reading record"));
            if (m_off >= qsizetype(m_parts[m_part].size())) {
                ++m_part;
                m_off = 0;
                if (m_part >= m_parts.size())
                    throw ExlsFileError(QStringLiteral("Error reading record"));
                if (m_parts[m_part].empty())
                    continue;
                wide = (quint8(m_parts[m_part][m_off++]) & 1) != 0;
                continue;
            }
            const auto& part = m_parts[m_part];
            const qsizetype width = wide ? 2 : 1;
            const qsizetype avail = (qsizetype(part.size()) - m_off) / width;
            if (avail == 0) // half a character at the end of a part
                throw ExlsFileError(QStringLiteral("Error reading record"));
            const qsizetype n = std::min(avail, count);
            const char* p = part.data() + m_off;
            const qsizetype at = out.size();
            out.resize(at + n);
            QChar* dst = out.data() + at;
            for (qsizetype i = 0; i < n; ++i)
                dst[i] = wide ? QChar(qFromLittleEndian<quint16>(p + 2 * i))
                              : QChar(char16_t(quint8(p[i])));
            m_off += n * width;
            count -= n;
        }
    }
    // A BIFF8 string: character count (8 or 16 bits), flags, runs and extension, characters.
    void String(bool shortCount, QString& out)
    {
        const qsizetype count = shortCount ? U8() : U16();
        const quint8 flags = U8();
        const quint16 runs = (flags & 0x08) ? U16() : 0;
        const quint32 ext = (flags & 0x04) ? U32() : 0;
        Chars(count, (flags & 1) != 0, out);
        Skip(qsizetype(runs) * 4);
        Skip(qsizetype(ext));
    }

private:
    void Settle()
    {
        while (m_part < m_parts.size() && m_off >= qsizetype(m_parts[m_part].size())) {
            ++m_part;
            m_off = 0;
        }
    }

    const std::vector<std::span<const char>>& m_parts;
    std::size_t m_part = 0;
    qsizetype m_off = 0;
};

quint16 u16(const Record& r, qsizetype at)
{
    if (at + 2 > r.Size())
        invalid();
    return qFromLittleEndian<quint16>(r.Data().data() + at);
}

quint32 u32(const Record& r, qsizetype at)
{
    if (at + 4 > r.Size())
        invalid();
    return qFromLittleEndian<quint32>(r.Data().data() + at);
}

double f64(const Record& r, qsizetype at)
{
    if (at + 8 > r.Size())
        invalid();
    return qFromLittleEndian<double>(r.Data().data() + at);
}

} // namespace

// Builds a workbook from its record stream.
class TxlsLoader
{
public:
    TxlsLoader(const QByteArray& stream, TxlsWorkbook& wb, int rowLimit)
        : m_in(stream), m_substreamEnd(stream.size()), m_wb(wb), m_rowLimit(rowLimit)
    {}

    void Load()
    {
        Record r;
        bool first = true;
        while (m_in.Next(r)) {
            if (!isBof(r.Id))
                invalid();
            const quint16 version = u16(r, 0);
            const quint16 type = r.Id == idBOF ? u16(r, 2) : 0;
            if (first && (r.Id != idBOF || version != kBiff8))
                throw ExlsFileError(QStringLiteral("File is saved with an invalid Excel version"));
            if (first && type != stGlobals)
                invalid();
            first = false;
            if (type == stGlobals && !m_globalsRead) {
                LoadGlobals();
                m_globalsRead = true;
            } else if (type == stWorksheet) {
                LoadSheet(r.Offset);
            } else {
                SkipSubstream(); // charts, macros, modules and any other kind
            }
        }
        if (first)
            invalid();
    }

private:
    // The next record of the substream being read; false at the end of the stream. A record
    // that reaches past the substream's end (the next sheet's BOF) belongs to no sheet: the
    // sheet's own end was damaged and its reading ran on into the next one.
    bool Next(Record& r)
    {
        if (!m_in.Next(r))
            return false;
        if (m_in.Position() > m_substreamEnd)
            invalid();
        return true;
    }

    // Where the sheet whose BOF lies at BofOffset ends: at the next sheet's BOF when the
    // workbook's sheet entries point at both, else (offsets a writer left wrong) nowhere known.
    qsizetype SheetEnd(qsizetype bofOffset)
    {
        IndexSheets();
        if (!std::binary_search(m_entryOffsets.begin(), m_entryOffsets.end(), bofOffset))
            return m_in.Size();
        const auto next = std::upper_bound(m_bofOffsets.begin(), m_bofOffsets.end(), bofOffset);
        return next != m_bofOffsets.end() ? *next : m_in.Size();
    }

    // The sheet entries by the offsets they give, once, so that placing each sheet walks none
    // of the others: a workbook of many sheets costs no more than their count.
    void IndexSheets()
    {
        if (m_sheetsIndexed)
            return;
        m_sheetsIndexed = true;
        const auto& sheets = m_wb.Globals.BoundSheets;
        m_used.assign(sheets.size(), false);
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            const qsizetype at = qsizetype(sheets[i].Offset);
            m_unusedAt.emplace(at, i); // equal offsets keep the entries' order
            m_entryOffsets.push_back(at);
            if (m_in.BofAt(at))
                m_bofOffsets.push_back(at);
        }
        for (auto* v : {&m_entryOffsets, &m_bofOffsets}) {
            std::sort(v->begin(), v->end());
            v->erase(std::unique(v->begin(), v->end()), v->end());
        }
    }

    // Passes over a substream whose BOF was just read, nested ones included.
    void SkipSubstream()
    {
        Record r;
        int depth = 1;
        while (depth > 0) {
            if (!Next(r))
                invalid();
            if (isBof(r.Id))
                ++depth;
            else if (r.Id == idEOF)
                --depth;
        }
    }

    void LoadGlobals()
    {
        TxlsGlobals& g = m_wb.Globals;
        Record r;
        for (;;) {
            if (!Next(r))
                invalid();
            switch (r.Id) {
            case idEOF:
                FinishGlobals();
                return;
            case idFilePass:
                throw ExlsFileError(
                    QStringLiteral("The workbook is encrypted with a password. Open it in the "
                                   "spreadsheet program, save it without a password and import "
                                   "that copy"));
            case idDateMode:
                g.Date1904 = u16(r, 0) == 1;
                break;
            case idBoundSheet: {
                TxlsGlobals::TBoundSheet b;
                b.Offset = u32(r, 0);
                b.Visibility = quint8(u16(r, 4) & 0xFF);
                b.Type = quint8(u16(r, 4) >> 8);
                Cursor c(r, 6);
                c.String(true, b.Name);
                g.BoundSheets.push_back(std::move(b));
                break;
            }
            case idXF:
                g.FXF.push_back(u16(r, 2));
                break;
            case idFormat: {
                const int index = u16(r, 0);
                QString text;
                Cursor c(r, 2);
                c.String(false, text);
                g.FFormats.insert(index, text);
                break;
            }
            case idSST:
                ReadSST(r);
                break;
            default:
                if (isBof(r.Id))
                    SkipSubstream();
                break;
            }
        }
    }

    void ReadSST(const Record& r)
    {
        TxlsGlobals& g = m_wb.Globals;
        const quint32 unique = u32(r, 4);
        qsizetype total = 0;
        for (const auto& p : r.Parts)
            total += qsizetype(p.size());
        // Every string takes at least three bytes; a larger count is a lie of the file.
        g.FSSTStart.reserve(std::min<qsizetype>(unique, total / 3) + 1);
        g.FSSTPool.reserve(std::min<qsizetype>(total, qsizetype(1) << 24));
        Cursor c(r, 8);
        for (quint32 i = 0; i < unique; ++i) {
            c.String(false, g.FSSTPool);
            g.FSSTStart.push_back(quint32(g.FSSTPool.size()));
        }
        // The strings fill the table to its last byte: bytes left over, like strings that run
        // past it, tell of a damaged table whose strings were read from the wrong places.
        if (!c.AtEnd())
            invalid();
    }

    void FinishGlobals()
    {
        TxlsGlobals& g = m_wb.Globals;
        g.FDateXF.resize(g.FXF.size());
        for (std::size_t i = 0; i < g.FXF.size(); ++i) {
            const int f = g.FXF[i];
            const auto it = g.FFormats.constFind(f);
            g.FDateXF[i] = it != g.FFormats.cend() ? IsDateFormatText(*it) : IsBuiltinDateFormat(f);
        }
    }

    void LoadSheet(qsizetype bofOffset)
    {
        auto sheet = std::make_unique<TxlsWorkSheet>();
        TxlsWorkSheet& s = *sheet;
        s.FIndex = m_wb.SheetCount();
        NameSheet(s, bofOffset);
        m_substreamEnd = SheetEnd(bofOffset);
        if (m_rowLimit > 0)
            m_rowsSeen.assign(65536, false);
        m_rowsKept = 0;
        // Counted ahead so that the cells are stored without regrowth.
        s.FCells.reserve(std::size_t(m_in.CountSheetCells()));
        qsizetype pendingFormula = -1;
        Record r;
        for (;;) {
            if (!Next(r))
                invalid();
            switch (r.Id) {
            case idEOF:
                m_substreamEnd = m_in.Size();
                Index(s);
                m_wb.WorkSheets.push_back(std::move(sheet));
                return;
            case idNumber:
                AddCell(s, r, TbiffCell::ckNumber).Number = f64(r, 6);
                break;
            case idRK:
                AddCell(s, r, TbiffCell::ckNumber).Number = rkValue(u32(r, 6));
                break;
            case idMulRK: {
                const int row = u16(r, 0);
                const int first = u16(r, 2);
                const int n = int((r.Size() - 6) / 6);
                // Its cells fill it exactly and end at the column it names.
                if (n < 1 || (r.Size() - 6) % 6 != 0 || u16(r, r.Size() - 2) != first + n - 1)
                    invalid();
                for (int k = 0; k < n; ++k) {
                    TbiffCell* c = Add(s, row, first + k, u16(r, 4 + 6 * k), TbiffCell::ckNumber);
                    if (c)
                        c->Number = rkValue(u32(r, 6 + 6 * k));
                }
                break;
            }
            case idLabelSST: {
                const quint32 index = u32(r, 6);
                if (index >= quint32(m_wb.Globals.SSTCount()))
                    invalid();
                AddCell(s, r, TbiffCell::ckShared).Index = index;
                break;
            }
            case idLabel:
            case idRString: {
                QString text;
                Cursor c(r, 6);
                c.String(false, text);
                AddText(s, r, std::move(text));
                break;
            }
            case idBoolErr: {
                const bool error = r.Size() >= 8 && r.Data()[7] != 0;
                if (r.Size() < 7)
                    invalid();
                AddCell(s, r, error ? TbiffCell::ckError : TbiffCell::ckBoolean).Code =
                    quint8(r.Data()[6]);
                break;
            }
            case idFormula: {
                pendingFormula = -1;
                if (r.Size() < 14)
                    invalid();
                const char* d = r.Data().data();
                if (u16(r, 12) != 0xFFFF) {
                    AddCell(s, r, TbiffCell::ckNumber).Number = f64(r, 6);
                    break;
                }
                switch (quint8(d[6])) {
                case 0: // the text follows in a STRING record
                    if (TbiffCell* c = Add(s, u16(r, 0), u16(r, 2), u16(r, 4), TbiffCell::ckText)) {
                        c->Index = quint32(s.FTexts.size());
                        s.FTexts.emplace_back();
                        pendingFormula = qsizetype(c->Index);
                    }
                    break;
                case 1:
                    AddCell(s, r, TbiffCell::ckBoolean).Code = quint8(d[8] == 1);
                    break;
                case 2:
                    AddCell(s, r, TbiffCell::ckError).Code = quint8(d[8]);
                    break;
                default:
                    AddCell(s, r, TbiffCell::ckEmpty);
                    break;
                }
                break;
            }
            case idString:
                // The text of the last formula, whatever records came between.
                if (pendingFormula >= 0) {
                    Cursor c(r);
                    c.String(false, s.FTexts[std::size_t(pendingFormula)]);
                    pendingFormula = -1;
                }
                break;
            default:
                if (isBof(r.Id))
                    SkipSubstream(); // an embedded chart
                break;
            }
        }
    }

    void NameSheet(TxlsWorkSheet& s, qsizetype bofOffset)
    {
        IndexSheets();
        const auto& sheets = m_wb.Globals.BoundSheets;
        std::size_t pick = sheets.size();
        // The first entry not yet taken that points at this BOF; taken ones are dropped as met.
        for (auto [it, end] = m_unusedAt.equal_range(bofOffset); it != end;) {
            if (m_used[it->second]) {
                it = m_unusedAt.erase(it);
                continue;
            }
            pick = it->second;
            break;
        }
        // A writer that left the offsets wrong: the next worksheet entry in order.
        for (; pick == sheets.size() && m_nextWorksheet < sheets.size(); ++m_nextWorksheet)
            if (!m_used[m_nextWorksheet] && sheets[m_nextWorksheet].Type == 0)
                pick = m_nextWorksheet;
        if (pick < sheets.size()) {
            m_used[pick] = true;
            s.FName = sheets[pick].Name;
            s.FVisibility = sheets[pick].Visibility;
        } else {
            s.FName = QStringLiteral("Sheet%1").arg(s.FIndex + 1);
        }
    }

    TbiffCell* Add(TxlsWorkSheet& s, int row, int col, int xf, quint8 kind)
    {
        if (col >= 256)
            invalid(); // past the last column a sheet has: a damaged record
        if (m_rowLimit > 0 && !m_rowsSeen[std::size_t(row)]) {
            if (m_rowsKept >= m_rowLimit)
                return nullptr;
            m_rowsSeen[std::size_t(row)] = true;
            ++m_rowsKept;
        }
        TbiffCell& c = s.FCells.emplace_back();
        c.Number = 0;
        c.Row = quint16(row);
        c.Col = quint16(col);
        c.XF = quint16(xf);
        c.Kind = kind;
        return &c;
    }

    TbiffCell& AddCell(TxlsWorkSheet& s, const Record& r, quint8 kind)
    {
        TbiffCell* c = Add(s, u16(r, 0), u16(r, 2), u16(r, 4), kind);
        return c ? *c : m_discard;
    }

    void AddText(TxlsWorkSheet& s, const Record& r, QString text)
    {
        if (TbiffCell* c = Add(s, u16(r, 0), u16(r, 2), u16(r, 4), TbiffCell::ckText)) {
            c->Index = quint32(s.FTexts.size());
            s.FTexts.push_back(std::move(text));
        }
    }

    // Orders the cells by row and column, the last record of a cell winning, and indexes them.
    static void Index(TxlsWorkSheet& s)
    {
        auto& cells = s.FCells;
        const auto key = [](const TbiffCell& c) { return (quint32(c.Row) << 16) | c.Col; };
        const auto before = [&](const TbiffCell& a, const TbiffCell& b) { return key(a) < key(b); };
        // Writers store cells in order and once each: then there is nothing to sort or merge.
        const bool strictlyOrdered =
            std::adjacent_find(cells.begin(), cells.end(),
                               [&](const TbiffCell& a, const TbiffCell& b) {
                                   return !before(a, b);
                               }) == cells.end();
        if (!strictlyOrdered && !std::is_sorted(cells.begin(), cells.end(), before))
            std::stable_sort(cells.begin(), cells.end(), before);
        std::size_t out = cells.size();
        if (!strictlyOrdered) {
            out = 0;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                if (out > 0 && key(cells[out - 1]) == key(cells[i]))
                    cells[out - 1] = cells[i];
                else
                    cells[out++] = cells[i];
            }
        }
        cells.resize(out);
        cells.shrink_to_fit();
        s.FRows.clear();
        s.FRowStart.clear();
        for (std::size_t i = 0; i < cells.size(); ++i)
            if (s.FRows.empty() || s.FRows.back() != cells[i].Row) {
                s.FRows.push_back(cells[i].Row);
                s.FRowStart.push_back(quint32(i));
            }
        s.FRowStart.push_back(quint32(cells.size()));
        // Cells by column, in row order within each (a counting sort: no second buffer).
        std::vector<quint32> place(256 + 1, 0);
        for (const TbiffCell& c : cells)
            ++place[std::size_t(c.Col) + 1];
        for (std::size_t i = 1; i < place.size(); ++i)
            place[i] += place[i - 1];
        s.FCols.clear();
        s.FColStart.clear();
        for (std::size_t col = 0; col < 256; ++col)
            if (place[col + 1] > place[col]) {
                s.FCols.push_back(quint16(col));
                s.FColStart.push_back(place[col]);
            }
        s.FColStart.push_back(quint32(cells.size()));
        s.FColOrder.resize(cells.size());
        for (std::size_t i = 0; i < cells.size(); ++i)
            s.FColOrder[place[cells[i].Col]++] = quint32(i);
        s.FRows.shrink_to_fit();
        s.FRowStart.shrink_to_fit();
        s.FTexts.shrink_to_fit();
    }

    RecordStream m_in;
    qsizetype m_substreamEnd;
    TxlsWorkbook& m_wb;
    int m_rowLimit;
    bool m_globalsRead = false;
    std::vector<bool> m_used;
    bool m_sheetsIndexed = false;
    std::multimap<qsizetype, std::size_t> m_unusedAt;
    std::vector<qsizetype> m_entryOffsets; // sorted, unique
    std::vector<qsizetype> m_bofOffsets;   // those a BOF lies at, sorted, unique
    std::size_t m_nextWorksheet = 0;
    std::vector<bool> m_rowsSeen;
    int m_rowsKept = 0;
    TbiffCell m_discard{};
};

// ---- values ----

QString ErrorCodeToText(int Code)
{
    switch (Code) {
    case 7:
        return QStringLiteral("#DIV/0!");
    case 15:
        return QStringLiteral("#VALUE!");
    case 23:
        return QStringLiteral("#REF!");
    case 29:
        return QStringLiteral("#NAME?");
    case 36:
        return QStringLiteral("#NUM!");
    case 42:
        return QStringLiteral("#N/A");
    default:
        return QStringLiteral("#NULL!");
    }
}

QString ColIndexToLetters(int Col)
{
    return MapColIndexToLetters(Col);
}

QString RowNumberToText(int Row)
{
    return QString::number(Row);
}

int ColLettersToIndex(const QString& Letters)
{
    return ColumnLettersToNumber(Letters);
}

QString BuiltinNumberFormat(int Index)
{
    // 23 to 36 are kept for locales and stored by the workbooks that use them.
    static const char* const kFormats[50] = {
        "General",
        "0",
        "0.00",
        "#,##0",
        "#,##0.00",
        "\"$\"#,##0_);(\"$\"#,##0)",
        "\"$\"#,##0_);[Red](\"$\"#,##0)",
        "\"$\"#,##0.00_);(\"$\"#,##0.00)",
        "\"$\"#,##0.00_);[Red](\"$\"#,##0.00)",
        "0%",
        "0.00%",
        "0.00E+00",
        "# ?/?",
        "# ?" "?/??", // split: "??/" would be a trigraph
        "m/d/yy",
        "d-mmm-yy",
        "d-mmm",
        "mmm-yy",
        "h:mm AM/PM",
        "h:mm:ss AM/PM",
        "h:mm",
        "h:mm:ss",
        "m/d/yy h:mm",
        "", "", "", "", "", "", "", "", "", "", "", "", "", "",
        "#,##0 ;(#,##0)",
        "#,##0 ;[Red](#,##0)",
        "#,##0.00;(#,##0.00)",
        "#,##0.00;[Red](#,##0.00)",
        "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)",
        "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)",
        "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)",
        "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)",
        "mm:ss",
        "[h]:mm:ss",
        "mm:ss.0",
        "##0.0E+0",
        "@",
    };
    return Index >= 0 && Index < 50 ? QString::fromLatin1(kFormats[Index]) : QString();
}

int TextToErrorCode(const QString& Text)
{
    for (int code : {0, 7, 15, 23, 29, 36, 42})
        if (ErrorCodeToText(code) == Text)
            return code;
    throw ExlsFileError(QStringLiteral("Invalid cell error code: '%1'").arg(Text));
}

QStringView TxlsGlobals::SSTView(int Index) const
{
    if (Index < 0 || Index >= SSTCount())
        return {};
    const quint32 from = FSSTStart[std::size_t(Index)];
    return QStringView(FSSTPool.constData() + from, FSSTStart[std::size_t(Index) + 1] - from);
}

int TxlsGlobals::FormatIndex(int XF) const
{
    return XF >= 0 && XF < int(FXF.size()) ? FXF[std::size_t(XF)] : 0;
}

const TbiffCell* TxlsWorkSheet::Cell(int Row, int Col) const
{
    const auto cells = RowCells(Row);
    if (cells.empty() || Col < cells.front().Col)
        return nullptr;
    // Cells of a row are sorted and unique by column: in a row without gaps the place is known.
    const std::size_t k = std::size_t(Col - cells.front().Col);
    if (k < cells.size() && cells[k].Col == Col)
        return &cells[k];
    const auto it = std::lower_bound(cells.begin(), cells.end(), Col,
                                     [](const TbiffCell& c, int col) { return c.Col < col; });
    return it != cells.end() && it->Col == Col ? &*it : nullptr;
}

std::span<const TbiffCell> TxlsWorkSheet::RowCells(int Row) const
{
    if (Row < 0 || FRows.empty())
        return {};
    // Rows mostly follow one another without gaps: the row's place is then known at once.
    std::size_t k = std::size_t(qint64(Row) - FRows.front());
    if (Row < FRows.front() || k >= FRows.size() || FRows[k] != Row) {
        const auto it = std::lower_bound(FRows.begin(), FRows.end(), Row);
        if (it == FRows.end() || *it != Row)
            return {};
        k = std::size_t(it - FRows.begin());
    }
    const quint32 from = FRowStart[k];
    const quint32 to = FRowStart[k + 1];
    return std::span<const TbiffCell>(FCells.data() + from, to - from);
}

std::span<const quint32> TxlsWorkSheet::ColCellIndexes(int Col) const
{
    const auto it = std::lower_bound(FCols.begin(), FCols.end(), Col);
    if (Col < 0 || it == FCols.end() || *it != Col)
        return {};
    const std::size_t k = std::size_t(it - FCols.begin());
    return std::span<const quint32>(FColOrder.data() + FColStart[k],
                                    FColStart[k + 1] - FColStart[k]);
}

// ---- the file ----

void TxlsFile::Open()
{
    if (FFileName.isEmpty())
        throw ExlsFileError(QStringLiteral("File name is not defined"));
    QFile f(FFileName);
    if (!QFileInfo(FFileName).isFile())
        throw ExlsFileError(QStringLiteral("File %1 does not exist").arg(FFileName));
    if (!f.open(QIODevice::ReadOnly))
        throw ExlsFileError(
            QStringLiteral("File %1 cannot be read: %2").arg(FFileName, f.errorString()));
    // Of a compound file only the workbook stream is read, never the whole file.
    if (CompoundFile::isCompoundFile(f.peek(8))) {
        Close();
        LoadStream(ReadWorkbookStream(f));
        return;
    }
    OpenBytes(f.readAll());
}

void TxlsFile::OpenBytes(QByteArray Data)
{
    Close();
    if (CompoundFile::isCompoundFile(Data)) {
        QBuffer buffer(&Data);
        buffer.open(QIODevice::ReadOnly);
        QByteArray stream = ReadWorkbookStream(buffer);
        buffer.close();
        Data = QByteArray(); // only the stream is needed from here on
        LoadStream(std::move(stream));
    } else {
        LoadStream(std::move(Data));
    }
}

QByteArray TxlsFile::ReadWorkbookStream(QIODevice& Device) const
{
    try {
        const CompoundFile cf(&Device);
        if (!cf.hasStream(QStringLiteral("Workbook")))
            throw ExlsFileError(QStringLiteral("File %1 is not an Excel Workbook").arg(FFileName));
        return cf.readStream(QStringLiteral("Workbook"));
    } catch (const StorageError& e) {
        throw ExlsFileError(e.message());
    }
}

void TxlsFile::LoadStream(QByteArray Stream)
{
    auto wb = std::make_unique<TxlsWorkbook>();
    TxlsLoader(Stream, *wb, RowLimit).Load();
    FWorkbook = std::move(wb);
}

void TxlsFile::Close()
{
    FWorkbook.reset();
}

bool TxlsFile::IsDateFormatCell(const TbiffCell& Cell) const
{
    return FWorkbook && FWorkbook->Globals.IsDateXF(Cell.XF);
}

QStringView TxlsFile::CellView(const TxlsWorkSheet& Sheet, const TbiffCell& Cell,
                               QString& Scratch) const
{
    switch (Cell.Kind) {
    case TbiffCell::ckNumber:
        if (IsDateFormatCell(Cell))
            Scratch = TextFormat.SerialText(Cell.Number, FWorkbook->Globals.Date1904);
        else
            TextFormat.NumberText(Cell.Number, Scratch);
        return Scratch;
    case TbiffCell::ckShared:
        return FWorkbook->Globals.SSTView(int(Cell.Index));
    case TbiffCell::ckText:
        return Sheet.Text(Cell.Index);
    case TbiffCell::ckBoolean:
        return Cell.Code ? u"True" : u"False";
    case TbiffCell::ckError:
        Scratch = ErrorCodeToText(Cell.Code);
        return Scratch;
    default:
        return {};
    }
}

QString TxlsFile::CellText(const TxlsWorkSheet& Sheet, const TbiffCell& Cell) const
{
    QString scratch;
    const QStringView text = CellView(Sheet, Cell, scratch);
    // Numbers, dates and errors were written into the scratch string: it is the text.
    if (Cell.Kind == TbiffCell::ckNumber || Cell.Kind == TbiffCell::ckError)
        return scratch;
    return text.toString();
}

namespace {

[[noreturn]] void cannotAccess(const TbiffCell& Cell, const char* Type)
{
    throw ExlsFileError(QStringLiteral("Cannot access cell '%1' as type %2")
                            .arg(ColIndexToLetters(Cell.Col + 1) + RowNumberToText(Cell.Row + 1),
                                 QLatin1String(Type)));
}

} // namespace

double TxlsFile::CellAsFloat(const TbiffCell& Cell) const
{
    if (Cell.Kind != TbiffCell::ckNumber)
        cannotAccess(Cell, "Float");
    return Cell.Number;
}

QDateTime TxlsFile::CellAsDateTime(const TbiffCell& Cell) const
{
    QDateTime value;
    TSheetDateKind kind;
    if (Cell.Kind != TbiffCell::ckNumber || !FWorkbook ||
        !SheetSerialToDateTime(Cell.Number, FWorkbook->Globals.Date1904, value, kind))
        cannotAccess(Cell, "DateTime");
    return value;
}

bool TxlsFile::CellAsBoolean(const TbiffCell& Cell) const
{
    if (Cell.Kind != TbiffCell::ckBoolean)
        cannotAccess(Cell, "Boolean");
    return Cell.Code != 0;
}

QVariant TxlsFile::CellAsVariant(const TxlsWorkSheet& Sheet, const TbiffCell& Cell) const
{
    switch (Cell.Kind) {
    case TbiffCell::ckNumber: {
        QDateTime value;
        TSheetDateKind kind;
        if (IsDateFormatCell(Cell) &&
            SheetSerialToDateTime(Cell.Number, FWorkbook->Globals.Date1904, value, kind))
            return value;
        return Cell.Number;
    }
    case TbiffCell::ckBoolean:
        return Cell.Code != 0;
    case TbiffCell::ckShared:
    case TbiffCell::ckText:
    case TbiffCell::ckError:
        return CellText(Sheet, Cell);
    case TbiffCell::ckEmpty:
        return QVariant();
    default:
        cannotAccess(Cell, "Variant");
    }
}

const TxlsWorkSheet* TxlsFile::SheetOrNull(int Sheet) const
{
    if (!FWorkbook || Sheet < 0 || Sheet >= FWorkbook->SheetCount())
        return nullptr;
    return FWorkbook->Sheet(Sheet);
}

int TxlsFile::SheetCount() const
{
    return FWorkbook ? FWorkbook->SheetCount() : 0;
}

QString TxlsFile::SheetName(int Sheet) const
{
    const TxlsWorkSheet* s = SheetOrNull(Sheet);
    return s ? s->GetName() : QString();
}

int TxlsFile::FirstCol(int Sheet, int Row) const
{
    const TxlsWorkSheet* s = SheetOrNull(Sheet);
    const auto cells = s ? s->RowCells(Row) : std::span<const TbiffCell>();
    return cells.empty() ? -1 : cells.front().Col;
}

int TxlsFile::LastCol(int Sheet, int Row) const
{
    const TxlsWorkSheet* s = SheetOrNull(Sheet);
    const auto cells = s ? s->RowCells(Row) : std::span<const TbiffCell>();
    return cells.empty() ? -1 : cells.back().Col;
}

int TxlsFile::FirstRow(int Sheet, int Col) const
{
    const TxlsWorkSheet* s = SheetOrNull(Sheet);
    const auto idx = s ? s->ColCellIndexes(Col) : std::span<const quint32>();
    return idx.empty() ? -1 : s->CellAt(idx.front()).Row;
}

int TxlsFile::LastRow(int Sheet, int Col) const
{
    const TxlsWorkSheet* s = SheetOrNull(Sheet);
    const auto idx = s ? s->ColCellIndexes(Col) : std::span<const quint32>();
    return idx.empty() ? -1 : s->CellAt(idx.back()).Row;
}

QString TxlsFile::CellText(int Sheet, int Row, int Col) const
{
    const TxlsWorkSheet* s = SheetOrNull(Sheet);
    if (!s)
        return QString();
    const TbiffCell* c = s->Cell(Row, Col);
    return c ? CellText(*s, *c) : QString();
}
