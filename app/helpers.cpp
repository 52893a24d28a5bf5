#include "app/helpers.h"

#include "app/core/banklines.h"
#include "app/u_dm.h"
#include "controls/persian/DBNavBar.h"
#include "controls/styled/PexGlowButton.h"
#include "platform/codepage/CodePage.h"
#include "platform/dataaware/EditRules.h"

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <stdexcept>

namespace {

QPointer<QMessageBox> g_wait;

dialogs::Button showBox(const QString& msg, dialogs::Icon icon, dialogs::Buttons buttons,
                        const QString& caption, QStringList captions)
{
    dialogs::Message m;
    m.title = caption;
    m.text = msg;
    m.icon = icon;
    m.buttons = buttons;
    m.captions = std::move(captions);
    m.rightToLeft = true;
    return dialogs::show(m, QApplication::activeWindow());
}

} // namespace

QString applicationTitle()
{
    return dialogs::applicationTitle();
}

void Guarded(QWidget* parent, const std::function<void()>& body)
{
    QString message;
    try {
        body();
        return;
    } catch (const BankLineError& e) {
        message = e.message();
    } catch (const db::Error& e) {
        message = e.message();
    } catch (const ECodePageError& e) {
        message = e.message();
    } catch (const std::exception& e) {
        // The import wizard's and the readers' failures: their text is the message.
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("Unexpected error.");
    }
    ShowWaitWindow(false);
    dialogs::showError(message, parent);
}

QObject* RequireControl(QObject* form, const QString& name, const char* kind,
                        const std::function<QObject*(QObject*, const QString&)>& find)
{
    if (QObject* o = find(form, name))
        return o;
    throw std::logic_error(QStringLiteral("The window %1 has no control %2 of kind %3.")
                               .arg(form->objectName(), name, QLatin1String(kind))
                               .toStdString());
}

BankTemplate TemplateFromDataSet(const db::DataSet& ds)
{
    BankTemplate t;
    t.id = ds.value(QStringLiteral("id")).toLongLong();
    t.bank_name = ds.text(QStringLiteral("bank_name"));
    t.record_start = ds.text(QStringLiteral("record_start"));
    t.record_end = ds.text(QStringLiteral("record_end"));
    t.char_start = ds.text(QStringLiteral("char_start"));
    t.char_end = ds.text(QStringLiteral("char_end"));
    t.char_split = ds.text(QStringLiteral("char_split"));
    t.tol_hesab = ds.text(QStringLiteral("tol_hesab"));
    t.tol_price = ds.text(QStringLiteral("tol_price"));
    t.file_name = ds.text(QStringLiteral("file_name"));
    t.file_extention = ds.text(QStringLiteral("file_extention"));
    return t;
}

void MakeDigitsOnly(QLineEdit* box)
{
    dataaware::setDigitsOnly(box);
    box->setLayoutDirection(Qt::LeftToRight);
}

void SetupNavigator(TDBNavBar* nav, db::DataSet* dataSet, const TButtonSet& buttons)
{
    nav->setDataSource(dataSet);
    nav->setVisibleButtons(buttons);
    nav->setConfirmDelete(false);
    nav->setLayout(blGlyphTop);
    const QStringList names = {QStringLiteral("اولين"),  QStringLiteral("قبلي"),
                               QStringLiteral("بعدي"),   QStringLiteral("آخرين"),
                               QStringLiteral("جديد"),   QStringLiteral("حذف"),
                               QStringLiteral("ويرايش"), QStringLiteral("قبول"),
                               QStringLiteral("انصراف"), QStringLiteral("بازيابي")};
    nav->setCaptions(names);
    nav->setHints(names);
}

