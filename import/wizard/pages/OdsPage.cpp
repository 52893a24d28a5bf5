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

void OdsPage::LoadFile()
{
    TODSFile file;
    file.SetNotExpandMergedValue(true);
    // Numbers and dates shown as the run will read them.
    file.TextFormat = SheetTextFormatOf(F->Wizard()->Formats());
    file.SetFileName(F->FileName());
    LoadDocument(file);
    ClearTabs();
    for (std::size_t i = 0; i < file.SpreadSheets.size(); ++i) {
        const TODSSpreadSheet& sheet = *file.SpreadSheets[i];
        FillSheetGridCells(AddTab(sheet.Name, int(i)), sheet.Cells, PreviewSize, 1, MaxColWidth);
    }
    // The chosen sheet stays when the workbook has it.
    ShowChosenSheet();
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
