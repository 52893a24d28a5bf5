#pragma once
// The Access pages: the source page (a table of the database or an SQL query, which can be
// loaded from and saved to a file) and the map page pairing destination and source fields.
// The password is typed on the first page of the wizard.

#include "import/wizard/pages/FieldPairPage.h"

#include <memory>

namespace Ui {
class tsAccessOptions_01;
class tsAccessOptions_02;
} // namespace Ui
class QLineEdit;
class TADO_Durvel3Access;

class AccessPage : public FieldPairPage
{
    Q_OBJECT
public:
    explicit AccessPage(TDurvel3WizardF* Form);
    ~AccessPage() override;

    std::unique_ptr<Ui::tsAccessOptions_01> ui;
    // The map page, a page of the wizard of its own.
    QWidget* MapPage = nullptr;
    std::unique_ptr<Ui::tsAccessOptions_02> mapUi;

    QString AccessPassword() const { return FAccessPassword; }
    void SetAccessPassword(const QString& Text);
    // 0 a table, 1 an SQL query.
    int AccessSourceType() const { return FAccessSourceType; }
    void SetAccessSourceType(int Value);
    // The source fields must be read again before the map page is shown.
    bool AccessNeedFields = true;

    // The chosen table's name; empty when none is chosen.
    QString SelectedTable() const;
    QString QueryText() const;
    void SetQueryText(const QString& Text);

    void ShowAccessPage(int Index, int Total);
    void ShowAccessMapPage(int Index, int Total);
    // The database's tables into the table list.
    void LoadAccessTables();
    // The fields of the table or query into the source list; the pairs are emptied.
    void LoadAccessFields();
    void LoadQueryClick();
    void SaveQueryClick();

    int StepCount() const override { return 2; }
    void ShowStep(int Index, int Total) override;
    bool StepComplete(int Index) const override;
    void SourceChanged() override;
    TDurvel3* Reader() override;
    void CopyOptions(TDurvel3& Reader) const override;
    void LoadTemplate(const IniFile& Ini) override;
    // The template's load has read the database.
    void PrepareJump() override {}

protected:
    void LoadFields() override { LoadAccessFields(); }
    void Forget() override;
    // The options and the query; the map section follows.
    void SaveOptions(IniFile& Ini) const override;

private:
    void ReadAccessTables();
    void PrepareReader(TADO_Durvel3Access& Reader) const;
    void SourceEdited();
    bool SelectTable(const QString& Name);

    std::unique_ptr<TADO_Durvel3Access> impAccess;
    QLineEdit* FPasswordEdit = nullptr;
    QString FAccessPassword;
    int FAccessSourceType = -1;
    // A table asked for before the table list was read (a template's).
    QString FWantedTable;
};
