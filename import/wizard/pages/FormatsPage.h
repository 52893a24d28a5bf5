#pragma once
// The formats page: the base formats and word lists of the import, and each destination
// field's own format with its find-and-replace pairs. The page keeps working copies; they reach
// a reader only when the import runs, and an import template only when one is saved.

#include "import/engine/DurvelFormats.h"

#include <QWidget>
#include <memory>
#include <vector>

namespace Ui {
class tsFormats;
}
class IniFile;
class QLineEdit;
class QTreeWidgetItem;
class TDurvel3;
class TDurvel3Wizard;
class TDurvel3WizardF;

class FormatsPage : public QWidget
{
    Q_OBJECT
public:
    explicit FormatsPage(TDurvel3WizardF* Form);
    ~FormatsPage() override;

    std::unique_ptr<Ui::tsFormats> ui;

    // The eight base formats, at window creation.
    void LoadFromWizard(const TDurvel3Wizard& Wizard);
    // The three word lists; once, before an automatic template load may replace them.
    void LoadWordLists(const TDurvel3Wizard& Wizard);
    // One item per destination column with a default format; a format of the same name in
    // Formats (any letter case) gives its settings but not its replacements.
    void FillFormatFields(const QStringList& Columns, const TDurvelFieldFormats& Formats);
    // Makes the page current on its base formats tab.
    void ShowFormatsPage(const QString& StepText);

    QChar DecimalSeparator() const { return FFormats.DecimalSeparator; }
    QChar ThousandSeparator() const { return FFormats.ThousandSeparator; }
    QChar DateSeparator() const { return FFormats.DateSeparator; }
    QChar TimeSeparator() const { return FFormats.TimeSeparator; }
    QString ShortDateFormat() const { return FFormats.ShortDateFormat; }
    QString LongDateFormat() const { return FFormats.LongDateFormat; }
    QString ShortTimeFormat() const { return FFormats.ShortTimeFormat; }
    QString LongTimeFormat() const { return FFormats.LongTimeFormat; }
    QStringList BooleanTrue() const;
    QStringList BooleanFalse() const;
    QStringList NullValues() const;

    void SetDecimalSeparator(QChar Value);
    void SetThousandSeparator(QChar Value);
    void SetDateSeparator(QChar Value);
    void SetTimeSeparator(QChar Value);
    void SetShortDateFormat(const QString& Value);
    void SetLongDateFormat(const QString& Value);
    void SetShortTimeFormat(const QString& Value);
    void SetLongTimeFormat(const QString& Value);

    // The working format of a field, by list position or by name (any letter case, blanks at
    // the ends ignored).
    int FieldCount() const { return int(FFieldFormats.size()); }
    TDurvelFieldFormat* FieldFormat(int Index) const;
    TDurvelFieldFormat* FieldFormat(const QString& Name) const;

    // Shows the format of a field item in the editors.
    void ShowFieldFormat(QTreeWidgetItem* Item);
    // True while the editors are filled from a format; their handlers then store nothing.
    bool FormatsLoading = false;

    bool FieldSelected() const;
    bool ReplacementSelected() const;
    // Add follows a selected field, Edit and Delete a selected field and replacement; all off
    // when the formats step is not shown.
    void TuneReplacementButtons(bool EnabledStep);

    void tbtAddReplacementClick();
    void tbtEditReplacementClick();
    void tbtDelReplacementClick();

    // Base formats, word lists and field formats into the reader, as the run needs them.
    void CopyInto(TDurvel3& Reader) const;

    // BASE_FORMATS, the word lists and the field-format and replacement sections.
    void SaveTemplate(IniFile& Ini) const;
    // The same sections; base formats fall back to the wizard's, a missing word list empties
    // its box, and a replacement already in the field's list is not added twice.
    void LoadTemplate(const IniFile& Ini, const TDurvel3Wizard& Wizard);

private:
    void SetSeparator(QChar& Stored, QLineEdit* Edit, QChar Value);
    void SetFormatText(QString& Stored, QLineEdit* Edit, const QString& Value);
    void SeparatorExit(QLineEdit* Edit, void (FormatsPage::*Setter)(QChar), QChar Current);
    void FieldChanged();
    void EditorChanged();
    void TuneEditors();
    void FillReplacements(const TDurvelFieldFormat& Format);
    void SetReplacementItem(QTreeWidgetItem* Item, const TDurvelReplacement& R) const;
    void pgFormatsChange(int Index);
    TDurvelFieldFormat* SelectedFormat() const;
    int FieldIndex(const QString& Name) const;

    TDurvel3WizardF* F;
    TDurvelFormats FFormats;
    std::vector<std::unique_ptr<TDurvelFieldFormat>> FFieldFormats;
    bool FDestroying = false;
};
