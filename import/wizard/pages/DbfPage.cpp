#include "import/wizard/pages/DbfPage.h"

#include "ui_DbfPage.h"

#include "import/engine/DBFRead.h"
#include "import/engine/Durvel3DBF.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/pages/FieldPairMap.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("DBF_OPTIONS");
const QString kMap = QStringLiteral("DBF_MAP");
} // namespace

DbfPage::DbfPage(TDurvel3WizardF* Form)
    : SourcePage(Form, aiDBF), ui(new Ui::tsDBFOptions), impDBF(std::make_unique<TDurvel3DBF>())
{
    ui->setupUi(this);
    impDBF->AddType = datInsert;
    Pairs = new FieldPairMap(
        {ui->lstDBFDataSet, ui->lstDBF, ui->lstDBFMap, ui->bDBFAdd, ui->bDBFAutoFill,
         ui->bDBFRemove, ui->bDBFClear},
        [this] { F->TuneButtons(); }, this);
    connect(ui->chDBFSkipDeleted, &QCheckBox::clicked, this, &DbfPage::SetDBFSkipDeleted);
    SetDBFSkipDeleted(true);
}

DbfPage::~DbfPage() = default;

void DbfPage::SetDBFSkipDeleted(bool Value)
{
    FDBFSkipDeleted = Value;
    if (ui->chDBFSkipDeleted->isChecked() != Value)
        ui->chDBFSkipDeleted->setChecked(Value);
}

void DbfPage::LoadDBFFields()
{
    const QString fileName = F->FileName();
    const auto loading = ShowLoading(F, fileName);
    TDBFRead table(fileName);
    QStringList names;
    for (int i = 0; i < table.FieldCount(); ++i)
        names << table.GetFieldName(i);
    Pairs->SetSourceFields(names, QFileInfo(fileName).fileName());
    F->NeedReload = false;
}

void DbfPage::ShowStep(int Index, int Total)
{
    F->PlaceInfoPanel(this, 6, FieldPairMap::Tip(), 557, 39, 21);
    F->ShowPage(this);
    ui->laStep_03->setText(QStringLiteral("Step %1 of %2").arg(Index).arg(Total));
    if (F->NeedReload) {
        try {
            LoadDBFFields();
        } catch (...) {
            // The clerk stays on the page with the message; nothing of another file is shown.
            Pairs->SetSourceFields({}, QFileInfo(F->FileName()).fileName());
            F->TuneButtons();
            throw;
        }
    }
    F->TuneButtons();
}

bool DbfPage::StepComplete(int) const
{
    return Pairs->Complete();
}

void DbfPage::FillFields(const QStringList& Columns)
{
    Pairs->SetColumns(Columns);
}

TDurvel3* DbfPage::Reader()
{
    return impDBF.get();
}

void DbfPage::CopyOptions(TDurvel3& Reader) const
{
    if (auto* dbf = dynamic_cast<TDurvel3DBF*>(&Reader))
        dbf->SkipDeleted = FDBFSkipDeleted;
}

QList<QPair<QString, QString>> DbfPage::MapLines() const
{
    return Pairs->Pairs();
}

void DbfPage::SaveTemplate(IniFile& Ini) const
{
    Ini.writeBool(kOptions, QStringLiteral("SkipDeleted"), FDBFSkipDeleted);
    Pairs->SaveSection(Ini, kMap);
}

void DbfPage::LoadTemplate(const IniFile& Ini)
{
    SetDBFSkipDeleted(Ini.readBool(kOptions, QStringLiteral("SkipDeleted"), true));
    Pairs->LoadSection(Ini, kMap);
}
