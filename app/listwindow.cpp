#include "app/listwindow.h"

#include "app/core/banklines.h"
#include "app/helpers.h"
#include "app/u_dm.h"
#include "app/u_print.h"
#include "controls/persian/DBNavBar.h"
#include "controls/persian/EditCurrency.h"
#include "platform/codepage/CodePage.h"
#include "platform/dataaware/DBGrid.h"
#include "platform/dataaware/EditRules.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <exception>

ListWindow::ListWindow(QWidget* parent) : QWidget(parent) {}

void ListWindow::setupList(int accountMaxLength)
{
    txt_sh_personeli = RequireChild<QLineEdit>(this, "txt_sh_personeli");
    BitBtn2 = RequireChild<QPushButton>(this, "BitBtn2");
    lbl_fname = RequireChild<QLabel>(this, "lbl_fname");
    lbl_lname = RequireChild<QLabel>(this, "lbl_lname");
    txt_shhesab = RequireChild<QLineEdit>(this, "txt_shhesab");
    EditCurrency1 = RequireChild<TEditCurrency>(this, "EditCurrency1");
    BitBtn1 = RequireChild<QPushButton>(this, "BitBtn1");
    DBGrid1 = RequireChild<dataaware::DBGrid>(this, "DBGrid1");
    DBNavigator1 = RequireChild<TDBNavBar>(this, "DBNavigator1");
    txt_sum = RequireChild<QLineEdit>(this, "txt_sum");
    BitBtn4 = RequireChild<QPushButton>(this, "BitBtn4");
    btn_save = RequireChild<QPushButton>(this, "btn_save");
    BitBtn5 = RequireChild<QPushButton>(this, "BitBtn5");

    // A limit stops typing only: an account found by the search is shown whole, and the add
    // refuses it with the width in the message.
    dataaware::setTypingLimit(txt_shhesab, accountMaxLength);
    txt_shhesab->setLayoutDirection(Qt::LeftToRight);
    txt_sum->setReadOnly(true);
    txt_sum->setLayoutDirection(Qt::LeftToRight);
    // Wide enough for an eighteen-digit total with its separators.
    txt_sum->setMinimumWidth(
        txt_sum->fontMetrics().horizontalAdvance(QStringLiteral("888,888,888,888,888,888")) + 16);
    // Found names have a place of their own, so the boxes and buttons stay where they are.
    for (QLabel* l : {lbl_fname, lbl_lname})
        l->setFixedWidth(l->fontMetrics().horizontalAdvance(QString(14, QChar(0x0645))));
    EditCurrency1->setText(QStringLiteral("0"));
    KeepRoomFor(txt_sh_personeli, QString(10, u'8'));
    KeepRoomFor(txt_shhesab, QString(accountMaxLength > 0 ? accountMaxLength : 16, u'8'));
    KeepRoomFor(EditCurrency1, QStringLiteral("888,888,888,888"));

    // The list: the record number, then the line as the bank will read it.
    dataaware::DataSetModel::Column rec;
    rec.title = QStringLiteral("رديف");
    rec.width =
        std::max({qRound(48 * FontGrowth(DBGrid1)),
                  DBGrid1->horizontalHeader()->fontMetrics().horizontalAdvance(rec.title) + 20,
                  RecordNumberWidth(DBGrid1)});
    rec.recordNumber = true;
    rec.alignment = Qt::AlignCenter;
    dataaware::DataSetModel::Column txt;
    txt.field = QStringLiteral("txt");
    txt.title = QStringLiteral("مشخصه ركورد");
    txt.leftToRight = true;
    txt.alignment = Qt::AlignVCenter | Qt::AlignLeft;
    DBGrid1->setDataSet(frm_dm->detail_ado, {rec, txt});
    // Room for a whole line of the longest built-in layout (29 characters) beside the record
    // number, so that the list never shows a line cut at the window's least size.
    DBGrid1->setMinimumWidth(rec.width + DBGrid1->fontMetrics().horizontalAdvance(QString(29, u'0')) +
                             16 + 2 * DBGrid1->frameWidth() +
                             DBGrid1->verticalHeader()->width() +
                             DBGrid1->verticalScrollBar()->sizeHint().width());
    QFont title(QStringLiteral("Tahoma"));
    title.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"),
                       QStringLiteral("Noto Sans Arabic")});
    title.setBold(true);
    // Yellow titles, on a ground dark enough to read them.
    DBGrid1->setTitleStyle(title, Qt::yellow, QColor(0x33, 0x4d, 0x80));

    SetupNavigator(DBNavigator1, frm_dm->detail_ado, {nbFirst, nbPrior, nbNext, nbLast, nbDelete});

    frm_dm->registerTotalBox(this, txt_sum);
    // The total is shown with thousands separators.
    connect(txt_sum, &QLineEdit::textChanged, this, [this](const QString& s) {
        const QString grouped = TEditCurrency::Comma(TEditCurrency::DeComma(s));
        if (grouped != s)
            txt_sum->setText(grouped);
    });

    connect(BitBtn2, &QPushButton::clicked, this, &ListWindow::BitBtn2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &ListWindow::BitBtn1Click);
    connect(BitBtn4, &QPushButton::clicked, this, &ListWindow::BitBtn4Click);
    connect(btn_save, &QPushButton::clicked, this, &ListWindow::btn_saveClick);
    connect(BitBtn5, &QPushButton::clicked, this, &ListWindow::BitBtn5Click);

    for (QWidget* w : {static_cast<QWidget*>(txt_sh_personeli), static_cast<QWidget*>(txt_shhesab),
                       static_cast<QWidget*>(BitBtn1)})
        w->installEventFilter(this);
    MakeDigitsOnly(txt_shhesab);
    for (QLineEdit* e : findChildren<QLineEdit*>())
        if (!e->isReadOnly())
            dataaware::selectOnEntry(e);

    // Amount box: "0" is cleared on entry; Enter moves on to the add button instead of
    // reaching the box; the box keeps its own digit filter.
    EditCurrency1->installEventFilter(this);
    EditCurrency1->OnKeyDown = [this](int& key, Qt::KeyboardModifiers shift) {
        if (amountKeepsOwnKeys())
            EditCurrency1->EditCurrency1KeyDown(key, shift);
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            key = 0;
            BitBtn1->setFocus();
        }
    };

    // As large as the desktop's font needs, the designed size at least.
    GrowToFit(this);
}

void ListWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The window system's own show (a restore from the task bar) is no new opening.
    if (!event->spontaneous())
        guarded([this] { FormShow(); });
}

void ListWindow::FormShow()
{
    frm_dm->master_ado->open();
    frm_dm->detail_ado->open();
    frm_dm->detail_adoAfterScroll();
}

void ListWindow::guarded(const std::function<void()>& body)
{
    Guarded(this, body);
}

bool ListWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && watched == EditCurrency1) {
        if (EditCurrency1->text() == QLatin1String("0"))
            EditCurrency1->clear();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* ke = static_cast<QKeyEvent*>(event);
    const bool enter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
    if (watched == txt_sh_personeli && enter) {
        BitBtn2->click();
        return true;
    }
    if (watched == BitBtn1 && enter) {
        BitBtn1->click();
        return true;
    }
    if (watched == txt_shhesab && enter) {
        EditCurrency1->setFocus();
        return true;
    }
    return false;
}

void ListWindow::BitBtn2Click()
{
    guarded([this] {
        const QString key = txt_sh_personeli->text();
        if (key.isEmpty())
            return;
        lbl_fname->clear();
        lbl_lname->clear();
        txt_shhesab->clear();
        db::DataSet* c = frm_dm->customer_ado;
        if (!c->isActive())
            c->open();
        if (c->locate(QStringLiteral("Pers_number"), key)) {
            for (auto [label, field] :
                 {std::pair{lbl_fname, "First_Name"}, std::pair{lbl_lname, "Last_Name"}}) {
                const QString name = c->text(QLatin1String(field));
                label->setText(
                    label->fontMetrics().elidedText(name, Qt::ElideRight, label->width()));
                label->setToolTip(name);
            }
            txt_shhesab->setText(c->text(QStringLiteral("Hesab")));
            EditCurrency1->setFocus();
        } else {
            c->close();
        }
    });
}

void ListWindow::BitBtn5Click()
{
    guarded([this] {
        if (AskYesNo(QStringLiteral("آيا ميخواهيد ليست حذف گردد؟"), dialogs::Icon::Warning,
                     dialogs::Button::Yes | dialogs::Button::No, QString()) == dialogs::Button::Yes)
            frm_dm->ADOQuery1->execSql();
        frm_dm->detail_ado->close();
        frm_dm->detail_ado->open();
        txt_sum->clear();
    });
}

bool IsDigitText(const QString& text)
{
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return !text.isEmpty();
}

QString ListWindow::accountText() const
{
    return TEditCurrency::normalizeDigits(txt_shhesab->text().trimmed());
}

QString ListWindow::accountProblem(const QString& account)
{
    if (account.isEmpty())
        return QStringLiteral("شماره حساب را وارد كنيد");
    if (!IsDigitText(account))
        return QStringLiteral("شماره حساب بايد فقط رقم باشد: «%1»").arg(account);
    return QString();
}

QString ListWindow::amountProblem(const QString& amount)
{
    const QString m = TEditCurrency::normalizeDigits(amount);
    if (TEditCurrency::isValidAmount(m))
        return QString();
    if (TEditCurrency::DeComma(m).count(u'0') == TEditCurrency::DeComma(m).size())
        return QStringLiteral("مبلغ را وارد كنيد"); // empty or nothing but zeros
    return QStringLiteral("مبلغ بايد عددي بزرگتر از صفر باشد: «%1»").arg(amount);
}

