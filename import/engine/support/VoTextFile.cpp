#include "import/engine/support/VoTextFile.h"

#include "platform/codepage/CodePage.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

bool isUnicodePage(int cp)
{
    return cp == codepage::Utf8 || cp == codepage::Utf16LE || cp == codepage::Utf16BE ||
           cp == codepage::Utf32LE || cp == codepage::Utf32BE;
}

constexpr qint64 kUtf8Probe = 65536;
// How much of a UTF-16 or UTF-32 file tells whether it ends its lines with CR LF; a fixed
// amount, so that the lines do not depend on the buffer's size.
constexpr qint64 kLineEndProbe = 65536;

} // namespace

bool LooksLikeUtf8(QByteArrayView Bytes)
{
    const auto* b = reinterpret_cast<const uchar*>(Bytes.data());
    const qsizetype n = Bytes.size();
    bool multi = false;
    qsizetype i = 0;
    while (i < n) {
        const uchar c = b[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        uint cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        for (int k = 1; k < len; ++k) {
            if (i + k >= n)
                return multi; // cut off by the probe's end
            if ((b[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        multi = true;
        i += len;
    }
    return multi;
}

int LooksLikeUtf16(QByteArrayView Bytes)
{
    const auto* b = reinterpret_cast<const uchar*>(Bytes.data());
    const qsizetype n = Bytes.size() & ~qsizetype(1);
    qsizetype zeroEven = 0;
    qsizetype zeroOdd = 0;
    for (qsizetype i = 0; i < n; i += 2) {
        zeroEven += b[i] == 0;
        zeroOdd += b[i + 1] == 0;
    }
    // Latin text has a zero in every other byte, Persian at least in its digits, blanks and
    // line ends; a character whose other half is zero is rare. A stray zero byte in 8-bit
    // text is not enough.
    const qsizetype zeros = zeroEven + zeroOdd;
    if (n < 4 || zeros * 16 < n / 2)
        return 0;
    if (zeroOdd * 10 >= zeros * 9)
        return codepage::Utf16LE;
    if (zeroEven * 10 >= zeros * 9)
        return codepage::Utf16BE;
    return 0;
}

bool TVoTextFile::TryReset(int Flags, int BufferSize, int CodePage)
{
    FReading = false;
    FMarkFound = false;
    FReadBuf.clear();
    FReadPos = 0;
    FReadFill = 0;
    FBytesRead = 0;
    FLinesRead = 0;
    if (Open(false, 0, 1, 0, FWaitTime) != hfrOk)
        return false;
    FResetSize = RawSize("Reset");
    FResetModified = RawModified("Reset");
    FChunk = BufferSize > 0 ? qMax(BufferSize, 8) : DefaultBufferSize;
    FFlags = Flags & (tfUnicodeLineSeparator | tfCROnly);
    FReading = true;

    // The first chunk is kept: without a mark its bytes are the start of the text.
    Ensure(4);
    const auto* b = reinterpret_cast<const uchar*>(FReadBuf.constData());
    const qint64 n = FReadFill;
    int markCodePage = 0;
    int markLength = 0;
    if (n >= 4 && b[0] == 0xFF && b[1] == 0xFE && b[2] == 0 && b[3] == 0) {
        markCodePage = codepage::Utf32LE;
        markLength = 4;
    } else if (n >= 4 && b[0] == 0 && b[1] == 0 && b[2] == 0xFE && b[3] == 0xFF) {
        markCodePage = codepage::Utf32BE;
        markLength = 4;
    } else if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        markCodePage = codepage::Utf16LE;
        markLength = 2;
    } else if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        markCodePage = codepage::Utf16BE;
        markLength = 2;
    } else if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        markCodePage = codepage::Utf8;
        markLength = 3;
    }
    if (markCodePage) {
        FReadPos = markLength;
        FCodePage = markCodePage;
        FFlags |= tfUnicode;
        if (markCodePage == codepage::Utf16BE || markCodePage == codepage::Utf32BE)
            FFlags |= tfSwapped;
        FMarkFound = true;
        SetupEncoding();
    } else {
        if ((Flags & tfSwapped) && (CodePage == codepage::Utf16LE || CodePage == codepage::Utf32LE))
            CodePage += 1; // the big-endian twin
        if ((Flags & tfDetectUnicode) && CodePage == 0) {
            // The probe does not depend on the buffer size, so neither does the encoding.
            if (FReadBuf.size() < kUtf8Probe + 8)
                FReadBuf.resize(kUtf8Probe + 8);
            Ensure(kUtf8Probe);
            const qint64 probe = qMin<qint64>(FReadFill - FReadPos, kUtf8Probe);
            const QByteArrayView bytes(FReadBuf.constData() + FReadPos, probe);
            if (Flags & tfDetectUtf16)
                CodePage = LooksLikeUtf16(bytes);
            if (CodePage == 0 && (Flags & tfDetectUtf8) && LooksLikeUtf8(bytes))
                CodePage = codepage::Utf8;
        }
        SetCodepage(CodePage);
    }
    return true;
}

void TVoTextFile::Reset(int Flags, int BufferSize, int CodePage)
{
    if (!TryReset(Flags, BufferSize, CodePage)) {
        QString text = MessageText(64953).arg(FFileName);
        if (FNotRegular)
            text += QStringLiteral(" The path is not a regular file.");
        else if (FHeld)
            text += QStringLiteral(" The file is in use by another program; close it there and "
                                   "try again.");
        else if (FLastError)
            text += QLatin1Char(' ') + QString::fromLocal8Bit(std::strerror(FLastError));
        throw EVoTextFile(text, EVoHugeFile::ecTextReset);
    }
}

void TVoTextFile::Rewrite(int Flags, int BufferSize, int CodePage)
{
    FReading = false;
    FMarkFound = false;
    FReadBuf.clear();
    FReadPos = 0;
    FReadFill = 0;
    if (Open(true, hfoBuffered, 1, BufferSize) != hfrOk)
        RaiseSystem("Rewrite", FLastError);
    FFlags = Flags & (tfUnicodeLineSeparator | tfCROnly);
    if ((Flags & tfSwapped) && (CodePage == codepage::Utf16LE || CodePage == codepage::Utf32LE))
        CodePage += 1;
    SetCodepage(CodePage);
}

void TVoTextFile::SetCodepage(int CodePage)
{
    if (FMarkFound)
        return;
    if (isUnicodePage(CodePage)) {
        FCodePage = CodePage;
        FFlags |= tfUnicode;
        if (CodePage == codepage::Utf16BE || CodePage == codepage::Utf32BE)
            FFlags |= tfSwapped;
        else
            FFlags &= ~tfSwapped;
    } else {
        FCodePage = CodePage != 0 ? CodePage : codepage::SystemAnsi;
        FFlags &= ~(tfUnicode | tfSwapped);
    }
    SetupEncoding();
}

void TVoTextFile::SetNoConversion(bool Value)
{
    FNoConversion = Value;
    SetupEncoding();
}

void TVoTextFile::SetupEncoding()
{
    const bool unicode = FFlags & tfUnicode;
    // A page without a conversion (the table's -1 entries) keeps its bytes as they are.
    FCodec = (unicode || !FNoConversion) ? codepage::codecFor(FCodePage) : nullptr;
    FUnit = 1;
    FCR = 0x0D;
    FLF = 0x0A;
    FHasLineSeparator = false;
    FWideLineEndsProbed = false;
    if (FCodec && (FCodePage == codepage::Utf16LE || FCodePage == codepage::Utf16BE)) {
        FUnit = 2;
        FHasLineSeparator = true;
    } else if (FCodec && (FCodePage == codepage::Utf32LE || FCodePage == codepage::Utf32BE)) {
        FUnit = 4;
        FHasLineSeparator = true;
    } else if (FCodec && FCodec->isSingleByte()) {
        // EBCDIC pages keep CR and LF elsewhere.
        QByteArray cr, lf;
        if (FCodec->tryEncode(u"\r", cr) && cr.size() == 1)
            FCR = uchar(cr[0]);
        if (FCodec->tryEncode(u"\n", lf) && lf.size() == 1)
            FLF = uchar(lf[0]);
    }

    QString lineEnd;
    if (unicode && (FFlags & tfUnicodeLineSeparator))
        lineEnd = QString(QChar(0x2028));
    else if (!unicode && (FFlags & tfCROnly))
        lineEnd = QStringLiteral("\r");
    else
        lineEnd = QStringLiteral("\r\n");
    FLineEndBytes = Encode(lineEnd);
}

bool TVoTextFile::Ensure(qint64 Bytes)
{
    if (FReadFill - FReadPos >= Bytes)
        return true;
    if (!IsOpen() || !FReading)
        return false;
    // Keep what is left, then read on behind it.
    if (FReadPos > 0) {
        const qint64 left = FReadFill - FReadPos;
        if (left > 0)
            std::memmove(FReadBuf.data(), FReadBuf.constData() + FReadPos, size_t(left));
        FReadFill = left;
        FReadPos = 0;
    }
    if (FReadBuf.size() < FChunk + 8)
        FReadBuf.resize(FChunk + 8);
    while (FReadFill < Bytes) {
        const qint64 room = FReadBuf.size() - FReadFill;
        const qint64 got = BlockReadUnsafe(FReadBuf.data() + FReadFill, room);
        FBytesRead += got;
        // The end of what the file held at Reset, or more than it held: a cut-off last line
        // is not taken for a whole one.
        if (got == 0 || FBytesRead > FResetSize)
            CheckSizeUnchanged();
        if (got == 0)
            break;
        FReadFill += got;
    }
    return FReadFill - FReadPos >= Bytes;
}

void TVoTextFile::CheckSizeUnchanged()
{
    const qint64 size = RawSize("FileSize");
    // Overwritten with text of the same length, the file has a new modification time.
    if (size == FResetSize && FBytesRead <= FResetSize && RawModified("FileDate") != FResetModified)
        throw EVoTextFile(QStringLiteral("TVoTextFile(%1):The file changed while it was read: "
                                         "it was written again")
                              .arg(FFileName),
                          EVoHugeFile::ecTextChanged);
    if (size != FResetSize || FBytesRead > FResetSize)
        throw EVoTextFile(QStringLiteral("TVoTextFile(%1):The file changed while it was read: "
                                         "%2 bytes when opened, %3 bytes now")
                              .arg(FFileName)
                              .arg(FResetSize)
                              .arg(size),
                          EVoHugeFile::ecTextChanged);
}

void TVoTextFile::ProbeWideLineEnds()
{
    if (FReadBuf.size() < kLineEndProbe + 8)
        FReadBuf.resize(kLineEndProbe + 8);
    Ensure(kLineEndProbe);
    const qint64 end = FReadPos + qMin(FReadFill - FReadPos, kLineEndProbe) / FUnit * FUnit;
    bool crlf = false;
    for (qint64 p = FReadPos; p + FUnit < end && !crlf; p += FUnit)
        crlf = UnitAt(p) == FCR && UnitAt(p + FUnit) == FLF;
    FWideLineEnds = leCRLF | leCRLF32 | leLineSeparator | (crlf ? 0 : leLF);
    FWideLineEndsProbed = true;
}

void TVoTextFile::CheckLineLength(qint64 Bytes) const
{
    if (Bytes > FMaxLineBytes)
        throw EVoTextFile(QStringLiteral("TVoTextFile(%1):Line %2 is longer than %3 bytes")
                              .arg(FFileName)
                              .arg(FLinesRead + 1)
                              .arg(FMaxLineBytes),
                          EVoHugeFile::ecTextLineLength);
}

namespace {

inline quint32 unitAt(const uchar* b, qint64 unit, bool bigEndian)
{
    switch (unit) {
    case 2:
        return bigEndian ? quint32((b[0] << 8) | b[1]) : quint32(b[0] | (b[1] << 8));
    case 4:
        return bigEndian
                   ? (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | b[3]
                   : (quint32(b[3]) << 24) | (quint32(b[2]) << 16) | (quint32(b[1]) << 8) | b[0];
    default:
        return b[0];
    }
}

// The first byte equal to a or b in [p, end), or end: one pass instead of a call per byte.
const uchar* findEitherByte(const uchar* p, const uchar* end, uchar a, uchar b)
{
#ifdef __SSE2__
    const __m128i va = _mm_set1_epi8(char(a));
    const __m128i vb = _mm_set1_epi8(char(b));
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int hits =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)));
        if (hits)
            return p + __builtin_ctz(unsigned(hits));
    }
#endif
    for (; p < end; ++p)
        if (*p == a || *p == b)
            return p;
    return end;
}

} // namespace

