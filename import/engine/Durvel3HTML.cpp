#include "import/engine/Durvel3HTML.h"

#include "platform/html/HtmlDocument.h"
#include "platform/ini/IniFile.h"

#include <QFile>
#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("HTML_OPTIONS");
}

void THTMLFile::Open()
{
    if (FileName.isEmpty())
        throw EDurvelError(QStringLiteral("File name is not defined"));
    const QFileInfo info(FileName);
    if (!info.exists())
        throw EDurvelError(QStringLiteral("File %1 not found").arg(FileName));
    QFile f(FileName);
    if (!info.isFile() || !f.open(QIODevice::ReadOnly))
        throw EDurvelError(
            QStringLiteral("The file %1 cannot be read: %2")
                .arg(FileName, info.isFile() ? f.errorString() : QStringLiteral("not a file")));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw EDurvelError(
            QStringLiteral("The file %1 cannot be read: %2").arg(FileName, f.errorString()));
    Clear();
    for (html::Table& t : html::parseTables(html::decodePage(bytes, &CodePage))) {
        THTMLTable table;
        table.Rows = std::move(t.rows);
        Tables.push_back(std::move(table));
    }
    FLoaded = true;
}

void THTMLFile::Clear()
{
    Tables.clear();
    FLoaded = false;
}

TDurvel3HTML::TDurvel3HTML() = default;
TDurvel3HTML::~TDurvel3HTML() = default;

void TDurvel3HTML::FileNameChanged()
{
    FOwned.reset();
}

bool TDurvel3HTML::CheckProperties()
{
    const bool result = TDurvel3::CheckProperties();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const QString value = line.mid(line.indexOf(sep) + 1).trimmed();
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < 1)
            throw EDurvelError(QStringLiteral("'%1' is not a valid cell number").arg(value));
    }
    return result;
}

const THTMLTable* TDurvel3HTML::CurrentTable() const
{
    const THTMLFile* file = FHandedIn ? FHandedIn : FOwned.get();
    if (!file || TableNumber < 1 || TableNumber > int(file->Tables.size()))
        return nullptr;
    return &file->Tables[std::size_t(TableNumber - 1)];
}

void TDurvel3HTML::PrepareImport()
{
    // The page is read before the base takes any state, so a bad page leaves nothing behind.
    if (!FHandedIn && !FOwned) {
        auto file = std::make_unique<THTMLFile>();
        file->FileName = FileName();
        file->Open();
        FOwned = std::move(file);
    }
    const THTMLFile* file = FHandedIn ? FHandedIn : FOwned.get();
    if (TableNumber < 1)
        throw EDurvelError(QStringLiteral("No table of the page is chosen"));
    if (!CurrentTable())
        throw EDurvelError(QStringLiteral("The page %1 has no table %2 (it has %3)")
                               .arg(QFileInfo(file->FileName).fileName())
                               .arg(TableNumber)
                               .arg(file->Tables.size()));
    TDurvel3::PrepareImport();
}

void TDurvel3HTML::OpenSource()
{
    FCurrent = 0;
    const THTMLTable* t = CurrentTable();
    SetTotalRecCount(t ? t->RowCount() : 0);
    FColumns.clear();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const int eq = line.indexOf(sep);
        MapEntry e;
        e.Name = DurvelTrimName(eq < 0 ? line : line.left(eq));
        e.Cell = line.mid(eq + 1).trimmed().toInt() - 1;
        if (Row()->ColumnByName(e.Name))
            FColumns.push_back(e);
    }
    FColumnsGeneration = ~quint64(0);
}

bool TDurvel3HTML::HasMoreRows()
{
    const THTMLTable* t = CurrentTable();
    return t && FCurrent < t->RowCount();
}

bool TDurvel3HTML::SkipRow()
{
    return SkipFirstRows >= 1 && FCurrent < SkipFirstRows;
}

void TDurvel3HTML::ReadRow()
{
    TDurvelRow* row = Row();
    row->ClearValues();
    if (row->Generation() != FColumnsGeneration) {
        for (MapEntry& e : FColumns)
            e.Position = row->MapPosition(e.Name);
        FColumnsGeneration = row->Generation();
    }
    const QStringList& cells = CurrentTable()->Rows[std::size_t(FCurrent)];
    for (const MapEntry& e : FColumns)
        row->SetValueAt(e.Position, e.Cell < cells.size() ? cells.at(e.Cell) : QString());
    ApplyFieldFormats();
}

void TDurvel3HTML::NextRow()
{
    ++FCurrent;
}

void TDurvel3HTML::CloseSource()
{
    FColumns.clear();
    TDurvel3::CloseSource();
}

void TDurvel3HTML::EndImport()
{
    TDurvel3::EndImport();
    FOwned.reset();
}

void TDurvel3HTML::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
}

void TDurvel3HTML::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    SkipFirstRows = Ini.readCount(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
}
