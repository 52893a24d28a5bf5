#pragma once

#include "app/listwindow.h"

#include <memory>

namespace Ui {
class Tfrm_mali;
class Tfrm_sepah;
class Tfrm_sepah2;
} // namespace Ui
namespace dataaware {
class DBEdit;
}
class TDateEdit;

// Bank Tejarat: account 10, amount 13 and the deposit date; a header line with the
// employer's account and the list's total.
class Tfrm_mali : public ListWindow
{
    Q_OBJECT
public:
    explicit Tfrm_mali(QWidget* parent = nullptr);
    ~Tfrm_mali() override;

    std::unique_ptr<Ui::Tfrm_mali> ui;
    dataaware::DBEdit* DBEdit1;
    dataaware::DBEdit* DBEdit2;
    TDateEdit* DateEdit1;

    // The six date digits of the deposit date, or empty (with the message shown) when none or
    // when its year is not of four digits.
    QString depositDate();
    // The header line as the file holds it, the total counted from the list.
    QString headerLine(const QString& date6);

public slots:
    void FormShow() override;
    void BitBtn1Click() override;
    void BitBtn4Click() override;
    void btn_saveClick() override;
    void BitBtn3Click();
    void BitBtn6Click();

protected:
    bool amountKeepsOwnKeys() const override { return true; }
};

// Bank Sepah card and gold current accounts: account 13, amount 10, then "+1".
class Tfrm_sepah : public ListWindow
{
    Q_OBJECT
public:
    explicit Tfrm_sepah(QWidget* parent = nullptr);
    ~Tfrm_sepah() override;

    std::unique_ptr<Ui::Tfrm_sepah> ui;
    dataaware::DBEdit* DBEdit2;

    QString headerLine();

public slots:
    void BitBtn1Click() override;
    void BitBtn4Click() override;
    void btn_saveClick() override;
    void BitBtn3Click();
};

// Bank Sepah current, short-term and interest-free accounts: branch code, account 8,
// amount 12, then "+"; no header line.
class Tfrm_sepah2 : public ListWindow
{
    Q_OBJECT
public:
    explicit Tfrm_sepah2(QWidget* parent = nullptr);
    ~Tfrm_sepah2() override;

    std::unique_ptr<Ui::Tfrm_sepah2> ui;

public slots:
    void BitBtn1Click() override;
    void BitBtn4Click() override;
    void btn_saveClick() override;
};

// The refusal of a deposit date whose year is not of four digits, naming the date.
QString TejaratYearMessage(const QString& date);

extern Tfrm_mali* frm_mali;
extern Tfrm_sepah* frm_sepah;
extern Tfrm_sepah2* frm_sepah2;
