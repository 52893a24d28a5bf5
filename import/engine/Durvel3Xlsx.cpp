#include "import/engine/Durvel3Xlsx.h"

#include "import/engine/DurvelSheetText.h"
#include "platform/ini/IniFile.h"
#include "platform/xml/Xml.h"

#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("XLSX_OPTIONS");

// A part that is no well-formed XML, or one the parser is spared, in the import's words.
QString xmlFailure(const QString& file, const xml::XmlError& e)
{
    return QStringLiteral("The workbook %1 cannot be read: %2")
        .arg(QFileInfo(file).fileName(), e.message());
}
} // namespace

TDurvel3Xlsx::TDurvel3Xlsx() : TDurvel3TableReader(TMapForm::Letters) {}
TDurvel3Xlsx::~TDurvel3Xlsx() = default;

void TDurvel3Xlsx::PrepareImport()
{
    // The workbook is opened before the base takes any state, so a bad file leaves nothing
    // behind.
    auto file = std::make_unique<TXlsxFile>();
    file->Workbook.LoadHiddenSheet = LoadHiddenSheet;
    file->Workbook.NeedFillMerge = NeedFillMerge;
    file->Workbook.TextFormat = SheetTextFormatOf(Formats());
    file->SetFileName(FileName());
    // Only the mapped columns' texts are made.
    XlsxSheetReader::Options options;
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const int col = ColumnOf(line.mid(line.indexOf(sep) + 1));
        if (col >= 0)
            options.columns.push_back(col);
    }
    std::unique_ptr<XlsxSheetReader> reader;
    try {
        file->OpenWorkbook();
        const TXlsxWorkSheet* sheet = file->Workbook.GetSheetByName(SheetName);
        if (!sheet)
            throw EDurvelError(QStringLiteral("The workbook %1 has no sheet named \"%2\"")
                                   .arg(QFileInfo(FileName()).fileName(), SheetName));
        reader = file->OpenSheet(*sheet, std::move(options));
    } catch (const EZipError& e) {
        throw EDurvelError(e.message());
    } catch (const xml::XmlError& e) {
        throw EDurvelError(xmlFailure(FileName(), e));
    }
    // Only a hint for the progress: the rows are counted as they come.
    SetTotalRecCount(reader->declaredRows());
    FFile = std::move(file);
    FRow = XlsxRow();
    FRows = std::make_unique<XlsxRowsAhead>(std::move(reader));
    TDurvel3::PrepareImport();
}

bool TDurvel3Xlsx::HasMoreRows()
{
    if (!FRows)
        return false;
    if (FRow.row >= CurrentRow())
        return true;
    try {
        return FRows->next(FRow);
    } catch (const EZipError& e) {
        throw EDurvelError(e.message());
    } catch (const xml::XmlError& e) {
        throw EDurvelError(xmlFailure(FileName(), e));
    }
}

QString TDurvel3Xlsx::CellText(int Row, int Col) const
{
    return FRow.row == Row ? FRow.text(Col) : QString();
}

void TDurvel3Xlsx::EndImport()
{
    // The parse's thread ends with the sheet's reader, before the archive closes.
    FRows.reset();
    FFile.reset();
    FRow = XlsxRow();
    TDurvel3TableReader::EndImport();
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
    SkipFirstRows = Ini.readCount(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    SetSheetName(Ini.readString(kOptions, QStringLiteral("SheetName"), SheetName));
    SetLoadHiddenSheet(Ini.readBool(kOptions, QStringLiteral("LoadHiddenSheet"), LoadHiddenSheet));
    SetNeedFillMerge(Ini.readBool(kOptions, QStringLiteral("NeedFillMerge"), NeedFillMerge));
}
