#pragma once

#include "app/register_window.h"

#include <memory>

namespace Ui {
class Tfrm_customer;
}

// The personnel register: personnel number, account number, name and default amount.
class Tfrm_customer : public RegisterWindow
{
    Q_OBJECT
public:
    explicit Tfrm_customer(QWidget* parent = nullptr);
    ~Tfrm_customer() override;

    std::unique_ptr<Ui::Tfrm_customer> ui;

public slots:
    void btn_saveClick() override;
    void PexGlowButton1Click();
};

extern Tfrm_customer* frm_customer;