quint32 TVoTextFile::UnitAt(qint64 Pos) const
{
    return unitAt(reinterpret_cast<const uchar*>(FReadBuf.constData()) + Pos, FUnit,
                  FFlags & tfSwapped);
}

// The first unit in [From, To) that may end a line (To when none); To - From is whole units.
qint64 TVoTextFile::FindLineEnd(qint64 From, qint64 To, quint32& Unit) const
{
    const auto* b = reinterpret_cast<const uchar*>(FReadBuf.constData());
    if (FUnit == 1) {
        const uchar* hit = findEitherByte(b + From, b + To, uchar(FCR), uchar(FLF));
        if (hit != b + To)
            Unit = *hit;
        return hit - b;
    }
    const bool be = FFlags & tfSwapped;
    for (qint64 p = From; p < To; p += FUnit) {
        const quint32 u = unitAt(b + p, FUnit, be);
        if (u == FCR || u == FLF || (FHasLineSeparator && u == 0x2028)) {
            Unit = u;
            return p;
        }
    }
    return To;
}

void TVoTextFile::ReadLine(QString& Line)
{
    try {
        Decode(ReadLineBytes(), Line);
    } catch (...) {
        Line.clear();
        throw;
    }
}

void TVoTextFile::Decode(QByteArrayView Bytes, QString& Text) const
{
    if (FCodec)
        FCodec->decodeTo(Bytes, Text);
    else
        codepage::latin1To(Bytes, Text);
}

