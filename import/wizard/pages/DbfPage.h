#pragma once
// The dBase page: skip-deleted and the field pairs between the destination and the table.

#include "import/wizard/pages/FieldPairPage.h"

#include <memory>

namespace Ui {
class tsDBFOptions;
}
class TDurvel3DBF;

class DbfPage : public FieldPairPage
{
    Q_OBJECT
public:
    explicit DbfPage(TDurvel3WizardF* Form);
    ~DbfPage() override;

    std::unique_ptr<Ui::tsDBFOptions> ui;

    bool DBFSkipDeleted() const { return FDBFSkipDeleted; }
    void SetDBFSkipDeleted(bool Value);
    // The table's field names into the source list.
    void LoadDBFFields();

    TDurvel3* Reader() override;
    void CopyOptions(TDurvel3& Reader) const override;

protected:
    void LoadFields() override { LoadDBFFields(); }
    void SaveOptions(IniFile& Ini) const override;
    void LoadOptions(const IniFile& Ini) override;

private:
    std::unique_ptr<TDurvel3DBF> impDBF;
    bool FDBFSkipDeleted = false;
};
