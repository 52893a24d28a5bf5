#pragma once

#include "app/register_window.h"

#include <memory>

namespace Ui {
class Tfrm_ghaleb;
}

// The bank-file template editor.
class Tfrm_ghaleb : public RegisterWindow
{
    Q_OBJECT
public:
    explicit Tfrm_ghaleb(QWidget* parent = nullptr);
    ~Tfrm_ghaleb() override;

    std::unique_ptr<Ui::Tfrm_ghaleb> ui;

public slots:
    void btn_saveClick() override;

private:
    bool txt_file_extentionKeyDown(QKeyEvent* event);
};

extern Tfrm_ghaleb* frm_ghaleb;