bool TVoTextFile::AsciiCompatible() const
{
    return !FCodec || FCodec->asciiCompatible();
}

QByteArrayView TVoTextFile::ReadLineBytes()
{
    CheckOpen();
    if (!FReading)
        Raise(64949, EVoHugeFile::ecNoSystemCode);
    const int all = leCR | leLF | leCRLF | leLFCR | leLineSeparator | leCRLF32;
    int accepted = FAcceptedLineEnds ? FAcceptedLineEnds : all;
    if (FUnit > 1) {
        if (!FWideLineEndsProbed)
            ProbeWideLineEnds();
        accepted &= FWideLineEnds;
    }
    const bool acceptCRLF = accepted & (FUnit == 4 ? (leCRLF | leCRLF32) : leCRLF);
    const qint64 unit = FUnit;

    // The line is [start, stop) of the buffer, after FSpill when it ran over a refill.
    FSpill.clear();
    qint64 start = FReadPos;
    qint64 stop = -1;
    const auto spill = [&](qint64 end) {
        CheckLineLength(qint64(FSpill.size()) + end - start);
        FSpill.append(FReadBuf.constData() + start, size_t(end - start));
    };
    while (stop < 0) {
        if (FReadFill - FReadPos < unit) {
            spill(FReadPos);
            const bool more = Ensure(unit);
            start = FReadPos;
            if (!more)
                break;
        }
        const qint64 end = FReadPos + (FReadFill - FReadPos) / unit * unit;
        quint32 u = 0;
        const qint64 p = FindLineEnd(FReadPos, end, u);
        FReadPos = p;
        if (p == end)
            continue;
        FReadPos += unit;
        if (u == 0x2028 && FHasLineSeparator) {
            if (accepted & leLineSeparator)
                stop = p;
            continue;
        }
        const quint32 other = u == FCR ? FLF : FCR;
        const bool pairAccepted = u == FCR ? acceptCRLF : bool(accepted & leLFCR);
        const bool singleAccepted = accepted & (u == FCR ? leCR : leLF);
        if (pairAccepted && FReadFill - FReadPos < unit) {
            // Looking ahead refills the buffer: keep the text before the unit and the unit.
            spill(p);
            const std::string endUnit(FReadBuf.constData() + p, size_t(unit));
            const bool more = Ensure(unit);
            start = FReadPos;
            if (more && UnitAt(FReadPos) == other) {
                FReadPos += unit;
                start = FReadPos;
                stop = FReadPos;
            } else if (singleAccepted) {
                stop = FReadPos;
            } else {
                FSpill += endUnit; // not a line end: it belongs to the text
            }
            continue;
        }
        if (pairAccepted && UnitAt(FReadPos) == other) {
            FReadPos += unit;
            stop = p;
        } else if (singleAccepted) {
            stop = p;
        }
    }
    const bool ended = stop >= 0;
    if (!ended)
        stop = FReadPos;
    // A cut-off unit at the very end is kept; the decoder shows it as U+FFFD. After a line
    // end it belongs to the next line.
    if (!ended && FReadPos < FReadFill && FReadFill - FReadPos < unit) {
        spill(stop);
        if (!Ensure(unit)) {
            FSpill.append(FReadBuf.constData() + FReadPos, size_t(FReadFill - FReadPos));
            FReadPos = FReadFill;
        }
        start = stop = FReadPos;
    }
    const bool spilled = !FSpill.empty();
    if (spilled)
        spill(stop);
    else
        CheckLineLength(stop - start);
    ++FLinesRead;
    return spilled ? QByteArrayView(FSpill.data(), qsizetype(FSpill.size()))
                   : QByteArrayView(FReadBuf.constData() + start, stop - start);
}

