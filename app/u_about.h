#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class Tfrm_about;
}

// What the program is; shown without modality beside the main window.
class Tfrm_about : public QDialog
{
    Q_OBJECT
public:
    explicit Tfrm_about(QWidget* parent = nullptr);
    ~Tfrm_about() override;

    std::unique_ptr<Ui::Tfrm_about> ui;
};

extern Tfrm_about* frm_about;
