#pragma once
// A text file in a code page: byte-order marks are detected on reset, lines are read into
// wide strings and wide strings are written in the file's encoding.

#include "import/engine/support/VoHugeFile.h"

#include <QByteArrayView>
#include <string>

namespace codepage {
class Codec;
}

// True when Bytes hold UTF-8 with at least one multi-byte sequence; a sequence cut off by the
// end of Bytes does not count against it.
bool LooksLikeUtf8(QByteArrayView Bytes);
// UTF-16 without a mark, told by its zero bytes (text in 8-bit pages has none): the code page
// of the byte order they show, or 0 when Bytes do not look like UTF-16.
int LooksLikeUtf16(QByteArrayView Bytes);

class TVoTextFile : public TVoHugeFile
{
public:
    // Flags of Reset and Rewrite.
    // tfDetectUtf8 (Reset only): a file without a mark whose first 64 KiB are valid UTF-8 and
    // not plain ASCII is read as UTF-8, as files from Linux programs are, when CodePage is 0.
    // tfDetectUtf16 (Reset only): likewise a file whose first 64 KiB show UTF-16 by their zero
    // bytes is read as UTF-16 in the byte order they show.
    enum : int {
        tfUnicode = 1,
        tfSwapped = 2,
        tfUnicodeLineSeparator = 4,
        tfCROnly = 8,
        tfDetectUtf8 = 16,
        tfDetectUtf16 = 32,
        tfDetectUnicode = tfDetectUtf8 | tfDetectUtf16
    };
    // The accepted line ends when reading; 0 accepts all.
    enum : int { leCR = 1, leLF = 2, leCRLF = 4, leLFCR = 8, leLineSeparator = 16, leCRLF32 = 32 };

    using TVoHugeFile::TVoHugeFile;

    // Opens for reading; a byte-order mark overrides CodePage (0 = the system ANSI page).
    // A file another program holds is waited for up to WaitTime() milliseconds.
    // Raises EVoTextFile when the file cannot be opened.
    void Reset(int Flags = 0, int BufferSize = 0, int CodePage = 0);
    bool TryReset(int Flags, int BufferSize, int CodePage);
    // Creates (or empties) the file for writing; no byte-order mark is written.
    void Rewrite(int Flags = 0, int BufferSize = 0, int CodePage = 0);

    static constexpr int DefaultWaitTime = 3000;
    int WaitTime() const { return FWaitTime; }
    void SetWaitTime(int Value) { FWaitTime = Value; }

    // A file whose encoding came from its byte-order mark keeps it.
    void SetCodepage(int CodePage);
    int Codepage() const { return FCodePage; }
    int TextFlags() const { return FFlags; }
    bool IsUnicode() const { return FFlags & tfUnicode; }
    bool HasByteOrderMark() const { return FMarkFound; }
    // Bytes become the characters of the same code, and back.
    bool NoConversion() const { return FNoConversion; }
    void SetNoConversion(bool Value);
    int AcceptedLineEnds() const { return FAcceptedLineEnds; }
    void SetAcceptedLineEnds(int Value) { FAcceptedLineEnds = Value; }

    // The next line without its line end: in 8-bit pages and UTF-8 CR LF, LF CR, CR or LF; in
    // UTF-16 and UTF-32 CR LF or U+2028, a lone CR or LF staying in the line (a spreadsheet's
    // Unicode text keeps a cell's line break so) - unless the first 64 KiB hold no CR LF at
    // all: such a file, as Linux programs write it, ends its lines at a lone LF too.
    // Raises EVoTextFile for a line longer than MaxLineBytes, and when the file's size is no
    // longer the size it had at Reset (a file being written is not read as if whole).
    void ReadLine(QString& Line);
    // The same as the line's bytes in the file's encoding, valid until the next read; Decode
    // makes of them (or of any part cut at a line's unit boundary) the characters ReadLine gives.
    QByteArrayView ReadLineBytes();
    void Decode(QByteArrayView Bytes, QString& Text) const;
    // The encoding's bytes below 0x80 stand for themselves wherever they occur.
    bool AsciiCompatible() const;
    bool EndOfFile();
    static constexpr qint64 DefaultMaxLineBytes = qint64(64) << 20;
    void SetMaxLineBytes(qint64 Value) { FMaxLineBytes = Value; }
    // Lines read since Reset.
    qint64 LinesRead() const { return FLinesRead; }
    // Bytes taken by the lines read so far (a mark included), and the file's size at Reset.
    qint64 BytesConsumed() const { return FBytesRead - (FReadFill - FReadPos); }
    qint64 SizeAtReset() const { return FResetSize; }

    // Raises EVoTextFile for a character the encoding cannot hold; nothing is written then.
    void WriteString(const QString& S);
    void WriteLine(const QString& S);

private:
    void SetupEncoding();
    bool Ensure(qint64 Bytes);
    quint32 UnitAt(qint64 Pos) const;
    qint64 FindLineEnd(qint64 From, qint64 To, quint32& Unit) const;
    QByteArray Encode(const QString& S) const;
    void CheckLineLength(qint64 Bytes) const;
    void CheckSizeUnchanged();
    void ProbeWideLineEnds();

    int FCodePage = 0;
    int FWaitTime = DefaultWaitTime;
    int FFlags = 0;
    bool FNoConversion = false;
    bool FMarkFound = false;
    bool FReading = false;
    int FAcceptedLineEnds = 0;
    QByteArray FLineEndBytes;
    // Decoding state, derived from the code page and flags.
    const codepage::Codec* FCodec = nullptr;
    int FUnit = 1;
    quint32 FCR = 0x0D;
    quint32 FLF = 0x0A;
    bool FHasLineSeparator = false;
    // UTF-16 and UTF-32: the line ends the file's start shows it uses, found by the first read.
    bool FWideLineEndsProbed = false;
    int FWideLineEnds = 0;
    // Read buffer.
    QByteArray FReadBuf;
    qint64 FReadPos = 0;
    qint64 FReadFill = 0;
    int FChunk = DefaultBufferSize;
    qint64 FResetSize = 0;
    qint64 FResetModified = 0; // modification time at Reset, in nanoseconds
    qint64 FBytesRead = 0;     // from the file, mark included
    qint64 FLinesRead = 0;
    qint64 FMaxLineBytes = DefaultMaxLineBytes;
    // The bytes of a line that runs over a buffer refill; reused from line to line.
    std::string FSpill;
};
