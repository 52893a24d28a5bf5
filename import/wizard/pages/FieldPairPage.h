#pragma once
// What the pages whose source has named fields share (dBase, XML data packets, Access): the
// field-pair map, its completeness, the column map it gives and the template's map section.
// The one-step pages also share their step: the info panel, the step label and the source's
// fields read again when the file changed.

#include "import/wizard/pages/FieldPairMap.h"
#include "import/wizard/pages/SourcePage.h"

class QLabel;

class FieldPairPage : public SourcePage
{
    Q_OBJECT
public:
    FieldPairMap* Pairs = nullptr;

    void ShowStep(int Index, int Total) override;
    bool StepComplete(int Index) const override;
    void FillFields(const QStringList& Columns) override;
    QList<QPair<QString, QString>> MapLines() const override;
    // The kind's options, then its map section.
    void SaveTemplate(IniFile& Ini) const override;
    void LoadTemplate(const IniFile& Ini) override;
    void PrepareJump() override;

protected:
    void Forget() override;
    void ForgetMap() override;
    FieldPairPage(TDurvel3WizardF* Form, int Kind, QString MapSection);
    // After the derived page has built its controls; StepLabel may be absent for a page that
    // shows its steps itself.
    void BindPairs(const FieldPairMap::Controls& Lists, QLabel* StepLabel);

    // The source's field names into the pair map (under the loading window).
    virtual void LoadFields() = 0;
    virtual void SaveOptions(IniFile& /*Ini*/) const {}
    virtual void LoadOptions(const IniFile& /*Ini*/) {}

    const QString FMapSection;

private:
    QLabel* FStepLabel = nullptr;
};
