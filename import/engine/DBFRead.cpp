#include "import/engine/DBFRead.h"

#include "import/engine/support/SheetValues.h"
#include "platform/codepage/CodePage.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr char kDescriptorEnd = 0x0D;
constexpr int kDBaseBlock = 512;

bool isVisualFoxPro(quint8 version)
{
    return version == 0x30 || version == 0x31 || version == 0x32;
}

bool isDBase7(quint8 version)
{
    return (version & 0x07) == 4;
}

// Dbase IV tables with a memo file; their .dbt keeps a block size and length-prefixed memos.
bool isDBaseIVMemo(quint8 version)
{
    return version == 0x8B || version == 0xCB;
}

// Name in Dir, the exact case first, then any case; empty when neither exists.
QString findFile(const QString& dir, const QString& name)
{
    const QDir d(dir);
    if (QFileInfo(d.filePath(name)).isFile())
        return d.filePath(name);
    QStringList entries = d.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return d.filePath(entry);
    }
    return {};
}

QByteArray trimRight(QByteArray bytes)
{
    qsizetype n = bytes.size();
    while (n > 0 && (bytes[n - 1] == ' ' || bytes[n - 1] == '\0'))
        --n;
    bytes.truncate(n);
    return bytes;
}

QByteArray trimBoth(const QByteArray& bytes)
{
    QByteArray t = trimRight(bytes);
    qsizetype i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\0'))
        ++i;
    return t.mid(i);
}

// Exact decimal text of Value / 10^Scale, without trailing zeros after the point.
QByteArray scaledDecimal(qint64 value, int scale)
{
    const bool negative = value < 0;
    // Through unsigned so that the smallest value negates.
    quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    QByteArray digits = QByteArray::number(magnitude);
    if (digits.size() <= scale)
        digits = QByteArray(scale - digits.size() + 1, '0') + digits;
    QByteArray whole = digits.left(digits.size() - scale);
    QByteArray frac = digits.right(scale);
    while (!frac.isEmpty() && frac.endsWith('0'))
        frac.chop(1);
    QByteArray out = negative ? "-" + whole : whole;
    if (!frac.isEmpty())
        out += '.' + frac;
    return out;
}

} // namespace

QString TDBFRead::ErrorText(int Code)
{
    switch (Code) {
    case ecFileEmpty:
        return QStringLiteral("File is empty!");
    case ecNameNotAssigned:
        return QStringLiteral("File name not assigned!");
    case ecFileNotFound:
        return QStringLiteral("File not found!");
    case ecCreate:
        return QStringLiteral("File create error!");
    case ecOpen:
        return QStringLiteral("File open error");
    case ecSeek:
        return QStringLiteral("File seek error!");
    case ecRead:
        return QStringLiteral("File read error!");
    case ecWrite:
        return QStringLiteral("File write error!");
    case ecOutOfMemory:
        return QStringLiteral("Out of memory!");
    case ecInvalidTable:
        return QStringLiteral("Table file is invalid!");
    case ecDescriptorList:
        return QStringLiteral("Error creating field descriptor list!");
    case ecOutOfRange:
        return QStringLiteral("Out of range!");
    default:
        return QStringLiteral("Unknown error!");
    }
}

