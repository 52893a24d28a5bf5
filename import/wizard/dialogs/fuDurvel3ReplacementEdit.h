#pragma once
// The dialog that edits one find-and-replace pair of a field's format.

#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class TfmDurvel3ReplacementEdit;
}

class TfmDurvel3ReplacementEdit : public QDialog
{
    Q_OBJECT
public:
    explicit TfmDurvel3ReplacementEdit(QWidget* Parent = nullptr);
    ~TfmDurvel3ReplacementEdit() override;

    std::unique_ptr<Ui::TfmDurvel3ReplacementEdit> ui;

    // Closes with OK only when there is a text to find; else says so and stays open.
    void accept() override;

    // Called with the dialog just before it runs modally; tests answer it from here (e.g. a
    // queued call that types and presses OK).
    static std::function<void(TfmDurvel3ReplacementEdit*)> OnShow;
};

// Edits the pair in a modal dialog; on OK writes the three values back and returns true,
// otherwise leaves them and returns false.
bool EditReplacement(QString& TextToFind, QString& ReplaceWith, bool& IgnoreCase,
                     QWidget* Parent = nullptr);
