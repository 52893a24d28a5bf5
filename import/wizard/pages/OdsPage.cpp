#include "import/wizard/pages/OdsPage.h"

#include "ui_OdsPage.h"

#include "import/engine/DurvelSheetText.h"
#include "import/engine/support/OpenDocumentFile.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/widgets/SheetGrid.h"
#include "platform/ini/IniFile.h"

namespace {
const QString kOptions = QStringLiteral("ODS_OPTIONS");
}

OdsPage::OdsPage(TDurvel3WizardF* Form)
    : SheetTabsPage(Form, aiODS, TColumnForm::Letters, QStringLiteral("ODS_MAP"), kOptions),
      ui(new Ui::tsODSOptions), FReader(std::make_unique<TDurvel3ODS>())
{
    ui->setupUi(this);
    FReader->AddType = datInsert;
    Bind({ui->lvODSFields, ui->edODSSkipRows, ui->tlbODSAutoFill, ui->tlbODSClear, ui->laStep_13,
          nullptr, ui->pcODSFile});
}

OdsPage::~OdsPage() = default;

void OdsPage::ReadPreview(TODSFile& File, const QString& OnlySheet)
{
    File.SetNotExpandMergedValue(true);
    // Numbers and dates shown as the run will read them.
    File.TextFormat = SheetTextFormatOf(F->Wizard()->Formats());
    // The tabs show the top rows alone: the rest of each sheet is left unread (the run reads
    // it all).
    File.SetPreviewRows(PreviewSize + 1);
    File.SetOnlySheet(OnlySheet);
    File.SetFileName(F->FileName());
    LoadDocument(File);
}

void OdsPage::LoadFile()
{
    TODSFile file;
    ReadPreview(file);
    ClearTabs();
    FUnread.clear();
    for (std::size_t i = 0; i < file.SpreadSheets.size(); ++i) {
        const TODSSpreadSheet& sheet = *file.SpreadSheets[i];
        FillSheetGridCells(AddTab(sheet.Name, int(i)), sheet.Cells, PreviewSize, 1, MaxColWidth);
        FUnread.push_back(sheet.Unread);
    }
    // The chosen sheet stays when the workbook has it.
    ShowChosenSheet();
}

void OdsPage::TabChanged(int Index)
{
    SheetTabsPage::TabChanged(Index);
    if (Index < 0 || std::size_t(Index) >= FUnread.size() || !FUnread[std::size_t(Index)])
        return;
    // A sheet after a long one is read when its tab is first shown.
    F->Guarded([&] {
        TODSFile file;
        ReadPreview(file, TabCaption(Index));
        FUnread[std::size_t(Index)] = false;
        if (const TODSSpreadSheet* sheet = file.GetSheetByName(TabCaption(Index)))
            FillSheetGridCells(CurrentGrid(), sheet->Cells, PreviewSize, 1, MaxColWidth);
    });
}

void OdsPage::SetODSSheetName(const QString& Name)
{
    ChooseSheet(Name);
}

void OdsPage::CopyOptions(TDurvel3& Reader) const
{
    CopySheet<TDurvel3ODS>(Reader);
}

void OdsPage::SaveOptions(IniFile& Ini) const
{
    Ini.writeString(kOptions, QStringLiteral("SheetName"), FSheetName);
}

void OdsPage::LoadOptions(const IniFile& Ini)
{
    SetODSSheetName(
        Ini.readString(kOptions, QStringLiteral("SheetName"), QStringLiteral("Sheet1")));
}
