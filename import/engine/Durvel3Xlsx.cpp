#include "import/engine/Durvel3Xlsx.h"

#include "import/engine/DurvelSheetText.h"
#include "import/engine/support/DurvelUtils.h"
#include "import/engine/support/XlsxFile.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>
#include <limits>

namespace {
const QString kOptions = QStringLiteral("XLSX_OPTIONS");
}

TDurvel3Xlsx::TDurvel3Xlsx() = default;
TDurvel3Xlsx::~TDurvel3Xlsx() = default;

bool TDurvel3Xlsx::CheckProperties()
{
    const bool result = TDurvel3::CheckProperties();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const QString letters = line.mid(line.indexOf(sep) + 1).trimmed();
        if (ColumnLettersToNumber(letters) < 1)
            throw EDurvelError(QStringLiteral("'%1' is not a column name").arg(letters));
    }
    return result;
}

void TDurvel3Xlsx::PrepareImport()
{
    // The workbook is read before the base takes any state, so a bad file leaves nothing behind.
    auto file = std::make_unique<TXlsxFile>();
    file->Workbook.LoadHiddenSheet = LoadHiddenSheet;
    file->Workbook.NeedFillMerge = NeedFillMerge;
    file->Workbook.TextFormat = SheetTextFormatOf(Formats());
    file->SetOnlySheet(SheetName);
    file->SetFileName(FileName());
    try {
        file->Load();
    } catch (const EZipError& e) {
        throw EDurvelError(e.message());
    }
    TXlsxWorkSheet* sheet = file->Workbook.GetSheetByName(SheetName);
    if (!sheet)
        throw EDurvelError(QStringLiteral("The workbook %1 has no sheet named \"%2\"")
                               .arg(QFileInfo(FileName()).fileName(), SheetName));
    FFile = std::move(file);
    FSheet = sheet;
    SetTotalRecCount(sheet->RowCount);
    TDurvel3::PrepareImport();
}

void TDurvel3Xlsx::OpenSource()
{
    FCurrent = 0;
    FColumns.clear();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const int eq = line.indexOf(sep);
        Column c;
        c.Name = DurvelTrimName(eq < 0 ? line : line.left(eq));
        c.Col = ColumnLettersToNumber(line.mid(eq + 1).trimmed()) - 1;
        FColumns.push_back(c);
    }
    FColumnsGeneration = ~quint64(0);
}

bool TDurvel3Xlsx::HasMoreRows()
{
    return FSheet && FCurrent < FSheet->RowCount;
}

bool TDurvel3Xlsx::SkipRow()
{
    return SkipFirstRows >= 1 && SkipFirstRows > FCurrent;
}

void TDurvel3Xlsx::ReadRow()
{
    TDurvelRow* row = Row();
    row->ClearValues();
    if (row->Generation() != FColumnsGeneration) {
        for (Column& c : FColumns)
            c.Position = row->MapPosition(c.Name);
        FColumnsGeneration = row->Generation();
    }
    const TKobWideStringSparseList* cells = FSheet->Cells.RowList(FCurrent);
    for (const Column& c : FColumns)
        if (c.Position >= 0)
            row->SetValueAt(c.Position, cells && c.Col < cells->GetCount() ? cells->Get(c.Col)
                                                                           : QString());
    ApplyFieldFormats();
}

void TDurvel3Xlsx::NextRow()
{
    ++FCurrent;
}

void TDurvel3Xlsx::EndImport()
{
    FSheet = nullptr;
    FFile.reset();
    FColumns.clear();
    TDurvel3::EndImport();
}

void TDurvel3Xlsx::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    Ini.writeString(kOptions, QStringLiteral("SheetName"), SheetName);
    Ini.writeBool(kOptions, QStringLiteral("LoadHiddenSheet"), LoadHiddenSheet);
    Ini.writeBool(kOptions, QStringLiteral("NeedFillMerge"), NeedFillMerge);
}

void TDurvel3Xlsx::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    const qint64 skip = Ini.readInteger(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    if (skip >= 0 && skip <= std::numeric_limits<int>::max())
        SkipFirstRows = int(skip);
    SetSheetName(Ini.readString(kOptions, QStringLiteral("SheetName"), SheetName));
    SetLoadHiddenSheet(Ini.readBool(kOptions, QStringLiteral("LoadHiddenSheet"), LoadHiddenSheet));
    SetNeedFillMerge(Ini.readBool(kOptions, QStringLiteral("NeedFillMerge"), NeedFillMerge));
}
