#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class Tfrm_main;
}

// The main window: the program's menu of tasks. Closing it ends the program.
class Tfrm_main : public QWidget
{
    Q_OBJECT
public:
    explicit Tfrm_main(QWidget* parent = nullptr);
    ~Tfrm_main() override;

    std::unique_ptr<Ui::Tfrm_main> ui;

public slots:
    void PexGlowButton1Click();
    void PexGlowButton2Click();
    void PexGlowButton3Click();
    void PexGlowButton4Click();
    void PexGlowButton5Click();
    void PexGlowButton6Click();
    void BitBtn4Click();
    void BitBtn3Click();

protected:
    void closeEvent(QCloseEvent* event) override;
};

extern Tfrm_main* frm_main;
