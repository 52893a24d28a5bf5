#include "import/wizard/pages/XlsxPage.h"

#include "ui_XlsxPage.h"

#include "import/engine/support/XlsxFile.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/pages/PageLimits.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "import/wizard/widgets/SheetGrid.h"
#include "platform/ini/IniFile.h"
#include "platform/xml/Xml.h"

#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("XLSX_OPTIONS");
}

XlsxPage::XlsxPage(TDurvel3WizardF* Form)
    : SheetTabsPage(Form, aiXLSX, TColumnForm::Letters, QStringLiteral("XLSX_MAP"), kOptions),
      ui(new Ui::tsXlsxOptions), FReader(std::make_unique<TDurvel3Xlsx>())
{
    ui->setupUi(this);
    FReader->AddType = datInsert;
    Bind({ui->lvXlsxFields, ui->edXlsxSkipRows, ui->tlbXlsxAutoFill, ui->tlbXlsxClear,
          ui->laStep_11, nullptr, ui->pcXlsxFile, 90, 36});
}

XlsxPage::~XlsxPage() = default;

std::unique_ptr<TXlsxFile> XlsxPage::OpenBook() const
{
    auto book = std::make_unique<TXlsxFile>();
    book->Workbook.LoadHiddenSheet = FLoadHiddenSheet;
    book->Workbook.NeedFillMerge = FNeedFillMerge;
    book->SetFileName(F->FileName());
    try {
        book->OpenWorkbook();
    } catch (const EZipError& e) {
        throw EDurvelError(e.message());
    } catch (const xml::XmlError& e) {
        throw EDurvelError(e.message());
    }
    return book;
}

void XlsxPage::LoadFile()
{
    ClearTabs();
    FBook = OpenBook();
    // The workbook lists its sheets; only the one shown is read, when its tab is shown.
    struct Closer
    {
        std::unique_ptr<TXlsxFile>& Book;
        ~Closer() { Book.reset(); }
    } closer{FBook};
    const auto& sheets = FBook->Workbook.WorkSheets;
    if (sheets.empty())
        throw EDurvelError(
            QStringLiteral("No sheets were found in %1").arg(QFileInfo(F->FileName()).fileName()));
    QStringList names;
    QList<int> tags;
    for (std::size_t i = 0; i < sheets.size() && names.size() <= MaxPreviewTabs; ++i) {
        names << sheets[i]->Name;
        tags << int(i);
    }
    SetTabs(names, tags, QStringLiteral("sheets"));
    // A sheet asked for by name (a template's) that the workbook lacks stays asked for: the
    // run stops naming it rather than import another sheet. The preview shows the first.
    ShowChosenSheet();
}

void XlsxPage::FillTab(int Index, TKobWideStringGrid* Grid)
{
    std::unique_ptr<TXlsxFile> opened;
    TXlsxFile* book = FBook.get();
    if (!book) {
        opened = OpenBook();
        book = opened.get();
    }
    const auto& sheets = book->Workbook.WorkSheets;
    const int tag = TabTag(Index);
    if (tag < 0 || std::size_t(tag) >= sheets.size() || sheets[std::size_t(tag)]->Name != TabCaption(Index))
        throw EDurvelError(QStringLiteral("The workbook %1 has changed since it was read")
                               .arg(QFileInfo(F->FileName()).fileName()));
    const TXlsxWorkSheet& sheet = *sheets[std::size_t(tag)];
    // Only what a tab shows is read: the parse of the sheet stops below it.
    XlsxSheetReader::Options options;
    options.colLimit = PreviewSize;
    options.rowLimit = PreviewSize;
    TKobSparseCells cells;
    try {
        const auto reader = book->OpenSheet(sheet, std::move(options));
        XlsxRow row;
        while (reader->next(row))
            for (const auto& [col, text] : row.cells)
                cells.SetCell(col, row.row, text);
        cells.SetColCount(reader->colCount());
        cells.SetRowCount(reader->rowCount());
    } catch (const EZipError& e) {
        throw EDurvelError(e.message());
    } catch (const xml::XmlError& e) {
        throw EDurvelError(e.message());
    }
    // Columns as wide as their text (up to the wizard's bound): a fixed width cuts accounts.
    FillSheetGridCells(Grid, cells, PreviewSize, 1, F->Wizard()->ExcelMaxColWidth);
}

void XlsxPage::SourceChanged()
{
    SheetTabsPage::SourceChanged();
    // Another workbook opens on its first sheet unless a template names one.
    FSheetName.clear();
}

void XlsxPage::SetXlsxSheetName(const QString& Name)
{
    if (!Name.isEmpty()) {
        ChooseSheet(Name);
        return;
    }
    // No name means the first sheet, whatever it is called.
    FSheetName.clear();
    FChoiceMissing = false;
    ActivateTab(0);
}

void XlsxPage::SetLoadHiddenSheet(bool Value)
{
    if (Value == FLoadHiddenSheet)
        return;
    FLoadHiddenSheet = Value;
    F->NeedReload = true; // the tabs change with it
}

void XlsxPage::SetNeedFillMerge(bool Value)
{
    if (Value == FNeedFillMerge)
        return;
    FNeedFillMerge = Value;
    F->NeedReload = true;
}

void XlsxPage::CopyOptions(TDurvel3& Reader) const
{
    auto* reader = CopySheet<TDurvel3Xlsx>(Reader);
    if (!reader)
        return;
    // The rows must be read as the preview showed them.
    reader->SetLoadHiddenSheet(FLoadHiddenSheet);
    reader->SetNeedFillMerge(FNeedFillMerge);
}

void XlsxPage::SaveOptions(IniFile& Ini) const
{
    Ini.writeString(kOptions, QStringLiteral("SheetName"), FSheetName);
    Ini.writeBool(kOptions, QStringLiteral("NeedFillMerge"), FNeedFillMerge);
    Ini.writeBool(kOptions, QStringLiteral("LoadHiddenSheet"), FLoadHiddenSheet);
}

void XlsxPage::LoadOptions(const IniFile& Ini)
{
    SetNeedFillMerge(Ini.readBool(kOptions, QStringLiteral("NeedFillMerge"), false));
    SetLoadHiddenSheet(Ini.readBool(kOptions, QStringLiteral("LoadHiddenSheet"), false));
    // Without the key the first sheet is meant, whatever its name.
    SetXlsxSheetName(Ini.keyExists(kOptions, QStringLiteral("SheetName"))
                         ? Ini.readString(kOptions, QStringLiteral("SheetName"))
                         : QString());
}
