#include "app/fixedwindows.h"

#include "ui_u_mali.h"
#include "ui_u_sepah.h"
#include "ui_u_sepah2.h"

#include "app/core/banklines.h"
#include "app/helpers.h"
#include "app/u_dm.h"
#include "controls/persian/DateEdit.h"
#include "controls/persian/EditCurrency.h"
#include "controls/persian/Utils.h"
#include "platform/dataaware/DBEdit.h"
#include "platform/dataaware/EditRules.h"

#include <QLineEdit>

Tfrm_mali* frm_mali = nullptr;
Tfrm_sepah* frm_sepah = nullptr;
Tfrm_sepah2* frm_sepah2 = nullptr;

namespace {

const QString kEnterDate = QStringLiteral("تاريخ را وارد كنيد");

// Header boxes typed into but not yet saved go to the database before a header is built.
QString masterText(const char* field)
{
    frm_dm->master_ado->checkBrowseMode();
    return frm_dm->master_ado->text(QLatin1String(field));
}

void postMaster()
{
    frm_dm->master_ado->checkBrowseMode();
}

} // namespace

QString TejaratYearMessage(const QString& date)
{
    return QStringLiteral("سال تاريخ %1 بايد چهار رقم باشد").arg(date);
}

// ---------------------------------------------------------------------------------------------

Tfrm_mali::Tfrm_mali(QWidget* parent) : ListWindow(parent), ui(new Ui::Tfrm_mali)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("frm_mali"));
    setWindowFlag(Qt::Window);
    // The boxes are wide enough before the list sizes the window.
    KeepRoomFor(ui->DBEdit1, QString(10, u'8'));
    KeepRoomFor(ui->DBEdit2, QString(10, u'8'));
    KeepRoomFor(ui->DateEdit1, QStringLiteral("8888/88/88"));
    setupList(10);
    DBEdit1 = ui->DBEdit1;
    DBEdit2 = ui->DBEdit2;
    DateEdit1 = ui->DateEdit1;
    DBEdit1->setField(frm_dm->master_ado, QStringLiteral("sh_chek"));
    DBEdit2->setField(frm_dm->master_ado, QStringLiteral("sh_hesab"));
    dataaware::setTypingLimit(DBEdit1, 10);
    dataaware::setTypingLimit(DBEdit2, 10);
    for (QLineEdit* e : {static_cast<QLineEdit*>(DBEdit1), static_cast<QLineEdit*>(DBEdit2)})
        e->setLayoutDirection(Qt::LeftToRight);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &Tfrm_mali::BitBtn3Click);
    connect(ui->BitBtn6, &QPushButton::clicked, this, &Tfrm_mali::BitBtn6Click);
}

Tfrm_mali::~Tfrm_mali() = default;

void Tfrm_mali::FormShow()
{
    ListWindow::FormShow();
    const QDate today = QDate::currentDate();
    DateEdit1->setDate(today);
}

QString Tfrm_mali::depositDate()
{
    if (DateEdit1->Year() == 0 || DateEdit1->Month() == 0 || DateEdit1->Day() == 0) {
        ShowOkMessage(kEnterDate, dialogs::Icon::Warning, dialogs::Button::Ok, QString());
        return QString();
    }
    // The layout takes the year's last two digits; a shorter year would make the line longer
    // than the bank reads, and the file would be refused only when written.
    if (DateEdit1->Year() < 1000 || DateEdit1->Year() > 9999) {
        ShowOkMessage(TejaratYearMessage(DateEdit1->Text()), dialogs::Icon::Warning,
                      dialogs::Button::Ok, QString());
        DateEdit1->setFocus();
        return QString();
    }
    return Date6(DateEdit1->Year(), DateEdit1->Month(), DateEdit1->Day());
}

QString Tfrm_mali::headerLine(const QString& date6)
{
    // The total is counted from the list, not read from the box.
    return TejaratHeader(masterText("sh_hesab"), frm_dm->listTotal(), date6);
}

void Tfrm_mali::BitBtn1Click()
{
    guarded([this] {
        QString date;
        addChecked([&](const QString& a, const QString& m) { return TejaratLine(a, m, date); },
                   [&] {
                       date = depositDate();
                       return !date.isEmpty();
                   });
    });
}

void Tfrm_mali::BitBtn4Click()
{
    guarded([this] {
        // A preview needs no date: the header shows the date part as the control gives it.
        previewList(headerLine(Date6(DateEdit1->Year(), DateEdit1->Month(), DateEdit1->Day())));
    });
}

void Tfrm_mali::btn_saveClick()
{
    guarded([this] {
        const QString date = depositDate();
        if (date.isEmpty())
            return;
        saveList(TejaratLayout(), QStringLiteral("trans.dat"),
                 QStringLiteral("TejaratFileDat (*.dat);;TejaratFileText (*.txt)"),
                 headerLine(date), QString(), false);
    });
}

void Tfrm_mali::BitBtn3Click()
{
    guarded([] { postMaster(); });
}

