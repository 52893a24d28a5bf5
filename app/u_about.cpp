#include "app/u_about.h"

#include "ui_u_about.h"

#include <QStyle>

Tfrm_about* frm_about = nullptr;

Tfrm_about::Tfrm_about(QWidget* parent) : QDialog(parent), ui(new Ui::Tfrm_about)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("frm_about"));
    setModal(false);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    ui->Image1->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(side, side));
}

Tfrm_about::~Tfrm_about() = default;
