#include "import/wizard/pages/FieldPairPage.h"

#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/widgets/ButtonPicture.h"

#include <QAbstractButton>

#include <QFileInfo>
#include <QLabel>

FieldPairPage::FieldPairPage(TDurvel3WizardF* Form, int Kind, QString MapSection)
    : SourcePage(Form, Kind), FMapSection(std::move(MapSection))
{}

void FieldPairPage::BindPairs(const FieldPairMap::Controls& Lists, QLabel* StepLabel)
{
    Pairs = new FieldPairMap(
        Lists, [this] { F->TuneButtons(); },
        [this](const std::function<void()>& Body) { F->Guarded(Body); }, this);
    Pairs->Writable = [this](const QString& Column) { return F->ColumnWritable(Column); };
    Pairs->CheckWritable = [this](const QString& Column) { F->CheckWritable(Column); };
    FStepLabel = StepLabel;
    // Each button's picture box (bDBFAdd's is pbDBFAdd): its image enabled and disabled.
    const struct
    {
        QAbstractButton* Button;
        int Enabled, Disabled;
    } pictures[] = {
        {Lists.Add, 4, 12}, {Lists.AutoFill, 9, 17}, {Lists.Remove, 6, 14}, {Lists.Clear, 7, 15}};
    for (const auto& pic : pictures) {
        auto* box = new TButtonPicture(pic.Button, ilWizard(), pic.Enabled, pic.Disabled);
        box->setObjectName(u'p' + pic.Button->objectName());
    }
}

void FieldPairPage::ShowStep(int Index, int Total)
{
    F->PlaceInfoPanel(this, 6, FieldPairMap::Tip(), 557, 39, 21);
    F->ShowPage(this);
    if (FStepLabel)
        FStepLabel->setText(QStringLiteral("Step %1 of %2").arg(Index).arg(Total));
    if (F->NeedReload)
        ReadSource([this] { LoadFields(); });
    F->TuneButtons();
}

void FieldPairPage::PrepareJump()
{
    if (JumpNeedsRead())
        ReadSource([this] { LoadFields(); });
}

// The clerk stays on the page with the message; nothing of another file is shown.
void FieldPairPage::Forget()
{
    Pairs->SetSourceFields({}, QFileInfo(F->FileName()).fileName());
}

// Pairs name the fields of the file they were made on.
void FieldPairPage::ForgetMap()
{
    Pairs->Clear();
}

bool FieldPairPage::StepComplete(int) const
{
    return Pairs->Complete();
}

void FieldPairPage::FillFields(const QStringList& Columns)
{
    Pairs->SetColumns(Columns);
}

QList<QPair<QString, QString>> FieldPairPage::MapLines() const
{
    return Pairs->Pairs();
}

void FieldPairPage::SaveTemplate(IniFile& Ini) const
{
    SaveOptions(Ini);
    Pairs->SaveSection(Ini, FMapSection);
}

void FieldPairPage::LoadTemplate(const IniFile& Ini)
{
    LoadOptions(Ini);
    Pairs->LoadSection(Ini, FMapSection);
}
