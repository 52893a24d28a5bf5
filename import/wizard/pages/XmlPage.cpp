#include "import/wizard/pages/XmlPage.h"

#include "ui_XmlPage.h"

#include "import/engine/Durvel3XML.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/pages/FieldPairMap.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("XML_OPTIONS");
const QString kMap = QStringLiteral("XML_MAP");
} // namespace

XmlPage::XmlPage(TDurvel3WizardF* Form)
    : SourcePage(Form, aiXML), ui(new Ui::tsXMLOptions), impXML(std::make_unique<TDurvel3XML>())
{
    ui->setupUi(this);
    impXML->AddType = datInsert;
    Pairs = new FieldPairMap(
        {ui->lvXMLDataSet, ui->lvXML, ui->lvXMLMap, ui->bXMLAdd, ui->bXMLAutoFill, ui->bXMLRemove,
         ui->bXMLClear},
        [this] { F->TuneButtons(); }, this);
    connect(ui->chXMLWriteOnFly, &QCheckBox::clicked, this, &XmlPage::SetXMLWriteOnFly);
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
    F->NeedReload = false;
}

void XmlPage::ShowStep(int Index, int Total)
{
    F->PlaceInfoPanel(this, 6, FieldPairMap::Tip(), 557, 39, 21);
    F->ShowPage(this);
    ui->laStep_05->setText(QStringLiteral("Step %1 of %2").arg(Index).arg(Total));
    if (F->NeedReload) {
        try {
            LoadXMLFields();
        } catch (...) {
            // The clerk stays on the page with the message; nothing of another file is shown.
            Pairs->SetSourceFields({}, QFileInfo(F->FileName()).fileName());
            F->TuneButtons();
            throw;
        }
    }
    F->TuneButtons();
}

bool XmlPage::StepComplete(int) const
{
    return Pairs->Complete();
}

void XmlPage::FillFields(const QStringList& Columns)
{
    Pairs->SetColumns(Columns);
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

QList<QPair<QString, QString>> XmlPage::MapLines() const
{
    return Pairs->Pairs();
}

void XmlPage::SaveTemplate(IniFile& Ini) const
{
    Ini.writeBool(kOptions, QStringLiteral("WriteOnFly"), FXMLWriteOnFly);
    Pairs->SaveSection(Ini, kMap);
}

void XmlPage::LoadTemplate(const IniFile& Ini)
{
    SetXMLWriteOnFly(Ini.readBool(kOptions, QStringLiteral("WriteOnFly"), false));
    Pairs->LoadSection(Ini, kMap);
}
