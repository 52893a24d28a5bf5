#include "import/wizard/pages/DbfPage.h"

#include "ui_DbfPage.h"

#include "import/engine/DBFRead.h"
#include "import/engine/Durvel3DBF.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("DBF_OPTIONS");
}

DbfPage::DbfPage(TDurvel3WizardF* Form)
    : FieldPairPage(Form, aiDBF, QStringLiteral("DBF_MAP")), ui(new Ui::tsDBFOptions),
      impDBF(std::make_unique<TDurvel3DBF>())
{
    ui->setupUi(this);
    impDBF->AddType = datInsert;
    BindPairs({ui->lstDBFDataSet, ui->lstDBF, ui->lstDBFMap, ui->bDBFAdd, ui->bDBFAutoFill,
               ui->bDBFRemove, ui->bDBFClear},
              ui->laStep_03);
    connect(ui->chDBFSkipDeleted, &QCheckBox::clicked, this,
            F->Guard(this, &DbfPage::SetDBFSkipDeleted));
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
    // Pairs of another table's fields would import nothing into their columns.
    Pairs->DropPairsNotIn(names);
    F->NeedReload = false;
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

void DbfPage::SaveOptions(IniFile& Ini) const
{
    Ini.writeBool(kOptions, QStringLiteral("SkipDeleted"), FDBFSkipDeleted);
}

void DbfPage::LoadOptions(const IniFile& Ini)
{
    SetDBFSkipDeleted(Ini.readBool(kOptions, QStringLiteral("SkipDeleted"), true));
}
