#include "app/u_sepah3.h"

#include "ui_u_sepah3.h"

#include "app/core/banklines.h"
#include "app/groupgrid.h"
#include "app/helpers.h"
#include "app/u_dm.h"
#include "app/u_export.h"
#include "controls/persian/EditCurrency.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QStyle>

Tfrm_sepah3* frm_sepah3 = nullptr;

namespace {
const QString kChooseTemplate = QStringLiteral("نوع قالب بانک را انتخاب کنيد");
}

Tfrm_sepah3::Tfrm_sepah3(QWidget* parent) : ListWindow(parent), ui(new Ui::Tfrm_sepah3)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("frm_sepah3"));
    setWindowFlag(Qt::Window);
    setupList(0);
    DBLookupComboBox1 = ui->DBLookupComboBox1;
    StringGrid1 = ui->StringGrid1;
    DBLookupComboBox1->setListSource(frm_dm->ghaleb_ado, QStringLiteral("id"),
                                     QStringLiteral("bank_name"));

    ui->BitBtn6->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    ui->BitBtn7->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    connect(ui->SpeedButton2, &QPushButton::clicked, this, &Tfrm_sepah3::SpeedButton2Click);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &Tfrm_sepah3::BitBtn3Click);
    connect(ui->BitBtn6, &QPushButton::clicked, this, &Tfrm_sepah3::pase1Click);
    connect(ui->BitBtn7, &QPushButton::clicked, this, &Tfrm_sepah3::DeleteAll1Click);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [this](const char* name, const QString& caption, void (Tfrm_sepah3::*slot)()) {
        QAction* a = PopupMenu1->addAction(caption);
        a->setObjectName(QLatin1String(name));
        if (slot)
            connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add("copy1", QStringLiteral("Copy To Excell"), &Tfrm_sepah3::copy1Click);
    add("pase1", QStringLiteral("Paste From Excell"), &Tfrm_sepah3::pase1Click);
    add("DeleteRecord1", QStringLiteral("Delete Record"), &Tfrm_sepah3::DeleteRecord1Click);
    add("DeleteAll1", QStringLiteral("Delete All Records"), &Tfrm_sepah3::DeleteAll1Click);
    add("Copy2", QStringLiteral("Copy Ctrl+c"), nullptr);
    add("Paste1", QStringLiteral("Paste Ctrl+v"), nullptr);
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        PopupMenu1->popup(StringGrid1->viewport()->mapToGlobal(p));
    });
}

Tfrm_sepah3::~Tfrm_sepah3() = default;

void Tfrm_sepah3::FormShow()
{
    ListWindow::FormShow();
    frm_dm->ghaleb_ado->open();
    StringGrid1->setTitles();
    // The system-wide warning beep is left alone: a program has no business switching it.
}

bool Tfrm_sepah3::chosenTemplate(BankTemplate* t) const
{
    const QVariant key = DBLookupComboBox1->keyValue();
    if (key.isNull())
        return false;
    // Read by key: the combo's choice, whatever record the template query is on.
    OpenSql(QStringLiteral("select * from tbl_ghaleb where id=:id"), frm_dm->public_ado,
            {{QStringLiteral("id"), key}});
    if (frm_dm->public_ado->isEmpty())
        return false;
    *t = TemplateFromDataSet(*frm_dm->public_ado);
    frm_dm->public_ado->close();
    return true;
}

void Tfrm_sepah3::addRecordStart(const BankTemplate& t)
{
    if (!t.record_start.isEmpty() && frm_dm->detail_ado->isEmpty()) {
        CheckListLine(t.record_start);
        CheckBankText(t.record_start);
        AppendLine(t.record_start, QStringLiteral("0"));
    }
}

void Tfrm_sepah3::BitBtn1Click()
{
    guarded([this] {
        BankTemplate t;
        if (!chosenTemplate(&t)) {
            ShowOkMessage(kChooseTemplate, dialogs::Icon::Warning, dialogs::Button::Ok, QString());
            return;
        }
        addChecked(
            [&](const QString& account, const QString& amount) {
                t.checkWidths();
                return BuildRecordLine(t, account, amount);
            },
            {}, [&] { addRecordStart(t); });
    });
}

