#pragma once
// The dBase page: skip-deleted and the field pairs between the destination and the table.

#include "import/wizard/pages/SourcePage.h"

#include <memory>

namespace Ui {
class tsDBFOptions;
}
class FieldPairMap;
class TDurvel3DBF;

class DbfPage : public SourcePage
{
    Q_OBJECT
public:
    explicit DbfPage(TDurvel3WizardF* Form);
    ~DbfPage() override;

    std::unique_ptr<Ui::tsDBFOptions> ui;
    FieldPairMap* Pairs = nullptr;

    bool DBFSkipDeleted() const { return FDBFSkipDeleted; }
    void SetDBFSkipDeleted(bool Value);
    // The table's field names into the source list.
    void LoadDBFFields();

    void ShowStep(int Index, int Total) override;
    bool StepComplete(int Index) const override;
    void FillFields(const QStringList& Columns) override;
    TDurvel3* Reader() override;
    void CopyOptions(TDurvel3& Reader) const override;
    QList<QPair<QString, QString>> MapLines() const override;
    void SaveTemplate(IniFile& Ini) const override;
    void LoadTemplate(const IniFile& Ini) override;

private:
    std::unique_ptr<TDurvel3DBF> impDBF;
    bool FDBFSkipDeleted = false;
};