void ShowWaitWindow(bool Show)
{
    if (Show) {
        if (!g_wait) {
            g_wait = new QMessageBox(QMessageBox::Information, QStringLiteral(" "),
                                     QStringLiteral(" Please Wait...\nلطفاً چند لحظه صبر کنيد "),
                                     QMessageBox::NoButton);
            g_wait->setObjectName(QStringLiteral("frm_wait"));
            g_wait->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
            g_wait->setStandardButtons(QMessageBox::NoButton);
            g_wait->setModal(false);
            g_wait->setLayoutDirection(Qt::RightToLeft);
        }
        if (!g_wait->isVisible())
            g_wait->show();
        g_wait->repaint();
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return;
    }
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frm_wait")) {
            w->close();
            delete w;
        }
}

dialogs::Button AskYesNo(const QString& Msg, dialogs::Icon DlgType, dialogs::Buttons Buttons,
                         const QString& Caption)
{
    return showBox(Msg, DlgType, Buttons, Caption, {QStringLiteral("بلي"), QStringLiteral("خير")});
}

dialogs::Button ShowOkMessage(const QString& Msg, dialogs::Icon DlgType, dialogs::Buttons Buttons,
                              const QString& Caption)
{
    return showBox(Msg, DlgType, Buttons, Caption, {QStringLiteral("تائيد")});
}

int ExecSql(const QString& Sql, const db::Params& params)
{
    return frm_dm->Connection->exec(Sql, params);
}

void OpenSql(const QString& Sql, db::DataSet* Query, const db::Params& params)
{
    Query->close();
    Query->setSql(Sql);
    Query->setParams(params);
    Query->open();
}

void SetGlowButtonsLook(QWidget* window)
{
    for (pex::TPexGlowButton* b : window->findChildren<pex::TPexGlowButton*>())
        b->Appearance()->setBorderColor(pex::clGray);
}

double ContrastRatio(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& colour, const QColor& ground, double ratio)
{
    if (ContrastRatio(colour, ground) >= ratio)
        return colour;
    const bool darkGround = ground.lightnessF() < 0.5;
    QColor c = colour.toHsl();
    for (int i = 0; i < 40 && ContrastRatio(c, ground) < ratio; ++i) {
        const double l = qBound(0.0, c.lightnessF() + (darkGround ? 0.025 : -0.025), 1.0);
        c.setHslF(c.hslHueF(), c.hslSaturationF(), l);
    }
    return c.toRgb();
}

void SetLabelColour(QLabel* label, const QColor& colour)
{
    const QWidget* window = label->window();
    QPalette p = label->palette();
    const QColor ground = window->palette().color(QPalette::Window);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
        p.setColor(g, QPalette::WindowText, ReadableOn(colour, ground));
    label->setPalette(p);
}

double FontGrowth(const QWidget* widget)
{
    // The windows were drawn for the toolkit's ordinary 9-point desktop font.
    QFont ordinary = widget->font();
    ordinary.setPointSizeF(9);
    const double grown = double(QFontMetrics(widget->font()).height()) /
                         QFontMetrics(ordinary).height();
    return qMax(1.0, grown);
}

int RecordNumberWidth(const QWidget* grid)
{
    const QFontMetrics fm = grid->fontMetrics();
    int digit = 0;
    for (char16_t c = u'0'; c <= u'9'; ++c)
        digit = qMax(digit, fm.horizontalAdvance(QChar(c)));
    // The cell's margins on both sides, and a little air.
    const int margin =
        2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
    return 6 * digit + margin + 8;
}

const QColor kBannerColour(0x1f, 0x4e, 0x8c);

void StyleBanner(QLabel* banner)
{
    QFont f = banner->font();
    f.setBold(true);
    if (f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * 1.25);
    else
        f.setPixelSize(qRound(f.pixelSize() * 1.25));
    banner->setFont(f);
    SetLabelColour(banner, kBannerColour);
}

QMargins FrameMargins(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    if (window->isVisible() && frame != inner)
        return QMargins(inner.left() - frame.left(), inner.top() - frame.top(),
                        frame.right() - inner.right(), frame.bottom() - inner.bottom());
    // Not framed yet: a title bar and borders of a generous size, so that the frame the
    // window manager adds later still fits.
    const int title = qMax(32, 2 * window->fontMetrics().height());
    return QMargins(8, title, 8, 8);
}

