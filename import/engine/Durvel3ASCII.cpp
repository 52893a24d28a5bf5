#include "import/engine/Durvel3ASCII.h"

#include "import/engine/support/DurvelUtils.h"
#include "import/engine/support/VoTextFile.h"
#include "platform/ini/IniFile.h"

namespace {

const QString kOptions = QStringLiteral("ASCII_OPTIONS");

// A whole, non-negative decimal number; -1 otherwise.
int wholeNumber(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok && n >= 0 ? n : -1;
}

// A fixed-width field is padded with spaces; tabs and other blanks are part of its text.
QString trimSpaces(QStringView Text)
{
    qsizetype start = 0;
    qsizetype end = Text.size();
    while (start < end && Text[start] == u' ')
        ++start;
    while (end > start && Text[end - 1] == u' ')
        --end;
    return Text.mid(start, end - start).toString();
}

[[noreturn]] void invalidNumber(const QString& text)
{
    throw EDurvelError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

} // namespace

TDurvel3ASCII::TDurvel3ASCII() : Comma(GetListSeparator()) {}

TDurvel3ASCII::~TDurvel3ASCII() = default;

QList<TDurvel3ASCII::MapEntry> TDurvel3ASCII::MapEntries() const
{
    QList<MapEntry> entries;
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const int eq = line.indexOf(sep);
        entries.append(
            {DurvelTrimName(eq < 0 ? line : line.left(eq)), eq < 0 ? QString() : line.mid(eq + 1)});
    }
    return entries;
}

bool TDurvel3ASCII::CheckProperties()
{
    const bool result = TDurvel3::CheckProperties();
    for (const MapEntry& e : MapEntries()) {
        if (IsFixedWidth()) {
            const int semi = e.Value.indexOf(u';');
            if (semi < 0)
                RaiseImportError(DurvelStr::MissingMapDefinition);
            if (wholeNumber(e.Value.left(semi)) < 0)
                invalidNumber(e.Value.left(semi));
            if (wholeNumber(e.Value.mid(semi + 1)) < 0)
                invalidNumber(e.Value.mid(semi + 1));
        } else {
            const int n = wholeNumber(e.Value);
            if (n < 0)
                invalidNumber(e.Value);
            if (n == 0)
                throw EDurvelError(
                    QStringLiteral("Column %1: field numbers start at 1").arg(e.Name));
        }
    }
    return result;
}

