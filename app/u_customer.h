#pragma once

#include "app/register_window.h"

#include <memory>

namespace Ui {
class Tfrm_customer;
}
class TDurvel3Wizard;
class RegisterImportDataSet;
class DurvelDbGridDestination;

// The personnel register: personnel number, account number, name and default amount.
class Tfrm_customer : public RegisterWindow
{
    Q_OBJECT
public:
    explicit Tfrm_customer(QWidget* parent = nullptr);
    ~Tfrm_customer() override;

    std::unique_ptr<Ui::Tfrm_customer> ui;
    // Imports into the register through the personnel query.
    TDurvel3Wizard* Durvel3Wizard1 = nullptr;

public slots:
    void btn_saveClick() override;
    void PexGlowButton1Click();
    void BitBtn1Click();

private:
    std::unique_ptr<RegisterImportDataSet> m_importDataSet;
    std::unique_ptr<DurvelDbGridDestination> m_importGrid;
};

extern Tfrm_customer* frm_customer;
