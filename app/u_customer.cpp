#include "app/u_customer.h"

#include "ui_u_customer.h"

#include "app/helpers.h"
#include "app/register_import.h"
#include "app/u_dm.h"
#include "import/wizard/DbGridDestination.h"
#include "import/wizard/Durvel3Wizard.h"

Tfrm_customer* frm_customer = nullptr;

Tfrm_customer::Tfrm_customer(QWidget* parent) : RegisterWindow(parent), ui(new Ui::Tfrm_customer)
{
    ui->setupUi(this);
    SetGlowButtonsLook(this);
    setObjectName(QStringLiteral("frm_customer"));
    setWindowFlag(Qt::Window);
    MakeDigitsOnly(ui->txt_sh_p);
    MakeDigitsOnly(ui->txt_price);
    ui->txt_sh_hesab->setLayoutDirection(Qt::LeftToRight);
    StyleBanner(ui->Label1);
    keepColour(ui->Label1, kBannerColour);
    keepColour(ui->Label7, Qt::red);
    keepColour(ui->Label8, Qt::red);

    using Column = dataaware::DataSetModel::Column;
    setupRegister(frm_dm->customer_ado, QStringLiteral("tbl_customer"),
                  {{ui->txt_sh_p, QStringLiteral("Pers_number")},
                   {ui->txt_sh_hesab, QStringLiteral("Hesab")},
                   {ui->txt_name, QStringLiteral("First_Name")},
                   {ui->txt_family, QStringLiteral("Last_Name")},
                   {ui->txt_price, QStringLiteral("Price")}},
                  {Column::of("id", 50), Column::of("Pers_number", 100, true),
                   Column::of("First_Name", 100), Column::of("Last_Name", 130),
                   Column::of("Hesab", 110, true), Column::of("Price", -1, true)});

    connect(ui->PexGlowButton1, &QPushButton::clicked, this, &Tfrm_customer::PexGlowButton1Click);

    m_importDataSet = std::make_unique<RegisterImportDataSet>(frm_dm->customer_ado);
    m_importGrid = std::make_unique<DurvelDbGridDestination>(DBGrid1, m_importDataSet.get());
    Durvel3Wizard1 = new TDurvel3Wizard(this);
    Durvel3Wizard1->setObjectName(QStringLiteral("Durvel3Wizard1"));
    Durvel3Wizard1->DataSet = m_importDataSet.get();
    Durvel3Wizard1->DBGrid = m_importGrid.get();
    Durvel3Wizard1->AddType = datInsert;
    Durvel3Wizard1->ErrorLogFileName = QStringLiteral("error.log");
    Durvel3Wizard1->Formats().BooleanTrue().Assign(QStringList{QStringLiteral("True")});
    Durvel3Wizard1->Formats().BooleanFalse().Assign(QStringList{QStringLiteral("False")});
    Durvel3Wizard1->Formats().NullValues().Assign(QStringList{QStringLiteral("Null")});
    // The import keeps the rules a clerk's save keeps.
    Durvel3Wizard1->OnBeforePost = [](TDurvel3* Sender, TDurvelRow* Row, bool&) {
        CheckRegisterRow(Sender, Row);
    };
    connect(ui->BitBtn1, &QPushButton::clicked, this, &Tfrm_customer::BitBtn1Click);
}

Tfrm_customer::~Tfrm_customer()
{
    // The wizard refers to the destinations; it goes first.
    delete Durvel3Wizard1;
}

void Tfrm_customer::BitBtn1Click()
{
    guarded([this] { Durvel3Wizard1->Execute(); });
}

void Tfrm_customer::btn_saveClick()
{
    guarded([this] {
        const QString persNumber = ui->txt_sh_p->text();
        const QString hesab = ui->txt_sh_hesab->text();
        if (persNumber.trimmed().isEmpty()) {
            refuse(kPersNumberMissing, ui->txt_sh_p);
            return;
        }
        if (hesab.trimmed().isEmpty()) {
            refuse(kHesabMissing, ui->txt_sh_hesab);
            return;
        }
        // The amount is kept as digit text; a row read back for editing may carry separators.
        QString price = ui->txt_price->text();
        if (!RegisterDigits(price)) {
            refuse(kPriceMissing, ui->txt_price);
            return;
        }
        if (price.isEmpty())
            price = QStringLiteral("0");
        if (isTaken(QStringLiteral("Pers_number"), persNumber)) {
            refuse(kPersNumberDuplicate, ui->txt_sh_p);
            return;
        }
        saveRow({{QStringLiteral("Pers_number"), persNumber},
                 {QStringLiteral("Hesab"), hesab},
                 {QStringLiteral("First_Name"), ui->txt_name->text()},
                 {QStringLiteral("Last_Name"), ui->txt_family->text()},
                 {QStringLiteral("Price"), price}},
                QStringLiteral("مشخصات پرسنل تغيير کرد"));
    });
}

void Tfrm_customer::PexGlowButton1Click()
{
    guarded([this] {
        if (!askDelete())
            return;
        ExecSql(QStringLiteral("delete from tbl_customer"));
        reopen();
        if (isEditMode())
            btn_newClick();
    });
}