void TDurvel3ASCII::OpenSource()
{
    FFile = std::make_unique<TVoTextFile>(FileName(), TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    // A file in the default encoding may be UTF-8, or UTF-16 without a mark; the wizard's
    // previews read it the same way.
    if (Encoding == ctWinDefined && !EncodingChosen) {
        FFile->Reset(TVoTextFile::tfDetectUnicode, 0, 0);
    } else {
        FFile->Reset(0, 0, 0);
        FFile->SetCodepage(CodePageByIndex(Encoding));
    }
    FColumns.clear();
    for (MapEntry e : MapEntries()) {
        if (!Row()->ColumnByName(e.Name))
            continue;
        if (IsFixedWidth()) {
            const int semi = e.Value.indexOf(u';');
            e.Start = qMax(0, wholeNumber(e.Value.left(semi)));
            e.Length = qMax(0, wholeNumber(semi < 0 ? QString() : e.Value.mid(semi + 1)));
        } else {
            e.Start = wholeNumber(e.Value) - 1;
        }
        FColumns.append(e);
    }
    FSkipped = 0;
    FColumnsGeneration = ~quint64(0);
    FSplitBytes = !IsFixedWidth() && Comma.unicode() < 0x80 && Quote.unicode() < 0x80 &&
                  FFile->AsciiCompatible();
}

namespace {

// Only a line of blanks is skipped; a visible ASCII character is none.
bool mayBeBlank(QByteArrayView Bytes)
{
    for (const char c : Bytes)
        if (c > 0x20 && c < 0x7F)
            return false;
    return true;
}

} // namespace

bool TDurvel3ASCII::HasMoreRows()
{
    return !FFile->EndOfFile();
}

bool TDurvel3ASCII::SkipRow()
{
    if (FSplitBytes)
        FLineBytes = FFile->ReadLineBytes();
    else
        FFile->ReadLine(FLine);
    DoReadProgress(FFile->BytesConsumed(), FFile->SizeAtReset());
    if (IsFixedWidth())
        ExpandTabs(FLine);
    if (FSkipped < SkipFirstRows) {
        ++FSkipped;
        return true;
    }
    if (FSplitBytes) {
        if (!mayBeBlank(FLineBytes))
            return false;
        FFile->Decode(FLineBytes, FLine);
    }
    return QStringView(FLine).trimmed().isEmpty();
}

void TDurvel3ASCII::ReadRow()
{
    TDurvelRow* row = Row();
    if (FSplitBytes)
        SplitDelimitedBytes(FLineBytes, Quote, Comma, FByteFields, FByteBuilt);
    else if (!IsFixedWidth())
        SplitDelimitedLine(QStringView(FLine), Quote, Comma, FFields, FBuilt);
    const quint64 generation = FColumnsGeneration;
    FindMapPositions(FColumns, FColumnsGeneration);
    if (generation != FColumnsGeneration || FMapped.size() != std::size_t(row->Count())) {
        FMapped.assign(std::size_t(row->Count()), 0);
        for (const MapEntry& e : std::as_const(FColumns))
            if (e.Position >= 0 && e.Position < row->Count())
                FMapped[std::size_t(e.Position)] = 1;
    }
    // The columns the line fills are overwritten below, in the memory they hold.
    for (int i = 0; i < row->Count(); ++i)
        if (!FMapped[std::size_t(i)])
            row->Items(i)->Value.clear();
    const int fieldCount = int(FSplitBytes ? FByteFields.size() : FFields.size());
    for (const MapEntry& e : std::as_const(FColumns)) {
        if (FSplitBytes) {
            if (e.Position < 0 || e.Position >= row->Count())
                continue;
            QString& value = row->Items(e.Position)->Value;
            // Empty and missing fields are null, as a cleared value.
            if (e.Start >= 0 && e.Start < fieldCount && !FByteFields[std::size_t(e.Start)].isEmpty())
                FFile->Decode(FByteFields[std::size_t(e.Start)], value);
            else
                value.clear();
        } else if (IsFixedWidth())
            row->SetValueAt(e.Position, trimSpaces(QStringView(FLine).mid(e.Start, e.Length)));
        else if (e.Start >= 0 && e.Start < fieldCount)
            row->SetValueAt(e.Position, FFields[std::size_t(e.Start)]);
        else // a short line leaves its missing fields empty
            row->SetValueAt(e.Position, QStringView());
    }
    ApplyFieldFormats();
}

void TDurvel3ASCII::NextRow() {}

void TDurvel3ASCII::FreeSource()
{
    FFile.reset();
    FFields.clear();
    FFields.shrink_to_fit();
    FBuilt.clear();
    FBuilt.shrink_to_fit();
    FByteFields.clear();
    FByteFields.shrink_to_fit();
    FByteBuilt.clear();
    FByteBuilt.shrink_to_fit();
    FLineBytes = QByteArrayView();
    FSplitBytes = false;
    FMapped.clear();
    FColumns.clear();
    FColumnsGeneration = ~quint64(0);
}

void TDurvel3ASCII::CloseSource()
{
    FreeSource();
    TDurvel3::CloseSource();
}

void TDurvel3ASCII::EndImport()
{
    TDurvel3::EndImport();
    FreeSource();
}

void TDurvel3ASCII::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
    Ini.writeInteger(kOptions, QStringLiteral("Encoding"), Encoding);
    // In separator text, so that #0 (fixed width) and control characters survive the file.
    Ini.writeString(kOptions, QStringLiteral("Comma"), CharToSepText(Comma));
    Ini.writeString(kOptions, QStringLiteral("Quote"), CharToSepText(Quote));
}

void TDurvel3ASCII::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    const qint64 skip = Ini.readInteger(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
    if (skip >= 0 && skip <= std::numeric_limits<int>::max())
        SkipFirstRows = int(skip);
    const qint64 encoding = Ini.readInteger(kOptions, QStringLiteral("Encoding"), -1);
    if (encoding >= 0 && encoding < CodePageTableSize) {
        Encoding = TDurvelCharsetType(encoding);
        EncodingChosen = true;
    }
    Comma = SepTextToChar(Ini.readString(kOptions, QStringLiteral("Comma")), Comma);
    Quote = SepTextToChar(Ini.readString(kOptions, QStringLiteral("Quote")), Quote);
}