namespace {

// Moves a window's contents into a scroll area, so that the window can be smaller than they
// are. The scroll area is made inside the window first: the controls never leave their
// window, and the order the Tab key follows stays as it was.
void ScrollContents(QWidget* window)
{
    QLayout* inner = window->layout();
    if (!inner || window->findChild<QScrollArea*>(QStringLiteral("fitScroll"),
                                                  Qt::FindDirectChildrenOnly))
        return;
    auto* scroll = new QScrollArea(window);
    scroll->setObjectName(QStringLiteral("fitScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    // Tab goes from control to control as before; the area brings the one reached into view.
    scroll->setFocusPolicy(Qt::NoFocus);
    auto* content = new QWidget(scroll->viewport());
    content->setObjectName(QStringLiteral("fitContent"));
    scroll->setWidget(content);
    content->setLayout(inner); // takes the layout and its controls from the window
    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    scroll->show();
}

// After the window system has placed and framed a window, keeps it on its screen.
class ScreenKeeper : public QObject
{
public:
    explicit ScreenKeeper(QWidget* window) : QObject(window), m_window(window)
    {
        setObjectName(QStringLiteral("screenKeeper"));
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_window)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            m_shown.start();
            QTimer::singleShot(0, this, [this] { keep(); });
            // The frame's size comes later than the show on some window systems.
            QTimer::singleShot(300, this, [this] { keep(); });
            break;
        case QEvent::Move:
        case QEvent::Resize:
            // The window manager's own placing, not the clerk's later moves.
            if (m_shown.isValid() && m_shown.elapsed() < 1000)
                QTimer::singleShot(0, this, [this] { keep(); });
            break;
        default:
            break;
        }
        return false;
    }

private:
    void keep()
    {
        if (m_window->isVisible() && !m_window->isMaximized() && !m_window->isFullScreen())
            if (const QScreen* screen = m_window->screen())
                KeepWithin(m_window, screen->availableGeometry());
    }

    QWidget* m_window;
    QElapsedTimer m_shown;
};

} // namespace

void KeepRoomFor(QWidget* box, const QString& sample)
{
    const int need = box->fontMetrics().horizontalAdvance(sample) + 16;
    box->setMinimumWidth(qMax(box->minimumWidth(), need));
}

void KeepWithin(QWidget* window, const QRect& area)
{
    const QMargins frame = FrameMargins(window);
    const QSize room = area.size().shrunkBy(frame);
    const bool fixed = window->minimumSize() == window->maximumSize();
    if (!fixed) {
        if (QLayout* l = window->layout())
            l->activate();
        const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
        if (least.width() > room.width() || least.height() > room.height()) {
            ScrollContents(window);
            window->layout()->activate();
        }
        const QSize size = window->size().boundedTo(room).expandedTo(window->minimumSize());
        if (size != window->size())
            window->resize(size);
    }
    // A window placed by the program or already shown keeps its frame inside the area; one
    // not yet shown is placed by the window manager.
    if (window->isVisible() || window->testAttribute(Qt::WA_Moved)) {
        const QSize outer = window->size().grownBy(frame);
        const int x = qMax(area.left(), qMin(window->x(), area.right() + 1 - outer.width()));
        const int y = qMax(area.top(), qMin(window->y(), area.bottom() + 1 - outer.height()));
        if (QPoint(x, y) != window->pos())
            window->move(x, y);
    }
}

void GrowToFit(QWidget* window)
{
    // The designed size grows with the font as the window's contents do.
    const double growth = FontGrowth(window);
    window->resize(QSize(qRound(window->width() * growth), qRound(window->height() * growth))
                       .expandedTo(window->sizeHint()));
    if (const QScreen* screen = window->screen())
        KeepWithin(window, screen->availableGeometry());
    if (!window->findChild<QObject*>(QStringLiteral("screenKeeper"), Qt::FindDirectChildrenOnly))
        new ScreenKeeper(window);
}
