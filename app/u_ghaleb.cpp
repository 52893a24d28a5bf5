#include "app/u_ghaleb.h"

#include "ui_u_ghaleb.h"

#include "app/core/banklines.h"
#include "app/helpers.h"
#include "app/u_dm.h"
#include "platform/dataaware/EditRules.h"

#include <QKeyEvent>

Tfrm_ghaleb* frm_ghaleb = nullptr;

Tfrm_ghaleb::Tfrm_ghaleb(QWidget* parent) : RegisterWindow(parent), ui(new Ui::Tfrm_ghaleb)
{
    ui->setupUi(this);
    SetGlowButtonsLook(this);
    setObjectName(QStringLiteral("frm_ghaleb"));
    setWindowFlag(Qt::Window);
    MakeDigitsOnly(ui->txt_tol_hesab);
    MakeDigitsOnly(ui->txt_tol_price);
    dataaware::setTypingLimit(ui->txt_file_extention, 3);
    StyleBanner(ui->Label1);
    keepColour(ui->Label1, kBannerColour);
    keepColour(ui->Label12, Qt::red);
    keepColour(ui->Label13, QColor(0x7a, 0x4b, 0x00));
    // The parts of a bank line read left to right.
    for (QLineEdit* e :
         {ui->txt_record_start, ui->txt_record_end, ui->txt_file_name, ui->txt_file_extention,
          ui->txt_ebteda, ui->txt_enteha, ui->txt_jodashavande})
        e->setLayoutDirection(Qt::LeftToRight);

    using Column = dataaware::DataSetModel::Column;
    setupRegister(frm_dm->ghaleb_ado, QStringLiteral("tbl_ghaleb"),
                  {{ui->txt_bankname, QStringLiteral("bank_name")},
                   {ui->txt_record_start, QStringLiteral("record_start")},
                   {ui->txt_record_end, QStringLiteral("record_end")},
                   {ui->txt_file_name, QStringLiteral("file_name")},
                   {ui->txt_file_extention, QStringLiteral("file_extention")},
                   {ui->txt_tol_hesab, QStringLiteral("tol_hesab")},
                   {ui->txt_tol_price, QStringLiteral("tol_price")},
                   {ui->txt_ebteda, QStringLiteral("char_start")},
                   {ui->txt_enteha, QStringLiteral("char_end")},
                   {ui->txt_jodashavande, QStringLiteral("char_split")}},
                  {Column::of("bank_name", 140), Column::of("char_start", 70, true),
                   Column::of("tol_hesab", 70, true), Column::of("char_split", 70, true),
                   Column::of("tol_price", 70, true), Column::of("char_end", 70, true),
                   Column::of("record_start", 110, true), Column::of("record_end", 110, true),
                   Column::of("file_name", 90, true), Column::of("file_extention", -1, true)});
    onKeyDown(ui->txt_file_extention,
              [this](QKeyEvent* e) { return txt_file_extentionKeyDown(e); });
}

Tfrm_ghaleb::~Tfrm_ghaleb() = default;

bool Tfrm_ghaleb::txt_file_extentionKeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    ui->txt_tol_hesab->setFocus();
    return true;
}

void Tfrm_ghaleb::btn_saveClick()
{
    guarded([this] {
        if (ui->txt_bankname->text().trimmed().isEmpty()) {
            refuse(QStringLiteral("نام بانک را وارد کنيد"), ui->txt_bankname);
            return;
        }
        BankTemplate t;
        t.bank_name = ui->txt_bankname->text();
        t.record_start = ui->txt_record_start->text();
        t.record_end = ui->txt_record_end->text();
        t.file_name = ui->txt_file_name->text();
        t.file_extention = ui->txt_file_extention->text();
        t.tol_hesab = ui->txt_tol_hesab->text();
        t.tol_price = ui->txt_tol_price->text();
        t.char_start = ui->txt_ebteda->text();
        t.char_end = ui->txt_enteha->text();
        t.char_split = ui->txt_jodashavande->text();
        // A width the list window could not use is refused now, not at the first add.
        for (QLineEdit* box : {ui->txt_tol_hesab, ui->txt_tol_price}) {
            BankTemplate widths;
            (box == ui->txt_tol_hesab ? widths.tol_hesab : widths.tol_price) = box->text();
            try {
                widths.checkWidths();
            } catch (const BankLineError& e) {
                refuse(e.message(), box);
                return;
            }
        }
        if (isTaken(QStringLiteral("bank_name"), t.bank_name)) {
            refuse(QStringLiteral("نام بانک تکراريست"), ui->txt_bankname);
            return;
        }
        saveRow({{QStringLiteral("bank_name"), t.bank_name},
                 {QStringLiteral("tol_hesab"), t.tol_hesab},
                 {QStringLiteral("tol_price"), t.tol_price},
                 {QStringLiteral("char_start"), t.char_start},
                 {QStringLiteral("char_end"), t.char_end},
                 {QStringLiteral("char_split"), t.char_split},
                 {QStringLiteral("record_start"), t.record_start},
                 {QStringLiteral("record_end"), t.record_end},
                 {QStringLiteral("file_name"), t.file_name},
                 {QStringLiteral("file_extention"), t.file_extention}},
                QStringLiteral("اطلاعات قالب ويرايش گرديد"));
    });
}
