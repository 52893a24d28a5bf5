#pragma once
// The fixed-width text page: the file in the text viewer with column arrows; each destination
// field gets a start position and a size.

#include "import/wizard/pages/SourcePage.h"

#include <memory>

namespace Ui {
class tsTXTOptions;
}
class QTreeWidgetItem;
class TDurvel3TXTViewer;
class TDurvel3WizardF;

class TxtPage : public SourcePage
{
    Q_OBJECT
public:
    explicit TxtPage(TDurvel3WizardF* Form);
    ~TxtPage() override;

    std::unique_ptr<Ui::tsTXTOptions> ui;
    TDurvel3TXTViewer* Viewer = nullptr;

    void FillTXTFields(const QStringList& Columns);
    // Some field has a size above 0 (a field of size 0 would get no map line).
    bool TXTMapReady() const;

    void ShowStep(int Index, int Total) override;
    bool StepComplete(int) const override { return TXTMapReady(); }
    void FillFields(const QStringList& Columns) override { FillTXTFields(Columns); }
    TDurvel3* Reader() override;
    void CopyOptions(TDurvel3& Reader) const override;
    // "Name" and "position;size" of every field with a size above 0.
    QList<QPair<QString, QString>> MapLines() const override;
    void SaveTemplate(IniFile& Ini) const override;
    void LoadTemplate(const IniFile& Ini) override;

    int TXTSkipLines() const { return FTXTSkipLines; }
    int TXTEncoding() const { return FTXTEncoding; }
    void SetTXTSkipLines(int Value);
    // Chooses the encoding; until one is chosen each file's own is looked for.
    void SetTXTEncoding(int Value);
    bool TXTEncodingChosen() const { return FTXTEncodingChosen; }
    // A field's position and size, or false when it has none.
    bool FieldPosSize(const QString& Field, int& Position, int& Size) const;
    void SetFieldPosSize(const QString& Field, int Position, int Size);

    static void ParsePosSize(const QString& Text, int& Position, int& Size);
    void PrepareJump() override;

protected:
    void Forget() override;
    void ForgetMap() override;

private:
    void ReloadTemplate();
    void ApplyTemplate(const IniFile& Ini);
    void MakeViewer();
    void LoadViewer();
    void ReadViewer();
    // Shows an encoding without choosing it.
    void ShowTXTEncoding(int Value);
    void DrawArrows();
    void FieldChanged();
    void ViewerSelectionChanged();
    void ArrowRemoved(int X);
    void ArrowMoved(int X, int Y);
    void ClearClick();

    int FTXTSkipLines = -1;
    int FTXTEncoding = 0;
    // The user or a template chose the encoding; until then each file's is looked for.
    bool FTXTEncodingChosen = false;
};
