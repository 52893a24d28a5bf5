#pragma once
// What the wizard window asks of a source kind's options page: its step or steps before the
// formats page (two for Access), their completeness, the reader that imports the kind, the
// options and column map the run copies into it, and the kind's template sections. The window
// knows no kind's page beyond this; each kind adds one line to CreateSourcePage.

#include <QList>
#include <QPair>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class IniFile;
class TDurvel3;
class TDurvel3WizardF;

class SourcePage : public QWidget
{
    Q_OBJECT
public:
    SourcePage(TDurvel3WizardF* Form, int Kind);

    int Kind() const { return FKind; }

    // Option steps before the formats page.
    virtual int StepCount() const { return 1; }
    // Shows option step Index (from 1) of a wizard of Total steps: makes its page current
    // through the form's ShowPage, writes its "Step %d of %d", places the info panel, loads
    // the source when the form's NeedReload says so.
    virtual void ShowStep(int Index, int Total) = 0;
    // Option step Index may be left by Next; the last step's test is the map's.
    virtual bool StepComplete(int Index) const = 0;
    // The page shows no source it could read: its file, or the part of it chosen, was
    // refused. Nothing goes on from it then, whatever its map holds.
    bool Refused() const { return FFileRefused || FPartRefused; }
    bool StepReady(int Index) const { return !Refused() && StepComplete(Index); }
    bool MapReady() const { return StepReady(StepCount()); }

    // The destination's column names, once at window creation.
    virtual void FillFields(const QStringList& Columns) = 0;
    // The source file changed: forget what was read of it.
    virtual void SourceChanged() {}

    // The reader of this kind; made with the page (TXT and CSV share the form's).
    virtual TDurvel3* Reader() = 0;
    // The page's options into the reader (the file name and destination are the form's).
    virtual void CopyOptions(TDurvel3& Reader) const = 0;
    // Destination field = source value, one per mapped field.
    virtual QList<QPair<QString, QString>> MapLines() const = 0;

    // The kind's own sections of an import template.
    virtual void SaveTemplate(IniFile& Ini) const = 0;
    virtual void LoadTemplate(const IniFile& Ini) = 0;
    // A template load is about to test the map for the jump to the last page: the page reads
    // the file first, so that one it refuses is not imported unseen.
    virtual void PrepareJump() {}
    // A template's jump would go past the page: its map is complete and its file is there
    // but not read yet.
    bool JumpNeedsRead() const;
    // Leaving the options by Next or Execute; false keeps the step.
    virtual bool ConfirmLeave() { return true; }

protected:
    // Reads the file for the page. What the read raises is a refusal: the page keeps nothing
    // of an earlier file (Forget; only the map when a part of this file was refused, so the
    // clerk can choose another) and stays refused until a read succeeds.
    void ReadSource(const std::function<void()>& Read);
    // Shows another part of the file read (a sheet, a table, a node set); a refused one leaves
    // the page refused, with the file's other parts to choose from, until one is shown.
    void ReadPart(const std::function<void()>& Read);
    // Empties the page of what a file showed: previews, tabs, lists of its parts and fields.
    virtual void Forget() = 0;
    // Empties the map: every field's column, position, range or pair.
    virtual void ForgetMap() = 0;

    TDurvel3WizardF* F;

private:
    int FKind;
    bool FFileRefused = false;
    bool FPartRefused = false;
};

// The options page of a kind, or nullptr for a kind whose page is not built.
SourcePage* CreateSourcePage(int Kind, TDurvel3WizardF* Form);