void Tfrm_sepah3::BitBtn4Click()
{
    guarded([this] {
        // The template's first line is a list row already; its last line is shown last.
        BankTemplate t;
        previewList(QString(), chosenTemplate(&t) ? t.record_end : QString());
    });
}

void Tfrm_sepah3::btn_saveClick()
{
    guarded([this] {
        // The template says what the file's lines look like: without one there is no file.
        BankTemplate t;
        if (!chosenTemplate(&t)) {
            ShowOkMessage(kChooseTemplate, dialogs::Icon::Warning, dialogs::Button::Ok, QString());
            return;
        }
        t.checkWidths();
        CheckBankText(t.record_end);
        saveList(TemplateLayout(t), t.proposedFileName(), QStringLiteral("All File (*.*)"),
                 QString(), t.record_end, true);
    });
}

void Tfrm_sepah3::SpeedButton2Click()
{
    guarded([this] {
        frm_dm->detail_ado->checkBrowseMode();
        ExportDataSetToSpreadsheet(frm_dm->detail_ado, QStringLiteral("Sheet1"), this);
    });
}

void Tfrm_sepah3::BitBtn3Click()
{
    guarded([this] {
        BankTemplate t;
        if (!chosenTemplate(&t)) {
            ShowOkMessage(kChooseTemplate, dialogs::Icon::Warning, dialogs::Button::Ok, QString());
            return;
        }
        t.checkWidths();
        if (!t.record_start.isEmpty()) {
            CheckListLine(t.record_start);
            CheckBankText(t.record_start);
        }
        QStringList refused;
        ShowWaitWindow(true);
        // One transaction and one total refresh for the whole group; rows added before a
        // failure stay in the list.
        ListTransaction(
            [&] {
                for (int row = 1; row <= StringGrid1->rowCount(); ++row) {
                    const QString a =
                        TEditCurrency::normalizeDigits(StringGrid1->cell(2, row).trimmed());
                    const QString m =
                        TEditCurrency::normalizeDigits(StringGrid1->cell(3, row).trimmed());
                    if (a.isEmpty() || m.isEmpty())
                        break;
                    QString problem = accountProblem(a);
                    if (problem.isEmpty())
                        problem = amountProblem(m);
                    QString line;
                    if (problem.isEmpty()) {
                        line = BuildRecordLine(t, a, m);
                        try {
                            CheckListLine(line);
                            CheckBankText(line);
                        } catch (const BankLineError& e) {
                            problem = e.message();
                        }
                    }
                    if (!problem.isEmpty()) {
                        refused << QString::number(row) + QStringLiteral(": ") + problem;
                        continue;
                    }
                    if (IsDuplicateLine(line)) {
                        ShowOkMessage(QStringLiteral("ركورد تكراري است!"), dialogs::Icon::Warning,
                                      dialogs::Button::Ok, QString());
                        continue;
                    }
                    addRecordStart(t);
                    AppendLine(line, TEditCurrency::DeComma(m));
                }
            },
            true);
        ShowWaitWindow(false);
        if (!refused.isEmpty())
            ShowOkMessage(QStringLiteral("رديف هاي داراي خطا ") + u'\r' + refused.join(u'\r'),
                          dialogs::Icon::Warning, dialogs::Button::Ok, QString());
    });
}

void Tfrm_sepah3::copy1Click()
{
    QApplication::clipboard()->setText(StringGrid1->selectionText());
}

void Tfrm_sepah3::pase1Click()
{
    QString errors;
    const int count = StringGrid1->pasteText(QApplication::clipboard()->text(), &errors);
    ShowOkMessage(QStringLiteral(" تعداد رکورد ذخيره شده ") + QString::number(count) + u'\r' +
                      QStringLiteral("رديف هاي داراي خطا ") + u'\r' + errors,
                  dialogs::Icon::Information, dialogs::Button::Ok, QString());
}

void Tfrm_sepah3::DeleteRecord1Click()
{
    StringGrid1->deleteCurrentRow();
}

void Tfrm_sepah3::DeleteAll1Click()
{
    StringGrid1->clearAll();
}
