#include "controls/styled/PexGlowButton.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>

namespace pex {

// ---------------------------------------------------------------------------------------------
// Key tips and the hint's accelerator

// The small box that shows a button's key tip; it sits on the button's window so that it may
// stand outside the button.
class KeyTipBox : public QWidget
{
public:
    explicit KeyTipBox(TPexGlowButton* button) : QWidget(button->window()), m_button(button)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setObjectName(QStringLiteral("KeyTip"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!m_button)
            return;
        QPainter p(this);
        const QPalette& pal = StyledPalette();
        p.fillRect(rect(), pal.color(QPalette::ToolTipBase));
        p.setPen(pal.color(QPalette::Shadow));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.setPen(pal.color(QPalette::ToolTipText));
        p.setFont(m_button->font());
        p.drawText(rect(), Qt::AlignCenter, m_button->ShortCutHint());
    }

private:
    QPointer<TPexGlowButton> m_button;
};

namespace {

// Watches the Alt key for the whole program: while it is held in a window, the key tips of
// that window's buttons show.
class KeyTipWatcher : public QObject
{
public:
    static KeyTipWatcher& instance()
    {
        static KeyTipWatcher* watcher = [] {
            auto* w = new KeyTipWatcher(qApp);
            qApp->installEventFilter(w);
            return w;
        }();
        return *watcher;
    }

    QPointer<QWidget> shownIn;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* k = static_cast<QKeyEvent*>(e);
            auto* w = qobject_cast<QWidget*>(watched);
            if (k->key() != Qt::Key_Alt || k->isAutoRepeat() || !w)
                break;
            // Every receiver up the chain sees the same event: act once, on the window.
            QWidget* window = w->window();
            if (e->type() == QEvent::KeyPress && shownIn != window)
                show(window);
            else if (e->type() == QEvent::KeyRelease && shownIn)
                show(nullptr);
            break;
        }
        case QEvent::WindowDeactivate:
        case QEvent::ApplicationDeactivate:
            if (shownIn && (watched == shownIn || watched == qApp))
                show(nullptr);
            break;
        default:
            break;
        }
        return false;
    }

private:
    using QObject::QObject;

    void show(QWidget* window)
    {
        QPointer<QWidget> old = shownIn;
        shownIn = window;
        for (QWidget* w : {old.data(), window})
            if (w)
                for (TPexGlowButton* b : w->findChildren<TPexGlowButton*>())
                    b->syncKeyTip();
    }
};

} // namespace

void TPexGlowButton::setShortCutHint(const QString& v)
{
    if (v == m_shortCutHint)
        return;
    m_shortCutHint = v;
    if (!v.isEmpty())
        KeyTipWatcher::instance();
    syncKeyTip();
}

void TPexGlowButton::setShortCutHintPos(TShortCutHintPos v)
{
    if (v == m_shortCutHintPos)
        return;
    m_shortCutHintPos = v;
    syncKeyTip();
}

bool TPexGlowButton::KeyTipShown() const
{
    return !m_shortCutHint.isEmpty() && isVisible() && window() != this &&
           KeyTipWatcher::instance().shownIn == window();
}

QRect TPexGlowButton::KeyTipRect() const
{
    if (m_shortCutHint.isEmpty())
        return {};
    const QFontMetrics fm(font());
    const QSize box(fm.horizontalAdvance(m_shortCutHint) + 8, fm.height() + 4);
    const QRect b(mapTo(window(), QPoint(0, 0)), size());
    // Where the box's centre goes: an x on the button (left edge, middle, right edge; or the box
    // starts where the button starts) and a y (above it, on its top edge, its middle, its bottom
    // edge, below it).
    enum { L, C, R, Start };
    enum { Above, Top, Middle, Bottom, Below };
    // In the order of TShortCutHintPos.
    static constexpr struct
    {
        int hx, vy;
    } kPlaces[] = {{L, Middle}, {C, Top},       {R, Middle}, {C, Bottom}, {C, Middle}, {C, Bottom},
                   {L, Top},    {R, Top},       {C, Above},  {L, Above},  {R, Above},  {L, Bottom},
                   {R, Bottom}, {Start, Below}, {L, Below},  {R, Below},  {C, Below}};
    const int hx = kPlaces[m_shortCutHintPos].hx;
    int vy = kPlaces[m_shortCutHintPos].vy;
    // Auto: under a button in the upper half of its window, over one below.
    if (m_shortCutHintPos == shpAuto && b.center().y() >= window()->height() / 2)
        vy = Top;
    int x;
    if (hx == L)
        x = b.left() - box.width() / 2;
    else if (hx == R)
        x = b.right() + 1 - box.width() / 2;
    else if (hx == C)
        x = b.left() + (b.width() - box.width()) / 2;
    else
        x = b.left();
    int y;
    switch (vy) {
    case Above:
        y = b.top() - box.height();
        break;
    case Top:
        y = b.top() - box.height() / 2;
        break;
    case Bottom:
        y = b.bottom() + 1 - box.height() / 2;
        break;
    case Below:
        y = b.bottom() + 1;
        break;
    default:
        y = b.top() + (b.height() - box.height()) / 2;
        break;
    }
    return QRect(QPoint(x, y), box);
}

void TPexGlowButton::syncKeyTip()
{
    if (!KeyTipShown()) {
        if (m_keyTip)
            m_keyTip->hide();
        return;
    }
    if (!m_keyTip || m_keyTip->parentWidget() != window()) {
        delete m_keyTip;
        m_keyTip = new KeyTipBox(this);
    }
    m_keyTip->setGeometry(KeyTipRect());
    m_keyTip->show();
    m_keyTip->raise();
    m_keyTip->update();
}

void TPexGlowButton::setOfficeHint(const TPexHintInfo* h)
{
    m_officeHint->Assign(h);
    updateHintShortcut();
}

void TPexGlowButton::updateHintShortcut()
{
    // The hint's title offers its accelerator beside the caption's.
    const QKeySequence seq = QKeySequence::mnemonic(m_officeHint->Title);
    if (m_hintShortcut != 0) {
        releaseShortcut(m_hintShortcut);
        m_hintShortcut = 0;
    }
    if (!seq.isEmpty() && seq != QKeySequence::mnemonic(text()))
        m_hintShortcut = grabShortcut(seq);
}

} // namespace pex
