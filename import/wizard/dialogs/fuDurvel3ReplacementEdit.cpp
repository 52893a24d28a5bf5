#include "import/wizard/dialogs/fuDurvel3ReplacementEdit.h"

#include "ui_fuDurvel3ReplacementEdit.h"

#include "platform/dialogs/Dialogs.h"

#include <QScreen>

std::function<void(TfmDurvel3ReplacementEdit*)> TfmDurvel3ReplacementEdit::OnShow;

TfmDurvel3ReplacementEdit::TfmDurvel3ReplacementEdit(QWidget* Parent)
    : QDialog(Parent), ui(new Ui::TfmDurvel3ReplacementEdit)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    connect(ui->bOk, &QPushButton::clicked, this, &TfmDurvel3ReplacementEdit::accept);
    connect(ui->bCancel, &QPushButton::clicked, this, &TfmDurvel3ReplacementEdit::reject);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    ui->edTextToFind->setFocus();
}

TfmDurvel3ReplacementEdit::~TfmDurvel3ReplacementEdit() = default;

void TfmDurvel3ReplacementEdit::accept()
{
    if (ui->edTextToFind->text().isEmpty()) {
        dialogs::showError(QStringLiteral("Text to find must be defined"), this);
        ui->edTextToFind->setFocus();
        return;
    }
    QDialog::accept();
}

bool EditReplacement(QString& TextToFind, QString& ReplaceWith, bool& IgnoreCase, QWidget* Parent)
{
    TfmDurvel3ReplacementEdit dialog(Parent);
    dialog.ui->edTextToFind->setText(TextToFind);
    dialog.ui->edTextToFind->selectAll();
    dialog.ui->edReplaceWith->setText(ReplaceWith);
    dialog.ui->chIgnoreCase->setChecked(IgnoreCase);
    if (TfmDurvel3ReplacementEdit::OnShow)
        TfmDurvel3ReplacementEdit::OnShow(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    TextToFind = dialog.ui->edTextToFind->text();
    ReplaceWith = dialog.ui->edReplaceWith->text();
    IgnoreCase = dialog.ui->chIgnoreCase->isChecked();
    return true;
}
