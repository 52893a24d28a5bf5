#include "import/engine/Durvel3Docx.h"

#include "import/engine/support/DocxFile.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("DOCX_OPTIONS");
}

TDurvel3Docx::TDurvel3Docx() : TDurvel3TableReader(TMapForm::Numbers) {}
TDurvel3Docx::~TDurvel3Docx() = default;

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
    SetRowTotal(FTable->RowCount());
    TDurvel3::PrepareImport();
}

QString TDurvel3Docx::CellText(int Row, int Col) const
{
    return FTable && Row < FTable->RowCount() ? FTable->Rows[std::size_t(Row)].value(Col)
                                              : QString();
}

void TDurvel3Docx::EndImport()
{
    TDurvel3TableReader::EndImport();
    FTable = nullptr;
    FFile.reset();
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
