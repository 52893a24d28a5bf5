#include "import/wizard/pages/OdtPage.h"

#include "ui_OdtPage.h"

#include "import/engine/support/OpenDocumentFile.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/pages/OdsPage.h"
#include "import/wizard/widgets/SheetGrid.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/ini/IniFile.h"

#include <QCheckBox>
#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("ODT_OPTIONS");
}

OdtPage::OdtPage(TDurvel3WizardF* Form)
    : SheetTabsPage(Form, aiODT, TColumnForm::Letters, QStringLiteral("ODT_MAP"), kOptions),
      ui(new Ui::tsODTOptions), FReader(std::make_unique<TDurvel3ODT>())
{
    ui->setupUi(this);
    FReader->AddType = datInsert;
    Bind({ui->lvODTFields, ui->edODTSkipRows, ui->tlbODTAutoFill, ui->tlbODTClear, ui->laStep_14,
          nullptr, ui->pcODTFile});
    connect(ui->cbODTUseHeader, &QCheckBox::toggled, this,
            [this](bool On) { F->Guarded([&] { SetUseHeader(On); }); });
}

OdtPage::~OdtPage() = default;

void OdtPage::ReadTables(TODTFile& File, const QString& OnlyTable)
{
    File.SetPreviewRows(OdsPage::PreviewSize + 1);
    File.SetOnlySheet(OnlyTable);
    LoadTabs(File, QStringLiteral("tables"));
}

void OdtPage::LoadFile()
{
    ClearTabs();
    // The tables' names alone where the document allows; a table is read when its tab is
    // shown.
    TODTFile file;
    file.SetListOnly(true);
    ReadTables(file);
    FListedByScanning = file.SkippedByScanning();
    FComplex.clear();
    QStringList names;
    QList<int> tags;
    for (std::size_t i = 0; i < file.SpreadSheets.size(); ++i) {
        names << file.SpreadSheets[i]->Name;
        tags << int(i);
        FComplex.push_back(file.SpreadSheets[i]->ComplexTable);
    }
    SetTabs(names, tags, QStringLiteral("tables"));
    // The chosen table stays when the document has it.
    ShowChosenSheet();
}

void OdtPage::FillTab(int Index, TKobWideStringGrid* Grid)
{
    TODTFile file;
    file.SetListedByScanning(FListedByScanning);
    ReadTables(file, TabCaption(Index));
    const TODSSpreadSheet* table = file.GetSheetByName(TabCaption(Index));
    TODTFile all;
    if (!table) {
        // A table inside another's cell is found only by reading them all.
        ReadTables(all);
        if (std::size_t(Index) < all.SpreadSheets.size())
            table = all.SpreadSheets[std::size_t(Index)].get();
    }
    if (!table)
        return;
    if (std::size_t(Index) < FComplex.size())
        FComplex[std::size_t(Index)] = table->ComplexTable;
    // With a header the table's first row stands where the letters were.
    FillSheetGridCells(Grid, table->Cells, OdsPage::PreviewSize, FUseHeader ? 0 : 1,
                       OdsPage::MaxColWidth);
}

void OdtPage::TabChanged(int Index)
{
    SheetTabsPage::TabChanged(Index);
    if (Index < 0)
        return;
    FComplexTable = std::size_t(Index) < FComplex.size() && FComplex[std::size_t(Index)];
}

void OdtPage::SetODTSheetName(const QString& Name)
{
    ChooseSheet(Name);
}

void OdtPage::SetUseHeader(bool Value)
{
    if (ui->cbODTUseHeader->isChecked() != Value) {
        const QSignalBlocker block(ui->cbODTUseHeader);
        ui->cbODTUseHeader->setChecked(Value);
    }
    if (Value == FUseHeader)
        return;
    FUseHeader = Value;
    if (TabCount() == 0 || !QFileInfo(F->FileName()).isFile())
        return;
    ReadSource([this] {
        const auto loading = ShowLoading(F, QStringLiteral("Applying changes"));
        LoadFile();
    });
}

bool OdtPage::ConfirmLeave()
{
    if (!FComplexTable)
        return true;
    dialogs::Message m;
    m.title = QStringLiteral("Information");
    m.text = QStringLiteral(
        "Selected table has a complex structure and could be improperly converted\n(it "
        "contains vertically merged cells and/or subtables).\nDo you want to convert this "
        "table anyway?\nYou could examine internal structure of selected table by pressing No.");
    m.icon = dialogs::Icon::Information;
    m.buttons = dialogs::Button::Yes | dialogs::Button::No;
    m.rightToLeft = false;
    return dialogs::show(m, F) == dialogs::Button::Yes;
}

void OdtPage::CopyOptions(TDurvel3& Reader) const
{
    if (auto* reader = CopySheet<TDurvel3ODT>(Reader))
        reader->UseHeader = FUseHeader;
}

void OdtPage::SaveOptions(IniFile& Ini) const
{
    Ini.writeString(kOptions, QStringLiteral("SheetName"), FSheetName);
    Ini.writeBool(kOptions, QStringLiteral("UseHeader"), FUseHeader);
}

void OdtPage::LoadOptions(const IniFile& Ini)
{
    SetODTSheetName(
        Ini.readString(kOptions, QStringLiteral("SheetName"), QStringLiteral("Table1")));
    SetUseHeader(Ini.readBool(kOptions, QStringLiteral("UseHeader"), false));
}