void TDBFRead::Error(int Code, const QString& Detail)
{
    FLastError = Code;
    QString text = ErrorText(Code);
    if (!Detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(Detail);
    throw EDBFError(Code, text);
}

QString TDBFRead::ResolveTableName(const QString& FileName)
{
    const QFileInfo fi(FileName);
    const QString name = fi.fileName();
    const int dot = name.lastIndexOf(u'.');
    QString wanted;
    if (dot < 0)
        wanted = name + QStringLiteral(".DBF");
    else if (name.mid(dot + 1).toUpper() == QLatin1String("DBF"))
        wanted = name;
    else
        wanted = name.left(dot) + QStringLiteral(".DBF");
    const QString found = findFile(fi.path(), wanted);
    return found.isEmpty() ? QDir(fi.path()).filePath(wanted) : found;
}

TDBFRead::TDBFRead(const QString& FileName)
{
    if (FileName.isEmpty())
        Error(ecNameNotAssigned);
    FFileName = ResolveTableName(FileName);
    if (!QFileInfo(FFileName).isFile())
        Error(ecFileNotFound, FFileName);
    FFile.setFileName(FFileName);
    if (!FFile.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        Error(ecOpen, FFileName);
    FFileSize = FFile.size();
    const QByteArray header = FFile.read(kHeaderSize);
    if (header.isEmpty()) {
        if (FFile.error() != QFileDevice::NoError)
            Error(ecRead, FFileName);
        // An empty file: not open, no fields, no records, and no exception.
        FLastError = ecFileEmpty;
        FFile.close();
        return;
    }
    if (header.size() < kHeaderSize)
        Error(ecInvalidTable, QStringLiteral("the header is cut off"));
    ReadDescriptors(header);
    FOpen = true;
    FRecordIndex = 1;
    OpenMemo();
}

TDBFRead::~TDBFRead() = default;

void TDBFRead::ReadDescriptors(const QByteArray& Header)
{
    const auto* h = reinterpret_cast<const uchar*>(Header.constData());
    FVersion = h[0];
    const quint32 count = qFromLittleEndian<quint32>(h + 4);
    FHeaderLength = qFromLittleEndian<quint16>(h + 8);
    FRecordLength = qFromLittleEndian<quint16>(h + 10);
    if (FHeaderLength < kHeaderSize + 1)
        Error(ecInvalidTable, QStringLiteral("the header length is %1").arg(FHeaderLength));
    FRecordCount = int(std::min<quint32>(count, quint32(std::numeric_limits<int>::max() - 1)));

    const QByteArray area = FFile.read(FHeaderLength - kHeaderSize);
    if (FFile.error() != QFileDevice::NoError)
        Error(ecRead, FFileName);
    if (area.size() < FHeaderLength - kHeaderSize)
        Error(ecInvalidTable, QStringLiteral("the field descriptors are cut off"));

    // Up to the terminator: Visual FoxPro headers carry a backlink area after it.
    int offset = 1;
    for (qsizetype pos = 0; pos + kDescriptorSize <= area.size() && area.at(pos) != kDescriptorEnd;
         pos += kDescriptorSize) {
        const auto* d = reinterpret_cast<const uchar*>(area.constData() + pos);
        TDescriptor f;
        const auto* nameEnd = static_cast<const uchar*>(std::memchr(d, 0, 11));
        f.Name = QByteArray(reinterpret_cast<const char*>(d), nameEnd ? nameEnd - d : 11);
        if (f.Name.size() > 10)
            f.Name.truncate(10);
        f.FieldType = char(QChar::toUpper(char32_t(d[11])));
        f.Length = d[16];
        f.Decimals = d[17];
        f.Flags = d[18];
        f.Reserved31 = d[31];
        f.Offset = offset;
        offset += f.Length;
        // Visual FoxPro's own columns (the null flags) are not data.
        if (isVisualFoxPro(FVersion) && (f.Flags & 0x01))
            continue;
        FFields.push_back(f);
    }
    if (offset > FRecordLength && !(FFields.empty() && offset == 1))
        Error(ecInvalidTable, QStringLiteral("the fields need %1 bytes, a record has %2")
                                  .arg(offset)
                                  .arg(FRecordLength));
    if (FRecordLength == 0)
        FRecordCount = 0; // nothing to read, whatever the count says
    FHasDescriptors = true;
}

void TDBFRead::OpenMemo()
{
    const QFileInfo table(FFileName);
    const QString base = table.completeBaseName();
    const bool lower = table.suffix() == table.suffix().toLower();
    auto candidate = [&](const char* ext) {
        const QString e = QString::fromLatin1(ext);
        return findFile(table.path(), base + u'.' + (lower ? e : e.toUpper()));
    };
    QString name;
    if (FVersion == 0x83 || isDBaseIVMemo(FVersion)) {
        name = candidate("dbt");
        FMemoKind = mkDBase;
        FDBaseIVMemo = isDBaseIVMemo(FVersion);
    } else {
        name = candidate("fpt");
        FMemoKind = mkFoxPro;
        if (name.isEmpty()) {
            name = candidate("dbt");
            FMemoKind = mkDBase;
        }
    }
    if (name.isEmpty()) {
        FMemoKind = mkNone;
        // Named in the error should a memo be asked for.
        FMemoName = QDir(table.path()).filePath(base + (lower ? ".dbt" : ".DBT"));
        if (FVersion != 0x83 && !isDBaseIVMemo(FVersion))
            FMemoName = QDir(table.path()).filePath(base + (lower ? ".fpt" : ".FPT"));
        return;
    }
    FMemoName = name;
    FMemo = std::make_unique<QFile>(name);
    if (!FMemo->open(QIODevice::ReadOnly)) {
        FMemo.reset();
        return;
    }
    FMemoSize = FMemo->size();
    const QByteArray header = FMemo->read(kDBaseBlock);
    const auto* h = reinterpret_cast<const uchar*>(header.constData());
    if (FMemoKind == mkFoxPro) {
        // The header itself takes the first blocks: no next free block is a blank header, and
        // its block size (0 for one byte) would place every memo wrongly.
        FMemoHeaderDamaged = header.size() >= 8 && qFromBigEndian<quint32>(h) == 0;
        FMemoBlockSize = header.size() >= 8 ? qFromBigEndian<quint16>(h + 6) : 0;
        if (header.size() >= 8 && FMemoBlockSize == 0)
            FMemoBlockSize = 1; // block size 0 allocates by the byte
    } else {
        FMemoBlockSize = kDBaseBlock;
        if (FDBaseIVMemo && header.size() >= 22) {
            const int size = qFromLittleEndian<quint16>(h + 20);
            if (size > 0)
                FMemoBlockSize = size;
        }
    }
}

QString TDBFRead::GetFieldName(int Index) const
{
    if (Index < 0 || Index >= int(FFields.size()))
        return {};
    return codepage::decode(codepage::SystemAnsi, FFields[std::size_t(Index)].Name)
        .trimmed()
        .toUpper();
}

QChar TDBFRead::FieldType(int Index) const
{
    if (!FOpen || Index < 0 || Index >= int(FFields.size()))
        return QChar(0);
    return QChar::fromLatin1(FFields[std::size_t(Index)].FieldType);
}

int TDBFRead::FieldLength(int Index) const
{
    if (!FOpen || Index < 0 || Index >= int(FFields.size()))
        return 0;
    return FFields[std::size_t(Index)].Length;
}

int TDBFRead::FieldDecimals(int Index) const
{
    if (!FOpen || Index < 0 || Index >= int(FFields.size()))
        return 0;
    return FFields[std::size_t(Index)].Decimals;
}

bool TDBFRead::IsNumberField(int Index) const
{
    if (!FOpen || Index < 0 || Index >= int(FFields.size()))
        return false;
    const TDescriptor& f = FFields[std::size_t(Index)];
    switch (f.FieldType) {
    case 'N':
    case 'F':
        return true;
    case 'I':
    case 'Y':
        return f.Length == (f.FieldType == 'I' ? 4 : 8);
    case 'B':
        return isVisualFoxPro(FVersion) && f.Length == 8;
    default:
        return false;
    }
}

bool TDBFRead::IsMemoField(int Index) const
{
    if (!FOpen || Index < 0 || Index >= int(FFields.size()))
        return false;
    switch (FFields[std::size_t(Index)].FieldType) {
    case 'M':
    case 'G':
    case 'P':
        return true;
    case 'B':
        return !IsNumberField(Index);
    default:
        return false;
    }
}

void TDBFRead::CheckMemoFile(const QString& Field) const
{
    const QString name = QFileInfo(FMemoName).fileName();
    if (FMemoKind == mkNone)
        throw EDBFError(ecFileNotFound,
                        QStringLiteral("The memo file %1 is missing: the field %2 keeps its text "
                                       "there")
                            .arg(name, Field));
    if (!FMemo)
        throw EDBFError(ecOpen, QStringLiteral("The memo file %1 cannot be opened: the field %2 "
                                               "keeps its text there")
                                    .arg(name, Field));
    if (FMemoHeaderDamaged)
        throw EDBFError(ecInvalidTable,
                        QStringLiteral("The memo file %1 is damaged: its header is blank")
                            .arg(name));
    // FoxPro's block size is in its header; dBase has a fixed one or a default.
    if (FMemoBlockSize <= 0)
        throw EDBFError(ecInvalidTable,
                        QStringLiteral("The memo file %1 is damaged: its header is cut off")
                            .arg(name));
}

void TDBFRead::CheckRecords()
{
    if (!FOpen || FRecordCount <= 0 || FRecordLength <= 0)
        return;
    const qint64 start = FHeaderLength;
    const qint64 whole = FFileSize > start ? (FFileSize - start) / FRecordLength : 0;
    if (whole < FRecordCount)
        Error(ecInvalidTable, QStringLiteral("record %1 is cut off").arg(whole + 1));
    // A mebibyte of records at a time: the table is never held whole.
    const qint64 perPiece = qMax<qint64>(1, (qint64(1) << 20) / FRecordLength);
    QByteArray piece;
    for (qint64 first = 0; first < FRecordCount; first += perPiece) {
        const qint64 n = qMin<qint64>(perPiece, FRecordCount - first);
        if (!FFile.seek(start + first * FRecordLength))
            Error(ecSeek, FFileName);
        piece = FFile.read(n * FRecordLength);
        if (piece.size() != n * FRecordLength)
            Error(ecRead, FFileName);
        for (qint64 i = 0; i < n; ++i) {
            const char flag = piece.at(i * FRecordLength);
            if (flag != ' ' && flag != '*')
                Error(ecInvalidTable, QStringLiteral("record %1 is damaged").arg(first + i + 1));
        }
    }
    // The end mark, or more records than the header counts; a damaged block that began in the
    // last record shows only here.
    const qint64 end = start + qint64(FRecordCount) * FRecordLength;
    if (end < FFileSize) {
        char after = 0;
        if (!FFile.seek(end) || !FFile.getChar(&after))
            Error(ecRead, FFileName);
        if (after != '\x1A' && after != ' ' && after != '*')
            Error(ecInvalidTable,
                  QStringLiteral("the end of the table after record %1 is damaged")
                      .arg(FRecordCount));
    }
}

bool TDBFRead::NextRecord()
{
    if (!FOpen || Eof())
        return false;
    // Each record sits at its place by the header's record length, whatever was read before.
    const qint64 pos = qint64(FHeaderLength) + (FRecordIndex - 1) * qint64(FRecordLength);
    const int recordNumber = int(FRecordIndex);
    if (pos + FRecordLength > FFileSize)
        Error(ecInvalidTable, QStringLiteral("record %1 is cut off").arg(recordNumber));
    if (!FFile.seek(pos))
        Error(ecSeek, FFileName);
    FRecord = FFile.read(FRecordLength);
    if (FRecord.size() < FRecordLength) {
        FRecord.clear();
        Error(FFile.error() != QFileDevice::NoError ? ecRead : ecInvalidTable,
              QStringLiteral("record %1 is cut off").arg(recordNumber));
    }
    if (FRecord.at(0) != ' ' && FRecord.at(0) != '*')
        Error(ecInvalidTable, QStringLiteral("record %1 is damaged").arg(recordNumber));
    FDeleted = FRecord.at(0) == '*';
    ++FRecordIndex;
    return true;
}

void TDBFRead::ReadField(int Index, QByteArray& Text)
{
    if (Index < 0 || Index >= int(FFields.size()))
        Error(ecOutOfRange);
    if (Index == 0 && !NextRecord()) {
        Text.clear();
        return;
    }
    Text = FieldText(Index);
}

QByteArray TDBFRead::FieldText(int Index)
{
    if (Index < 0 || Index >= int(FFields.size()))
        Error(ecOutOfRange);
    if (FRecord.isEmpty())
        return {};
    const TDescriptor& f = FFields[std::size_t(Index)];
    const QByteArray raw = FRecord.mid(f.Offset, f.Length);
    const auto* b = reinterpret_cast<const uchar*>(raw.constData());
    switch (f.FieldType) {
    case 'C':
    case 'V':
        return trimRight(raw);
    case 'N':
    case 'F':
        return NumberText(f, raw);
    case 'L':
        return trimBoth(raw);
    case 'D': {
        const QByteArray t = trimBoth(raw);
        if (t.isEmpty() || t.count('0') == t.size())
            return {};
        return t;
    }
    case 'I':
        if (raw.size() != 4)
            return trimBoth(raw);
        if (isDBase7(FVersion))
            return QByteArray::number(qint32(qFromBigEndian<quint32>(b) ^ 0x80000000u));
        return QByteArray::number(qFromLittleEndian<qint32>(b));
    case 'Y':
        if (raw.size() != 8)
            return trimBoth(raw);
        return scaledDecimal(qFromLittleEndian<qint64>(b), 4);
    case 'B':
        if (!isVisualFoxPro(FVersion) || raw.size() != 8)
            break; // dBase's binary memo
        return SheetNumberToText(qFromLittleEndian<double>(b)).toLatin1();
    case 'T': {
        if (raw.size() != 8)
            return trimBoth(raw);
        const qint32 day = qFromLittleEndian<qint32>(b);
        const qint32 ms = qFromLittleEndian<qint32>(b + 4);
        if (day == 0 && ms == 0)
            return {};
        const QDate date = QDate::fromJulianDay(day);
        if (!date.isValid() || day < 1 || ms < 0 || ms >= 86'400'000)
            return "invalid date-time " + raw.toHex();
        const QTime time = QTime::fromMSecsSinceStartOfDay(ms);
        return QStringLiteral("%1%2%3T%4%5%6")
            .arg(date.year(), 4, 10, QChar(u'0'))
            .arg(date.month(), 2, 10, QChar(u'0'))
            .arg(date.day(), 2, 10, QChar(u'0'))
            .arg(time.hour(), 2, 10, QChar(u'0'))
            .arg(time.minute(), 2, 10, QChar(u'0'))
            .arg(time.second(), 2, 10, QChar(u'0'))
            .toLatin1();
    }
    default:
        break;
    }
    if (f.FieldType == 'M' || f.FieldType == 'G' || f.FieldType == 'P' || f.FieldType == 'B') {
        qint64 block = 0;
        if (raw.size() == 4) {
            block = qFromLittleEndian<quint32>(b);
        } else {
            bool ok = false;
            block = trimBoth(raw).toLongLong(&ok);
            if (!ok || block < 0)
                block = 0;
        }
        return block > 0 ? MemoText(f, block) : QByteArray();
    }
    return trimRight(raw);
}

QByteArray TDBFRead::NumberText(const TDescriptor& Field, const QByteArray& Raw)
{
    qsizetype from = 0, to = Raw.size();
    while (from < to && Raw.at(from) == ' ')
        ++from;
    while (to > from && (Raw.at(to - 1) == ' ' || Raw.at(to - 1) == '\0'))
        --to;
    const QByteArray text = Raw.mid(from, to - from);
    // Writers pad a number with spaces before it, some with NULs after it, and leave a blank
    // one all NULs; a NUL anywhere else is a damaged field that would read as another number.
    if (text.contains('\0')) {
        if (std::all_of(text.begin(), text.end(), [](char c) { return c == '\0' || c == ' '; }))
            return {};
        FLastError = ecInvalidTable;
        throw EDBFFieldError(
            ecInvalidTable,
            QStringLiteral("the number of field %1 in record %2 is damaged: it holds NUL bytes")
                .arg(QString::fromLatin1(Field.Name))
                .arg(RecordNumber()));
    }
    return text;
}

void TDBFRead::MemoDamaged(const TDescriptor& Field)
{
    Error(ecInvalidTable, QStringLiteral("the memo of field %1 in record %2 is damaged")
                              .arg(QString::fromLatin1(Field.Name))
                              .arg(RecordNumber()));
}

void TDBFRead::CheckMemoLength(qint64 Length, const TDescriptor& Field)
{
    if (Length > MaxMemoBytes)
        Error(ecInvalidTable,
              QStringLiteral("the memo of field %1 in record %2 is longer than %3 bytes")
                  .arg(QString::fromLatin1(Field.Name))
                  .arg(RecordNumber())
                  .arg(MaxMemoBytes));
}

QByteArray TDBFRead::ReadMemoBytes(qint64 Pos, qint64 Length, const TDescriptor& Field)
{
    if (Pos < 0 || Length < 0 || Pos > FMemoSize || Length > FMemoSize - Pos)
        MemoDamaged(Field);
    CheckMemoLength(Length, Field);
    if (!FMemo->seek(Pos))
        Error(ecSeek, FMemoName);
    const QByteArray bytes = FMemo->read(Length);
    if (bytes.size() != Length)
        Error(ecRead, FMemoName);
    return bytes;
}

QByteArray TDBFRead::MemoText(const TDescriptor& Field, qint64 Block)
{
    try {
        return ReadMemo(Field, Block);
    } catch (const EDBFMemoError&) {
        throw;
    } catch (const EDBFError& e) {
        throw EDBFMemoError(e.Code(), e.message());
    }
}

QByteArray TDBFRead::ReadMemo(const TDescriptor& Field, qint64 Block)
{
    if (!FMemo) {
        if (FMemoKind == mkNone)
            Error(ecFileNotFound, FMemoName);
        Error(ecOpen, FMemoName);
    }
    if (FMemoBlockSize <= 0 || FMemoHeaderDamaged)
        MemoDamaged(Field);
    // A block number from a damaged table can be any 64-bit number: the product must not wrap
    // around to another record's memo.
    qint64 pos = 0;
    if (Block < 0 || __builtin_mul_overflow(Block, qint64(FMemoBlockSize), &pos) ||
        pos >= FMemoSize)
        Error(ecInvalidTable,
              QStringLiteral("the memo of field %1 in record %2 points at block %3, past the end "
                             "of the memo file")
                  .arg(QString::fromLatin1(Field.Name))
                  .arg(RecordNumber())
                  .arg(Block));
    if (FMemoKind == mkFoxPro) {
        const QByteArray head = ReadMemoBytes(pos, 8, Field);
        const auto* h = reinterpret_cast<const uchar*>(head.constData());
        const quint32 type = qFromBigEndian<quint32>(h);
        const quint32 length = qFromBigEndian<quint32>(h + 4);
        // A zeroed block reads as an empty picture: damage, never a text to store.
        if ((type == 0 && length == 0) || length > FMemoSize - pos - 8)
            MemoDamaged(Field);
        if (type == 0)
            return "(Picture)";
        QByteArray text = ReadMemoBytes(pos + 8, length, Field);
        if (Field.FieldType == 'M' && type == 1 && text.contains('\0'))
            MemoDamaged(Field); // zeros over the text
        return text;
    }
    const QByteArray head = ReadMemoBytes(pos, std::min<qint64>(8, FMemoSize - pos), Field);
    if (head.size() == 8 && head.startsWith(QByteArray("\xFF\xFF\x08\x00", 4))) {
        // dBase IV: the length counts the eight bytes of the block's own header.
        const quint32 length = qFromLittleEndian<quint32>(head.constData() + 4);
        if (length < 8)
            MemoDamaged(Field);
        QByteArray text = ReadMemoBytes(pos + 8, qint64(length) - 8, Field);
        while (text.endsWith('\x1A'))
            text.chop(1);
        return text;
    }
    // dBase III: blocks up to the end-of-memo mark. A memo file that ends first was cut short
    // inside this memo.
    QByteArray text;
    qint64 at = pos;
    bool ended = false;
    while (at < FMemoSize && !ended) {
        const QByteArray piece =
            ReadMemoBytes(at, std::min<qint64>(kDBaseBlock, FMemoSize - at), Field);
        const qsizetype end = piece.indexOf('\x1A');
        CheckMemoLength(text.size() + (end >= 0 ? end : piece.size()), Field);
        ended = end >= 0;
        text += ended ? piece.left(end) : piece;
        at += piece.size();
    }
    // NULs are no text: zeros over the memo, or over its end mark into the blocks after it.
    if (!ended || (Field.FieldType == 'M' && text.contains('\0')))
        MemoDamaged(Field);
    // The soft line break 0x8D 0x0A; a lone 0x8D is a letter in the Arabic code pages.
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (uchar(text[i]) == 0x8D && text[i + 1] == '\n')
            text[i] = '\r';
    }
    return text;
}
