#include "import/engine/Durvel3Docx.h"

#include "import/engine/support/DocxFile.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("DOCX_OPTIONS");
}

TDurvel3Docx::TDurvel3Docx() = default;
TDurvel3Docx::~TDurvel3Docx() = default;

bool TDurvel3Docx::CheckProperties()
{
    const bool result = TDurvel3::CheckProperties();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const QString value = line.mid(line.indexOf(sep) + 1).trimmed();
        bool ok = false;
        if (value.toInt(&ok) < 1 || !ok)
            throw EDurvelError(QStringLiteral("'%1' is not a valid column number").arg(value));
    }
    return result;
}

void TDurvel3Docx::PrepareImport()
{
    auto file = std::make_unique<TDocxFile>();
    file->SetFileName(FileName());
    file->SetNeedFillMerge(NeedFillMerge);
    try {
        file->Load();
    } catch (const EZipError& e) {
        throw EDurvelError(e.message());
    }
    const QString name = QFileInfo(FileName()).fileName();
    if (file->Tables.empty())
        throw EDurvelError(QStringLiteral("No tables were found in %1").arg(name));
    if (TableNumber < 1)
        throw EDurvelError(QStringLiteral("No table of the document is chosen"));
    if (TableNumber > int(file->Tables.size()))
        throw EDurvelError(QStringLiteral("The document %1 has no table %2 (it has %3)")
                               .arg(name)
                               .arg(TableNumber)
                               .arg(file->Tables.size()));
    FFile = std::move(file);
    FTable = &FFile->Tables[std::size_t(TableNumber - 1)];
    SetTotalRecCount(FTable->RowCount());
    TDurvel3::PrepareImport();
}

void TDurvel3Docx::OpenSource()
{
    FCurrent = 0;
    FColumns.clear();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const int eq = line.indexOf(sep);
        FColumns.push_back({DurvelTrimName(eq < 0 ? line : line.left(eq)),
                            line.mid(eq + 1).trimmed().toInt() - 1, -1});
    }
    FColumnsGeneration = ~quint64(0);
}

bool TDurvel3Docx::HasMoreRows()
{
    return FTable && FCurrent < FTable->RowCount();
}

bool TDurvel3Docx::SkipRow()
{
    return SkipFirstRows >= 1 && SkipFirstRows > FCurrent;
}

void TDurvel3Docx::ReadRow()
{
    TDurvelRow* row = Row();
    row->ClearValues();
    if (row->Generation() != FColumnsGeneration) {
        for (Column& c : FColumns)
            c.Position = row->MapPosition(c.Name);
        FColumnsGeneration = row->Generation();
    }
    const QStringList& cols = FTable->Rows[std::size_t(FCurrent)];
    for (const Column& c : FColumns)
        if (c.Position >= 0)
            row->SetValueAt(c.Position, c.Col < cols.size() ? cols.at(c.Col) : QString());
    ApplyFieldFormats();
}

void TDurvel3Docx::NextRow()
{
    ++FCurrent;
}

void TDurvel3Docx::EndImport()
{
    FTable = nullptr;
    FFile.reset();
    FColumns.clear();
    TDurvel3::EndImport();
}

void TDurvel3Docx::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    Ini.writeInteger(kOptions, QStringLiteral("TableNumber"), TableNumber);
    Ini.writeBool(kOptions, QStringLiteral("NeedFillMerge"), NeedFillMerge);
}

void TDurvel3Docx::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    SkipFirstRows = Ini.readCount(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    SetTableNumber(Ini.readCount(kOptions, QStringLiteral("TableNumber"), TableNumber));
    SetNeedFillMerge(Ini.readBool(kOptions, QStringLiteral("NeedFillMerge"), NeedFillMerge));
}
