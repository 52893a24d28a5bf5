#include "app/u_main.h"

#include "ui_u_main.h"

#include "app/fixedwindows.h"
#include "app/helpers.h"
#include "app/u_about.h"
#include "app/u_customer.h"
#include "app/u_ghaleb.h"
#include "app/u_sepah3.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>

Tfrm_main* frm_main = nullptr;

namespace {

// The task windows are shown modally over the main window and hide when closed.
void showModal(QWidget* w)
{
    if (!w)
        return;
    // Over the main window, as far as the screen allows.
    if (frm_main && !w->isVisible()) {
        QRect g(QPoint(), w->frameGeometry().size());
        g.moveCenter(frm_main->frameGeometry().center());
        if (QScreen* s = frm_main->screen()) {
            const QRect a = s->availableGeometry();
            g.moveLeft(qBound(a.left(), g.left(), qMax(a.left(), a.right() - g.width())));
            g.moveTop(qBound(a.top(), g.top(), qMax(a.top(), a.bottom() - g.height())));
        }
        w->move(g.topLeft());
    }
    w->setWindowModality(Qt::ApplicationModal);
    w->show();
    w->raise();
    w->activateWindow();
}

} // namespace

Tfrm_main::Tfrm_main(QWidget* parent) : QWidget(parent), ui(new Ui::Tfrm_main)
{
    ui->setupUi(this);
    SetGlowButtonsLook(this);
    setObjectName(QStringLiteral("frm_main"));
    setAttribute(Qt::WA_StyledBackground);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    // No resizing, but as large as the desktop's font needs (the designed size at least), and
    // wide enough that the title bar shows the whole title.
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics title(bold);
    const QSize room(title.horizontalAdvance(windowTitle()) + 7 * title.height(), 0);
    setFixedSize(QSize(295, 470).expandedTo(minimumSizeHint()).expandedTo(room));
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    connect(ui->PexGlowButton1, &QPushButton::clicked, this, &Tfrm_main::PexGlowButton1Click);
    connect(ui->PexGlowButton2, &QPushButton::clicked, this, &Tfrm_main::PexGlowButton2Click);
    connect(ui->PexGlowButton3, &QPushButton::clicked, this, &Tfrm_main::PexGlowButton3Click);
    connect(ui->PexGlowButton4, &QPushButton::clicked, this, &Tfrm_main::PexGlowButton4Click);
    connect(ui->PexGlowButton5, &QPushButton::clicked, this, &Tfrm_main::PexGlowButton5Click);
    connect(ui->PexGlowButton6, &QPushButton::clicked, this, &Tfrm_main::PexGlowButton6Click);
    connect(ui->BitBtn4, &QToolButton::clicked, this, &Tfrm_main::BitBtn4Click);
}

Tfrm_main::~Tfrm_main() = default;

void Tfrm_main::PexGlowButton1Click()
{
    showModal(frm_customer);
}
void Tfrm_main::PexGlowButton2Click()
{
    showModal(frm_mali);
}
void Tfrm_main::PexGlowButton3Click()
{
    showModal(frm_sepah);
}
void Tfrm_main::PexGlowButton4Click()
{
    showModal(frm_sepah2);
}
void Tfrm_main::PexGlowButton5Click()
{
    showModal(frm_sepah3);
}
void Tfrm_main::PexGlowButton6Click()
{
    showModal(frm_ghaleb);
}
// The about box is modeless and may stay beside the main window.
void Tfrm_main::BitBtn4Click()
{
    if (!frm_about)
        return;
    frm_about->show();
    frm_about->raise();
    frm_about->activateWindow();
}

void Tfrm_main::closeEvent(QCloseEvent* event)
{
    // The program ends with the main window: a modeless about box must not keep it running.
    if (frm_about)
        frm_about->close();
    QWidget::closeEvent(event);
}

void Tfrm_main::BitBtn3Click()
{
    QApplication::quit();
}
