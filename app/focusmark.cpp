#include "app/focusmark.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>

namespace {

constexpr int kMargin = 2;

class Mark : public QWidget
{
public:
    explicit Mark(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("focusMark"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

    void follow(QWidget* target)
    {
        if (m_target)
            m_target->removeEventFilter(this);
        m_target = target;
        if (!target) {
            hide();
            return;
        }
        if (parentWidget() != target->parentWidget())
            setParent(target->parentWidget());
        target->installEventFilter(this);
        place();
        show();
        raise();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_target) {
            switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
                place();
                break;
            case QEvent::Hide:
                hide();
                break;
            default:
                break;
            }
        }
        return false;
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        QPen pen(palette().color(QPalette::Highlight), kMargin);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }

private:
    void place()
    {
        if (m_target)
            setGeometry(m_target->geometry().adjusted(-kMargin - 1, -kMargin - 1, kMargin + 1,
                                                      kMargin + 1));
    }

    QPointer<QWidget> m_target;
};

QPointer<Mark> g_mark;

bool wantsMark(QWidget* w)
{
    return w && w->parentWidget() &&
           (qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractItemView*>(w));
}

} // namespace

void ShowFocusMarks()
{
    QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget*, QWidget* now) {
        if (!wantsMark(now)) {
            if (g_mark)
                g_mark->follow(nullptr);
            return;
        }
        if (!g_mark)
            g_mark = new Mark(now->parentWidget());
        g_mark->follow(now);
    });
}

QWidget* FocusMark()
{
    return g_mark && g_mark->isVisible() ? g_mark.data() : nullptr;
}