QStringList ListWindow::ListRows()
{
    db::DataSet* d = frm_dm->detail_ado;
    if (!d->isActive())
        d->open();
    d->checkBrowseMode();
    QStringList rows;
    const int f = d->fieldIndex(QStringLiteral("txt"));
    for (int r = 0; r < d->recordCount(); ++r)
        rows << d->valueAt(r, f).toString();
    return rows;
}

bool ListWindow::IsDuplicateLine(const QString& line)
{
    OpenSql(QStringLiteral("select * from tbl_detail where txt=:txt"), frm_dm->ADOQuery2,
            {{QStringLiteral("txt"), line}});
    return !frm_dm->ADOQuery2->isEmpty();
}

void ListWindow::AppendLine(const QString& line, const QString& price)
{
    db::DataSet* d = frm_dm->detail_ado;
    if (!d->isActive())
        d->open();
    d->append();
    try {
        d->setValue(QStringLiteral("txt"), line);
        d->setValue(QStringLiteral("price"), price);
        d->post();
    } catch (...) {
        d->cancel();
        throw;
    }
}

void ListWindow::ListTransaction(const std::function<void()>& work, bool keepDone)
{
    db::Connection* c = frm_dm->Connection;
    db::DataSet* d = frm_dm->detail_ado;
    if (!d->isActive())
        d->open();
    c->beginTransaction();
    d->disableControls();
    std::exception_ptr failure;
    const auto keepFirst = [&failure] {
        if (!failure)
            failure = std::current_exception();
    };
    try {
        work();
    } catch (...) {
        keepFirst();
    }
    try {
        if (!failure || keepDone)
            c->commit();
        else
            c->rollback();
    } catch (...) {
        keepFirst();
        try {
            c->rollback();
        } catch (...) {
        }
    }
    // The list shows what the database holds, however the work ended.
    try {
        d->refresh();
    } catch (...) {
        keepFirst();
    }
    try {
        d->enableControls();
    } catch (...) {
        keepFirst();
    }
    if (failure)
        std::rethrow_exception(failure);
}

void ListWindow::addChecked(const LineBuilder& build, const std::function<bool()>& extraCheck,
                            const std::function<void()>& beforeAppend)
{
    const QString account = accountText();
    if (const QString problem = accountProblem(account); !problem.isEmpty()) {
        ShowOkMessage(problem, dialogs::Icon::Warning, dialogs::Button::Ok, QString());
        txt_shhesab->setFocus();
        return;
    }
    const QString amount = TEditCurrency::normalizeDigits(EditCurrency1->text());
    if (const QString problem = amountProblem(amount); !problem.isEmpty()) {
        ShowOkMessage(problem, dialogs::Icon::Warning, dialogs::Button::Ok, QString());
        EditCurrency1->setFocus();
        return;
    }
    if (extraCheck && !extraCheck())
        return;
    const QString line = build(account, amount);
    CheckListLine(line);
    CheckBankText(line);
    if (IsDuplicateLine(line)) {
        ShowOkMessage(QStringLiteral("ركورد تكراري است!"), dialogs::Icon::Warning,
                      dialogs::Button::Ok, QString());
        txt_shhesab->setFocus();
        return;
    }
    // A first line of the template and the person's line go in together or not at all.
    ListTransaction(
        [&] {
            if (beforeAppend)
                beforeAppend();
            AppendLine(line, TEditCurrency::DeComma(amount));
        },
        false);
    txt_shhesab->setFocus();
}

void ListWindow::previewList(const QString& headerLine, const QString& lastLine)
{
    frm_print->setLastLine(lastLine);
    frm_print->QRLabel4->setText(txt_sum->text());
    // A layout without a header line must not show another layout's header.
    frm_print->QRLabel6->setText(headerLine);
    frm_dm->detail_ado->checkBrowseMode();
    frm_print->QuickRep1->preview(this);
}

void ListWindow::saveList(const LineLayout& layout, const QString& proposedName,
                          const QString& filter, const QString& header, const QString& trailer,
                          bool showWait)
{
    // One list serves every window: a bank reading another bank's lines pays the wrong people.
    const QStringList rows = ListRows();
    if (const QList<int> foreign = RowsNotFitting(rows, layout); !foreign.isEmpty()) {
        ShowOkMessage(RowsNotFittingMessage(foreign), dialogs::Icon::Warning, dialogs::Button::Ok,
                      QString());
        return;
    }
    dialogs::FileRequest req;
    req.save = true;
    req.caption = QStringLiteral("ذخيره فايل بانك");
    req.directory = proposedName;
    req.filter = filter;
    const QString path = dialogs::chooseFile(req, this);
    if (path.isEmpty())
        return;
    QStringList lines;
    if (!header.isEmpty())
        lines << header;
    for (const QString& row : rows)
        if (!row.isEmpty())
            lines << row;
    if (!trailer.isEmpty())
        lines << trailer;
    if (showWait)
        ShowWaitWindow(true);
    try {
        WriteBankFile(path, lines);
    } catch (...) {
        if (showWait)
            ShowWaitWindow(false);
        throw;
    }
    if (showWait)
        ShowWaitWindow(false);
}