bool TVoTextFile::EndOfFile()
{
    if (!IsOpen() || !FReading)
        return false;
    if (FReadPos < FReadFill)
        return false;
    if (FilePos() < FileSize())
        return false;
    CheckSizeUnchanged();
    return true;
}

QByteArray TVoTextFile::Encode(const QString& S) const
{
    QByteArray out;
    if (!FCodec) {
        out.reserve(S.size());
        for (qsizetype i = 0; i < S.size(); ++i) {
            if (S[i].unicode() > 0xFF)
                throw EVoTextFile(
                    QStringLiteral(
                        "TVoTextFile(%1):Character U+%2 at position %3 is not an 8-bit character")
                        .arg(FFileName)
                        .arg(QString::number(S[i].unicode(), 16)
                                 .toUpper()
                                 .rightJustified(4, QLatin1Char('0')))
                        .arg(i + 1),
                    EVoHugeFile::ecTextEncode);
            out.append(char(S[i].unicode()));
        }
        return out;
    }
    try {
        return FCodec->encode(S);
    } catch (const ECodePageError& e) {
        throw EVoTextFile(QStringLiteral("TVoTextFile(%1):%2").arg(FFileName, e.message()),
                          EVoHugeFile::ecTextEncode);
    }
}

void TVoTextFile::WriteString(const QString& S)
{
    CheckOpen();
    const QByteArray bytes = Encode(S);
    qint64 written;
    BlockWrite(bytes.constData(), bytes.size(), written);
}

void TVoTextFile::WriteLine(const QString& S)
{
    CheckOpen();
    const QByteArray bytes = Encode(S) + FLineEndBytes;
    qint64 written;
    BlockWrite(bytes.constData(), bytes.size(), written);
}
