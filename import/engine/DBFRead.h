#pragma once
// A dBase table file (dBase III, dBase IV, FoxPro and Visual FoxPro) with its memo file, read a
// record at a time. Every failure is an EDBFError with one of the coded texts.

#include "import/engine/DurvelStrings.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <memory>
#include <vector>

class EDBFError : public EDurvelError
{
public:
    EDBFError(int code, const QString& message) : EDurvelError(message), m_code(code) {}
    int Code() const { return m_code; }

private:
    int m_code;
};

// A field of one record that cannot be read (a damaged memo or number): the record's own
// failure, the table itself is still readable.
class EDBFFieldError : public EDBFError
{
public:
    using EDBFError::EDBFError;
};

// A memo that cannot be read (a damaged block, a memo file that is missing or fails).
class EDBFMemoError : public EDBFFieldError
{
public:
    using EDBFFieldError::EDBFFieldError;
};

struct TDescriptor
{
    QByteArray Name; // up to 10 bytes, up to the first zero
    char FieldType = 0;
    int Offset = 0; // in the record; the deletion flag is at 0
    int Length = 0;
    int Decimals = 0;
    quint8 Flags = 0;
    quint8 Reserved31 = 0;
};

class TDBFRead
{
public:
    enum TMemoKind { mkNone, mkDBase, mkFoxPro };

    enum : int {
        ecFileEmpty = 100,
        ecNameNotAssigned = 101,
        ecFileNotFound = 102,
        ecCreate = 103,
        ecOpen = 104,
        ecSeek = 105,
        ecRead = 106,
        ecWrite = 107,
        ecOutOfMemory = 108,
        ecInvalidTable = 109,
        ecDescriptorList = 110,
        ecOutOfRange = 111,
    };

    // The name gets the extension ".DBF"; the table and its memo file are found without regard
    // to letter case, an exact-case name first. An empty file opens with no fields and no records.
    explicit TDBFRead(const QString& FileName);
    ~TDBFRead();
    TDBFRead(const TDBFRead&) = delete;
    TDBFRead& operator=(const TDBFRead&) = delete;

    // The path the table is read from (or would be, when it does not exist).
    static QString ResolveTableName(const QString& FileName);
    static QString ErrorText(int Code);
    static constexpr qint64 MaxMemoBytes = qint64(1) << 20;

    bool IsOpen() const { return FOpen; }
    int LastError() const { return FLastError; }
    QString FileName() const { return FFileName; }
    QString MemoFileName() const { return FMemoName; }
    quint8 Version() const { return FVersion; }
    TMemoKind MemoKind() const { return FMemoKind; }

    int RecordCount() const { return FRecordCount; }
    // -1 when the file has no descriptor list (an empty file).
    int FieldCount() const { return FHasDescriptors ? int(FFields.size()) : -1; }
    QString GetFieldName(int Index) const;
    QChar FieldType(int Index) const;
    int FieldLength(int Index) const;
    int FieldDecimals(int Index) const;
    // The field holds a number (FieldText gives it as decimal text with "."): N, F, I, Y and
    // Visual FoxPro's B.
    bool IsNumberField(int Index) const;
    // The field keeps its text in the memo file (memo, general, picture, dBase binary).
    bool IsMemoField(int Index) const;
    // Raises, naming Field, when the memo file is missing, cannot be opened or has no readable
    // header: every memo of the table would then fail.
    void CheckMemoFile(const QString& Field) const;

    // Walks every record's flag byte and what follows the last record without keeping them:
    // raises ecInvalidTable when the table is cut short, a flag byte is neither " " nor "*",
    // or the byte after the last record is none a table ends with. A damaged block of a
    // record's size or more shows there, before a row of it is read.
    void CheckRecords();

    // Reads the next field of the current record; field 0 moves on to the next record.
    void ReadField(int Index, QByteArray& Text);
    // The next record; false past the last one.
    bool NextRecord();
    // A field of the current record as 8-bit text: character fields right-trimmed, numbers
    // trimmed, dates as "yyyymmdd" (blank: empty), binary numbers in decimal, date-times as
    // "yyyymmddThhmmss", memos read from the memo file. A memo that cannot be read, and a
    // number with NUL bytes other than its padding, raise EDBFFieldError.
    QByteArray FieldText(int Index);
    bool Eof() const { return qint64(FRecordCount) < FRecordIndex; }
    bool Deleted() const { return FDeleted; }
    // 1-based number of the current record (0 before the first).
    int RecordNumber() const { return int(FRecordIndex - 1); }

private:
    [[noreturn]] void Error(int Code, const QString& Detail = QString());
    void ReadDescriptors(const QByteArray& Header);
    // A number field's text without its padding: spaces at both ends, NULs after it.
    QByteArray NumberText(const TDescriptor& Field, const QByteArray& Raw);
    void OpenMemo();
    // Any failure is an EDBFMemoError.
    QByteArray MemoText(const TDescriptor& Field, qint64 Block);
    QByteArray ReadMemo(const TDescriptor& Field, qint64 Block);
    QByteArray ReadMemoBytes(qint64 Pos, qint64 Length, const TDescriptor& Field);
    [[noreturn]] void MemoDamaged(const TDescriptor& Field);
    // A memo is read whole: one longer than this is refused, not read into memory.
    void CheckMemoLength(qint64 Length, const TDescriptor& Field);

    QString FFileName;
    QString FMemoName;
    QFile FFile;
    std::unique_ptr<QFile> FMemo;
    qint64 FFileSize = 0;
    qint64 FMemoSize = 0;
    bool FOpen = false;
    bool FHasDescriptors = false;
    int FLastError = 0;
    quint8 FVersion = 0;
    int FRecordCount = 0;
    int FHeaderLength = 0;
    int FRecordLength = 0;
    std::vector<TDescriptor> FFields; // visible fields (VFP system fields left out)
    qint64 FRecordIndex = 1;
    bool FDeleted = false;
    QByteArray FRecord;
    TMemoKind FMemoKind = mkNone;
    int FMemoBlockSize = 512;
    bool FDBaseIVMemo = false;
    // A FoxPro memo header whose next free block is 0: its block size is no more
    // to be trusted than the rest of it.
    bool FMemoHeaderDamaged = false;
};
