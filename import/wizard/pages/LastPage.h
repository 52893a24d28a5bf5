#pragma once
// The last page: commit, record count, closing after the import, the error log, the import
// mode, the add type and the key columns.

#include "import/engine/Durvel3.h"

#include <QWidget>
#include <memory>

namespace Ui {
class tsCommitOptions;
}
class IniFile;
class QButtonGroup;
class QListWidgetItem;
class KeyColumnList;
class TDurvel3Wizard;
class TDurvel3WizardF;

class LastPage : public QWidget
{
    Q_OBJECT
public:
    explicit LastPage(TDurvel3WizardF* Form);
    ~LastPage() override;

    std::unique_ptr<Ui::tsCommitOptions> ui;

    void LoadFromWizard(const TDurvel3Wizard& Wizard);
    void FillKeyColumns(const QStringList& Columns, const QStringList& KeyColumns);
    void ShowLastPage(const QString& StepText);

    bool CommitAfterDone() const { return FCommitAfterDone; }
    int CommitRecCount() const { return FCommitRecCount; }
    int ImportRecCount() const { return FImportRecCount; }
    bool CloseAfterImport() const { return FCloseAfterImport; }
    bool ErrorLog() const { return FErrorLog; }
    QString ErrorLogFileName() const { return FErrorLogFileName; }
    bool RewriteErrorLogFile() const { return FRewriteErrorLogFile; }
    bool ShowErrorLog() const { return FShowErrorLog; }
    TDurvelMode ImportMode() const { return FImportMode; }
    TDurvelAddType AddType() const { return FAddType; }
    QStringList SelectedKeyColumns() const;

    void SetCommitAfterDone(bool Value);
    void SetCommitRecCount(int Value);
    void SetImportRecCount(int Value);
    void SetCloseAfterImport(bool Value);
    void SetEnableErrorLog(bool Value);
    void SetErrorLogFileName(const QString& Value);
    void SetRewriteErrorLogFile(bool Value);
    void SetShowErrorLog(bool Value);
    void SetImportMode(int Value);
    void SetAddType(int Value);

    // The page's run options into a reader; the log name is resolved by the form.
    void CopyInto(TDurvel3& Reader) const;

    // LAST_STEP and KeyColumns of an import template. "Import all records" is stored as a
    // count of 0, so it survives a round trip.
    void SaveTemplate(IniFile& Ini) const;
    // Options that are on in the component stay on; a missing ShowErrorLog reads as on.
    void LoadTemplate(const IniFile& Ini, const TDurvel3Wizard& Wizard);

    // Moves items from one list to the other: all or the selected ones, inserted at Position
    // (one item only) or appended.
    static void MoveListItems(KeyColumnList* Source, KeyColumnList* Target, int Position, bool All);

private:
    void chImportAllRecordsClick();
    void chEnableErrorLogClick();
    void bErrorLogFileNameClick();
    void Dropped(KeyColumnList* Target, KeyColumnList* Source, QListWidgetItem* Under);

    TDurvel3WizardF* F;
    QButtonGroup* FModes;
    QButtonGroup* FAddTypes;
    bool FCommitAfterDone = false;
    int FCommitRecCount = 1000;
    int FImportRecCount = 0;
    bool FCloseAfterImport = false;
    bool FErrorLog = false;
    QString FErrorLogFileName;
    bool FRewriteErrorLogFile = true;
    bool FShowErrorLog = false;
    TDurvelMode FImportMode = dimInsertAll;
    TDurvelAddType FAddType = datInsert;
    // The destination's columns in their order, as the key lists were filled.
    QStringList FColumns;
};
