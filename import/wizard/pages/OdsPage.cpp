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
    LoadTabs(File, QStringLiteral("sheets"));
}

void OdsPage::LoadFile()
{
    ClearTabs();
    // The sheets' names alone; a sheet is read when its tab is shown.
    TODSFile file;
    file.SetListOnly(true);
    ReadPreview(file);
    QStringList names;
    QList<int> tags;
    for (std::size_t i = 0; i < file.SpreadSheets.size(); ++i) {
        names << file.SpreadSheets[i]->Name;
        tags << int(i);
    }
    SetTabs(names, tags, QStringLiteral("sheets"));
    // The chosen sheet stays when the workbook has it.
    ShowChosenSheet();
}

void OdsPage::FillTab(int Index, TKobWideStringGrid* Grid)
{
    TODSFile file;
    ReadPreview(file, TabCaption(Index));
    if (const TODSSpreadSheet* sheet = file.GetSheetByName(TabCaption(Index)))
        FillSheetGridCells(Grid, sheet->Cells, PreviewSize, 1, MaxColWidth);
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
