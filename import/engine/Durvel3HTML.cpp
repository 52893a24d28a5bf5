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
    FSize = info.size();
    FModified = info.lastModified();
    const QString page = html::decodePage(bytes, &CodePage);
    if (CountCells(page, MaxCells) > MaxCells)
        throw EDurvelError(QStringLiteral("%1 has more than %2 table cells: at most %2 are read.")
                               .arg(info.fileName())
                               .arg(MaxCells));
    std::vector<html::Table> tables;
    try {
        tables = html::parseTables(page);
    } catch (const std::runtime_error& e) {
        throw EDurvelError(QStringLiteral("The file %1 cannot be read: %2")
                               .arg(FileName, QString::fromUtf8(e.what())));
    }
    for (html::Table& t : tables) {
        THTMLTable table;
        table.Rows = std::move(t.rows);
        Tables.push_back(std::move(table));
    }
    FLoaded = true;
}

int THTMLFile::CountCells(const QString& Page, int Limit)
{
    // Tags in comments and scripts count too: the count only bounds what the parser builds.
    int count = 0;
    const QChar* p = Page.constData();
    const qsizetype size = Page.size();
    for (qsizetype i = 0; i + 3 < size && count <= Limit; ++i) {
        if (p[i] != u'<' || (p[i + 1] != u't' && p[i + 1] != u'T'))
            continue;
        const QChar kind = p[i + 2].toLower();
        const QChar after = p[i + 3];
        if ((kind == u'd' || kind == u'h') &&
            (after == u'>' || after == u'/' || after.isSpace()))
            ++count;
    }
    return count;
}

void THTMLFile::Clear()
{
    Tables.clear();
    FLoaded = false;
    FSize = -1;
    FModified = QDateTime();
}

bool THTMLFile::Unchanged() const
{
    const QFileInfo info(FileName);
    return FLoaded && info.isFile() && info.size() == FSize && info.lastModified() == FModified;
}

TDurvel3HTML::TDurvel3HTML() : TDurvel3TableReader(TMapForm::Numbers) {}
TDurvel3HTML::~TDurvel3HTML() = default;

void TDurvel3HTML::FileNameChanged()
{
    FOwned.reset();
    if (FHandedIn && FHandedIn->FileName != FileName())
        FHandedIn = nullptr;
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
    // A page changed since the caller read it is read again, and what is wrong with it told.
    if (FHandedIn && !FHandedIn->Unchanged())
        FHandedIn = nullptr;
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
    SetRowTotal(CurrentTable()->RowCount());
    TDurvel3::PrepareImport();
}

QString TDurvel3HTML::CellText(int Row, int Col) const
{
    const THTMLTable* t = CurrentTable();
    return t && Row < t->RowCount() ? t->Rows[std::size_t(Row)].value(Col) : QString();
}

void TDurvel3HTML::EndImport()
{
    TDurvel3TableReader::EndImport();
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
