#include "import/engine/Durvel3DBF.h"

#include "import/engine/DBFRead.h"
#include "import/engine/support/SheetValues.h"
#include "platform/codepage/CodePage.h"
#include "platform/ini/IniFile.h"

#include <QDate>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kOptions = QStringLiteral("DBF_OPTIONS");

} // namespace

TDurvel3DBF::TDurvel3DBF() = default;

TDurvel3DBF::~TDurvel3DBF() = default;

bool TDurvel3DBF::SourceExists() const
{
    return QFileInfo(TDBFRead::ResolveTableName(FileName())).isFile();
}

void TDurvel3DBF::PrepareImport()
{
    FTable = std::make_unique<TDBFRead>(FileName());
    // A cut or damaged table is refused whole, before any of its rows is written.
    FTable->CheckRecords();
    SetTotalRecCount(FTable->RecordCount());
    TDurvel3::PrepareImport();
}

void TDurvel3DBF::OpenSource()
{
    FMapped.clear();
    // Map value (a field name) -> its entry in sources, each with the row positions it fills.
    struct Source
    {
        QString Field;
        QString Name; // the first map name that asks for it
        std::vector<int> Positions;
        bool Found = false;
    };
    std::vector<Source> sources;
    const TWideStringList& map = Map();
    THashTable bySource(false);
    bySource.SetTableSize(map.Count() + map.Count() / 2 + 1);
    const QChar sep = map.NameValueSeparator();
    for (int m = 0; m < map.Count(); ++m) {
        const QString line = map.Strings(m);
        const int eq = line.indexOf(sep);
        if (eq < 0)
            continue;
        const QString name = DurvelTrimName(line.left(eq));
        const int position = Row()->MapPosition(name);
        if (position < 0)
            continue;
        const QString field = line.mid(eq + 1).trimmed().toUpper();
        void* found;
        std::size_t at;
        if (bySource.Search(field, found)) {
            at = reinterpret_cast<quintptr>(found);
        } else {
            at = sources.size();
            sources.push_back({field, name, {}, false});
            bySource.Insert(field, reinterpret_cast<void*>(quintptr(at)));
        }
        std::vector<int>& positions = sources[at].Positions;
        if (std::find(positions.begin(), positions.end(), position) == positions.end())
            positions.push_back(position);
    }
    // One pass over the table's fields: every field of a mapped name fills its columns.
    const int fields = qMax(0, FTable->FieldCount());
    for (int i = 0; i < fields; ++i) {
        void* found;
        if (!bySource.Search(FTable->GetFieldName(i), found))
            continue;
        Source& source = sources[reinterpret_cast<quintptr>(found)];
        source.Found = true;
        // Every memo would fail: refused once, before the first row.
        if (FTable->IsMemoField(i))
            FTable->CheckMemoFile(source.Field);
        FMapped.push_back({i, source.Positions});
    }
    // Without it every row would be stored blank and counted as imported.
    for (const Source& source : sources) {
        if (!source.Found)
            throw EDurvelError(QStringLiteral("The field %1 that the map gives for %2 is not in "
                                              "the table %3")
                                   .arg(source.Field, source.Name,
                                        QFileInfo(FileName()).fileName()));
    }
}

bool TDurvel3DBF::HasMoreRows()
{
    return FTable && FTable->IsOpen() && !FTable->Eof();
}

QString TDurvel3DBF::FieldValue(int Index)
{
    const QByteArray raw = FTable->FieldText(Index);
    const QChar type = FTable->FieldType(Index);
    if (type == u'D' || type == u'T') {
        if (raw.isEmpty())
            return {};
        const QDate date(raw.left(4).toInt(), raw.mid(4, 2).toInt(), raw.mid(6, 2).toInt());
        const bool digits =
            raw.size() >= 8 &&
            std::all_of(raw.begin(), raw.begin() + 8, [](char c) { return c >= '0' && c <= '9'; });
        // A date that cannot be read keeps its text, so the field's conversion reports it.
        if (!digits || !date.isValid())
            return QString::fromLatin1(raw);
        const TDurvelFormats& f = RunFormats();
        if (type == u'D' || raw.size() < 15)
            return DurvelFormatDateTime(f, f.ShortDateFormat, QDateTime(date, QTime(0, 0)));
        const QTime time(raw.mid(9, 2).toInt(), raw.mid(11, 2).toInt(), raw.mid(13, 2).toInt());
        const QDateTime value(date, time);
        if (time == QTime(0, 0))
            return DurvelFormatDateTime(f, f.ShortDateFormat, value);
        return DurvelFormatDateTime(f, f.ShortDateFormat + u' ' + f.LongTimeFormat, value);
    }
    const QString text =
        codepage::decode(CharSet == dcsOEM ? codepage::SystemOem : codepage::SystemAnsi, raw);
    // Numbers are kept with "." in the table; the import reads them with its own separator.
    if (FTable->IsNumberField(Index)) {
        QString number;
        if (DecimalNumberText(text, RunFormats().DecimalSeparator, number))
            return number;
    }
    return text;
}

void TDurvel3DBF::ReadRow()
{
    TDurvelRow* row = Row();
    row->ClearValues();
    FTable->NextRecord();
    // A damaged memo or number fails its own row only: the table around it is sound.
    QString failure;
    for (const MappedField& m : std::as_const(FMapped)) {
        QString value;
        try {
            value = FieldValue(m.Field);
        } catch (const EDBFFieldError& e) {
            if (failure.isEmpty())
                failure = e.message();
        }
        for (int position : m.Positions)
            row->SetValueAt(position, value);
    }
    FailRow(failure);
    ApplyFieldFormats();
}

int TDurvel3DBF::ImportRow()
{
    if (Canceled() && !DoImportCancel())
        return 2;
    if (FTable->RecordNumber() <= SkipFirstRows)
        return 1;
    if (SkipDeleted && FTable->Deleted())
        return 1;
    return TDurvel3::ImportRow();
}

bool TDurvel3DBF::IsRowAccepted()
{
    return !(SkipDeleted && FTable && FTable->Deleted());
}

void TDurvel3DBF::CloseSource()
{
    FMapped.clear();
    FailRow(QString()); // a skipped last record's memo failure goes with the run
    TDurvel3::CloseSource();
}

void TDurvel3DBF::EndImport()
{
    FTable.reset();
    TDurvel3::EndImport();
}

void TDurvel3DBF::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
    Ini.writeInteger(kOptions, QStringLiteral("CharSet"), CharSet);
}

void TDurvel3DBF::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    const qint64 skip = Ini.readInteger(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
    if (skip >= 0 && skip <= std::numeric_limits<int>::max())
        SkipFirstRows = int(skip);
    const qint64 charSet = Ini.readInteger(kOptions, QStringLiteral("CharSet"), CharSet);
    if (charSet >= dcsNone && charSet <= dcsANSI)
        CharSet = TDBFCharSet(charSet);
}
