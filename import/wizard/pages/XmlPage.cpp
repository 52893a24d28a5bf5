#include "import/wizard/pages/XmlPage.h"

#include "ui_XmlPage.h"

#include "import/engine/Durvel3XML.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("XML_OPTIONS");
}

XmlPage::XmlPage(TDurvel3WizardF* Form)
    : FieldPairPage(Form, aiXML, QStringLiteral("XML_MAP")), ui(new Ui::tsXMLOptions),
      impXML(std::make_unique<TDurvel3XML>())
{
    ui->setupUi(this);
    impXML->AddType = datInsert;
    BindPairs({ui->lvXMLDataSet, ui->lvXML, ui->lvXMLMap, ui->bXMLAdd, ui->bXMLAutoFill,
               ui->bXMLRemove, ui->bXMLClear},
              ui->laStep_05);
    connect(ui->chXMLWriteOnFly, &QCheckBox::clicked, this,
            F->Guard(this, &XmlPage::SetXMLWriteOnFly));
    SetXMLWriteOnFly(false);
}

XmlPage::~XmlPage() = default;

void XmlPage::SetXMLWriteOnFly(bool Value)
{
    FXMLWriteOnFly = Value;
    if (ui->chXMLWriteOnFly->isChecked() != Value)
        ui->chXMLWriteOnFly->setChecked(Value);
}

void XmlPage::LoadXMLFields()
{
    const QString fileName = F->FileName();
    const auto loading = ShowLoading(F, fileName);
    TXMLFile file;
    file.FileName = fileName;
    // Only the definitions are read: a large packet's rows are not built into a tree here.
    const QStringList names = file.ReadFieldNames();
    Pairs->SetSourceFields(names, QFileInfo(fileName).fileName());
    // Pairs of another packet's fields would import nothing into their columns.
    Pairs->DropPairsNotIn(names);
    F->NeedReload = false;
}

TDurvel3* XmlPage::Reader()
{
    return impXML.get();
}

void XmlPage::CopyOptions(TDurvel3& Reader) const
{
    if (auto* xml = dynamic_cast<TDurvel3XML*>(&Reader))
        xml->WriteOnFly = FXMLWriteOnFly;
}

void XmlPage::SaveOptions(IniFile& Ini) const
{
    Ini.writeBool(kOptions, QStringLiteral("WriteOnFly"), FXMLWriteOnFly);
}

void XmlPage::LoadOptions(const IniFile& Ini)
{
    SetXMLWriteOnFly(Ini.readBool(kOptions, QStringLiteral("WriteOnFly"), false));
}
