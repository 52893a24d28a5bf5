#pragma once
// The wizard window: the first page (source kind and file), the step machine with its checks,
// the button states, the caption, help, the close question and running the import.

#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/dialogs/fuDurvel3ProgressDlg.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace Ui {
class TDurvel3WizardF;
}
class IniFile;
class TInfoPanel;
class TDurvel3ASCII;
class SourcePage;
class TxtPage;
class CsvPage;
class LastPage;
class FormatsPage;

template <class Sig> struct GuardSlot;
template <class C, class R, class... A> struct GuardSlot<R (C::*)(A...) const>
{
    template <class Form, class Fn> static auto Make(Form* F, Fn Handler)
    {
        return
            [F, Handler = std::move(Handler)](A... Args) { F->Guarded([&] { Handler(Args...); }); };
    }
};

class TDurvel3WizardF : public QDialog
{
    Q_OBJECT
public:
    explicit TDurvel3WizardF(TDurvel3Wizard* Owner);
    ~TDurvel3WizardF() override;

    std::unique_ptr<Ui::TDurvel3WizardF> ui;
    // The options page of each kind whose page is built; the text pages by their own type too.
    SourcePage* Page(int Kind) const;
    TxtPage* TXTPage = nullptr;
    CsvPage* CSVPage = nullptr;
    LastPage* CommitPage = nullptr;
    FormatsPage* FormatPage = nullptr;
    TInfoPanel* InfoPanel = nullptr;

    TDurvel3Wizard* Wizard() const { return FWizard; }
    // The form's copies of the wizard's destination references.
    DurvelDestinationRef Destination() const;
    // An import can give the destination column of that name a value (not the register's
    // record number); mapping one it cannot is refused with a message.
    bool ColumnWritable(const QString& Column) const;
    void CheckWritable(const QString& Column) const;

    int ImportType() const { return FImportType; }
    QChar Comma() const { return FComma; }
    QChar Quote() const { return FQuote; }
    QString FileName() const { return FFileName; }
    int Step() const { return FStep; }
    bool GoToLastPage() const { return FGoToLastPage; }
    bool AutoSaveTemplate() const { return FAutoSaveTemplate; }
    // The source must be read again; the source pages clear it after reading.
    bool NeedReload = true;
    // True while a reader runs; nothing of the wizard can be changed then.
    bool Running() const { return FRunning; }

    void SetImportType(int Kind);
    void SetFileName(const QString& Name);
    void SetComma(QChar Ch);
    void SetQuote(QChar Ch);
    void SetStep(int NewStep);
    void SetGoToLastPage(bool Value);
    void SetAutoSaveTemplate(bool Value);
    void TuneButtons();
    void PlaceInfoPanel(QWidget* Parent, int Left, const QString& Text, int Width, int Height,
                        int Top);
    // The kind's options page holds a complete map.
    bool PageComplete(int Kind) const;
    // Option steps of the current kind before the formats page (Access has two).
    int OptionSteps() const;
    // A page of the window's stack: added once, made current.
    void AddPage(QWidget* Page);
    void ShowPage(QWidget* Page);

    // The reader of a kind; nullptr for a kind whose reader is not built.
    TDurvel3* ReaderFor(int Kind) const;
    // The text reader the TXT and CSV kinds share.
    TDurvel3ASCII* TextReader() const { return impASCII.get(); }
    TDurvel3* CurrentImport = nullptr;
    int TotalCount = 0;
    TfmDurvel3ProgressDlg* ProgressDialog() const { return FProgressDialog; }

    // The file the error log is written to: an absolute name where its folder exists, else its
    // file name in the program's folder; a relative name (a template's) within the program's
    // folder, as the import resolves it (raises when it leads outside); always absolute.
    // *Resolved tells the latter.
    static QString ResolveErrorLogFileName(const QString& Typed, bool* Resolved = nullptr);
    // Writes the column map of the current kind into the reader.
    void BuildImportMap(TDurvel3* Reader) const;

    // Every choice of the pages to an import template, and back. Saving to an empty name does
    // nothing; loading a missing file raises "File %s does not exist".
    void SaveTemplate(const QString& FileName);
    void LoadTemplate(const QString& FileName);
    QString LoadedTemplateName() const { return FTemplateFileName; }

    // The help file beside the program; Help is shown only when the component asks for it and
    // the file is there.
    static QString HelpFileName();
    bool HelpAvailable() const;

    // Runs a handler's body; what it raises is shown as a message, never thrown into the event
    // loop. The pages' handlers go through it too.
    void Guarded(const std::function<void()>& Body);
    // A handler for connect() that runs inside Guarded: a member function of a page or dialog,
    // or a lambda (not a generic one).
    template <class Obj, class R, class... A> auto Guard(Obj* Target, R (Obj::*Method)(A...))
    {
        return [this, Target, Method](A... Args) { Guarded([&] { (Target->*Method)(Args...); }); };
    }
    template <class Fn> auto Guard(Fn Handler)
    {
        return GuardSlot<decltype(&Fn::operator())>::Make(this, std::move(Handler));
    }

public slots:
    void bNextClick();
    void bBackClick();
    void bOkClick();
    void bHelpClick();
    void spbBrowseClick();
    void cbCommaExit();
    void cbQuoteExit();
    void btnLoadTemplateClick();
    void btnSaveTemplateClick();

    // Closing asks the close question first; refused while an import runs.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void UpdateCaption();
    void ApplyExtensionRule();
    void CheckSource() const;
    void ShowStepPage();
    void FillLists();
    void Run();
    void RunImport();
    void CopySettings(TDurvel3* Reader);
    void SetRunning(bool Value);
    void BindRelays(TDurvel3* Reader);
    void PostProgress(int Code, int Value);
    void WaitForProgressDialog();
    void PostRolledBack();
    void Pump(bool Force);
    void ReleaseProgressDialog();
    bool CloseQuery();
    void ImportCancelRelay(bool& Continue);
    QWidget* RunMessageParent();
    void AfterRunMessage();
    void ShowRunError(const std::exception_ptr& Error);
    // The error log was to be shown and no program opened it: the clerk is told where it is.
    void TellErrorLogNotOpened();
    // A write of the error log failed: the clerk is told the log is incomplete.
    void TellErrorLogIncomplete();
    void ShowTemplateName(const QString& FileName);
    void JumpToLastPage();
    SourcePage* CurrentPage() const { return Page(FImportType); }

    TDurvel3Wizard* FWizard;
    DurvelDataSet* FDataSet;
    DurvelDBGrid* FDBGrid;
    DurvelListView* FListView;
    DurvelStringGrid* FStringGrid;

    int FImportType = -1;
    QChar FComma;
    QChar FQuote;
    QString FFileName;
    int FStep = -1;
    bool FGoToLastPage = false;
    bool FAutoSaveTemplate = false;
    bool FRunning = false;
    bool FShowErrorLogAfter = false;
    QString FErrorLogNotOpened;
    // Off while a template is applied: its file name is taken as it stands.
    bool FExtensionRule = true;
    QString FTemplateFileName;
    std::array<SourcePage*, ImportKindCount> FPages{};

    std::unique_ptr<TDurvel3ASCII> impASCII;
    QPointer<TfmDurvel3ProgressDlg> FProgressDialog;
    QElapsedTimer FPumpTimer;
    // Progress reports not yet handed to the dialog.
    std::vector<std::pair<int, int>> FPending;
};
