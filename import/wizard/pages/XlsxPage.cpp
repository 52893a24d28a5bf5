#include "import/wizard/pages/XlsxPage.h"

#include "ui_XlsxPage.h"

#include "import/engine/support/XlsxFile.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "import/wizard/widgets/SheetGrid.h"
#include "platform/ini/IniFile.h"

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

void XlsxPage::LoadFile()
{
    TXlsxFile file;
    file.Workbook.LoadHiddenSheet = FLoadHiddenSheet;
    file.Workbook.NeedFillMerge = FNeedFillMerge;
    // Only what a tab shows is read: the parse of a sheet stops below it.
    file.SetCellLimits(PreviewSize, PreviewSize);
    file.SetFileName(F->FileName());
    LoadDocument(file);
    ClearTabs();
    const auto& sheets = file.Workbook.WorkSheets;
    if (sheets.empty())
        throw EDurvelError(
            QStringLiteral("No sheets were found in %1").arg(QFileInfo(F->FileName()).fileName()));
    // Columns as wide as their text (up to the wizard's bound): a fixed width cuts accounts.
    for (std::size_t i = 0; i < sheets.size(); ++i)
        FillSheetGridCells(AddTab(sheets[i]->Name, int(i)), sheets[i]->Cells, PreviewSize, 1,
                           F->Wizard()->ExcelMaxColWidth);
    // A sheet asked for by name (a template's) that the workbook lacks stays asked for: the
    // run stops naming it rather than import another sheet. The preview shows the first.
    ShowChosenSheet();
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