void Tfrm_mali::BitBtn6Click()
{
    guarded([this] {
        const QString date = depositDate();
        if (date.isEmpty())
            return;
        // The list is replaced as a whole: rows already there are not lost without a word.
        frm_dm->detail_ado->checkBrowseMode();
        if (const int rows = frm_dm->detail_ado->recordCount();
            rows > 0 &&
            AskYesNo(QStringLiteral("ليست %1 رديف دارد. براي ورود اطلاعات از ليست پرسنل، اين "
                                    "رديف ها حذف شوند و ليست از نو ساخته شود؟")
                         .arg(rows),
                     dialogs::Icon::Warning, dialogs::Button::Yes | dialogs::Button::No,
                     QString()) != dialogs::Button::Yes)
            return;
        OpenSql(QStringLiteral("select * from tbl_customer order by id"), frm_dm->public_ado);
        db::DataSet* people = frm_dm->public_ado;
        QStringList refused;
        // All or nothing: the list is emptied and refilled in one transaction.
        ListTransaction(
            [&] {
                frm_dm->ADOQuery1->execSql();
                for (people->first(); !people->eof(); people->next()) {
                    const QString hesab = TEditCurrency::normalizeDigits(
                        people->text(QStringLiteral("Hesab")).trimmed());
                    const QString price = TEditCurrency::normalizeDigits(
                        people->text(QStringLiteral("Price")).trimmed());
                    if (hesab.isEmpty() || price.isEmpty())
                        continue;
                    // The single add's checks: a line that the header's total would not
                    // match, or that the bank cannot read, is no line.
                    QString problem = accountProblem(hesab);
                    if (problem.isEmpty())
                        problem = amountProblem(price);
                    if (problem.isEmpty()) {
                        try {
                            AppendLine(TejaratLine(hesab, price, date),
                                       TEditCurrency::DeComma(price));
                        } catch (const BankLineError& e) {
                            problem = e.message();
                        }
                    }
                    if (!problem.isEmpty())
                        refused << people->text(QStringLiteral("Pers_number")) +
                                       QStringLiteral(": ") + problem;
                }
            },
            false);
        people->close();
        if (!refused.isEmpty())
            ShowOkMessage(QStringLiteral("اين افراد به ليست اضافه نشدند:") + u'\r' +
                              refused.join(u'\r'),
                          dialogs::Icon::Warning, dialogs::Button::Ok, QString());
    });
}

// ---------------------------------------------------------------------------------------------

Tfrm_sepah::Tfrm_sepah(QWidget* parent) : ListWindow(parent), ui(new Ui::Tfrm_sepah)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("frm_sepah"));
    setWindowFlag(Qt::Window);
    KeepRoomFor(ui->DBEdit2, QString(13, u'8'));
    setupList(13);
    DBEdit2 = ui->DBEdit2;
    DBEdit2->setField(frm_dm->master_ado, QStringLiteral("sh_hesab"));
    dataaware::setTypingLimit(DBEdit2, 13);
    DBEdit2->setLayoutDirection(Qt::LeftToRight);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &Tfrm_sepah::BitBtn3Click);
}

Tfrm_sepah::~Tfrm_sepah() = default;

QString Tfrm_sepah::headerLine()
{
    return SepahHeader(masterText("sh_hesab"));
}

void Tfrm_sepah::BitBtn1Click()
{
    guarded(
        [this] { addChecked([](const QString& a, const QString& m) { return SepahLine(a, m); }); });
}

void Tfrm_sepah::BitBtn4Click()
{
    guarded([this] { previewList(headerLine()); });
}

void Tfrm_sepah::btn_saveClick()
{
    guarded([this] {
        const QString header = headerLine();
        saveList(SepahLayout(), QStringLiteral("hogh.fd"),
                 QStringLiteral("SepahFile (*.fd);;SepahFileText (*.txt)"), header, QString(),
                 false);
    });
}

void Tfrm_sepah::BitBtn3Click()
{
    guarded([] { postMaster(); });
}

// ---------------------------------------------------------------------------------------------

Tfrm_sepah2::Tfrm_sepah2(QWidget* parent) : ListWindow(parent), ui(new Ui::Tfrm_sepah2)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("frm_sepah2"));
    setWindowFlag(Qt::Window);
    KeepRoomFor(ui->txt_shobeh, QString(4, u'8'));
    setupList(8);
    dataaware::setTypingLimit(ui->txt_shobeh, 4);
    ui->txt_shobeh->setLayoutDirection(Qt::LeftToRight);
    MakeDigitsOnly(ui->txt_shobeh);
}

Tfrm_sepah2::~Tfrm_sepah2() = default;

void Tfrm_sepah2::BitBtn1Click()
{
    guarded([this] {
        QString branch;
        addChecked([&](const QString& a, const QString& m) { return Sepah2Line(branch, a, m); },
                   [&] {
                       // The bank reads the branch from fixed places: exactly four digits.
                       branch = TEditCurrency::normalizeDigits(ui->txt_shobeh->text().trimmed());
                       if (branch.size() == 4 && IsDigitText(branch))
                           return true;
                       ShowOkMessage(QStringLiteral("كد شعبه بايد چهار رقم باشد"),
                                     dialogs::Icon::Warning, dialogs::Button::Ok, QString());
                       ui->txt_shobeh->setFocus();
                       return false;
                   });
    });
}

void Tfrm_sepah2::BitBtn4Click()
{
    guarded([this] { previewList(QString()); });
}

void Tfrm_sepah2::btn_saveClick()
{
    guarded([this] {
        saveList(Sepah2Layout(), QStringLiteral("netpay.txt"),
                 QStringLiteral("SepahFileText (*.txt)"), QString(), QString(), false);
    });
}
