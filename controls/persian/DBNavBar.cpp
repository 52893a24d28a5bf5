#include "controls/persian/DBNavBar.h"

#include "platform/db/DbError.h"
#include "platform/dialogs/Dialogs.h"

#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QTimer>

#include <cmath>
#include <exception>

namespace {

const char* const kCaptions[NavBarButtonCount] = {"First",  "Prior", "Next", "Last",   "Insert",
                                                  "Delete", "Edit",  "Post", "Cancel", "Refresh"};

const char* const kHints[NavBarButtonCount] = {
    "First record",  "Prior record", "Next record", "Last record", "Insert record",
    "Delete record", "Edit record",  "Post edit",   "Cancel edit", "Refresh data"};

QString lineOr(const QStringList& lines, int index, const char* fallback)
{
    if (index < lines.size() && !lines.at(index).isEmpty())
        return lines.at(index);
    return QString::fromLatin1(fallback);
}

// The built-in glyphs, drawn on a 16 x 16 grid scaled into the rectangle.
void paintDefaultGlyph(QPainter& p, const QRectF& r, TNavBarNavigateBtn button, const QColor& color)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(r.topLeft());
    p.scale(r.width() / 16.0, r.height() / 16.0);
    p.setBrush(color);
    p.setPen(Qt::NoPen);
    auto triangle = [&p](QPointF a, QPointF b, QPointF c) {
        const QPointF pts[3] = {a, b, c};
        p.drawPolygon(pts, 3);
    };
    auto strokePen = [&color](qreal width) {
        QPen pen(color, width);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        return pen;
    };
    switch (button) {
    case nbFirst:
        p.drawRect(QRectF(3, 3, 2, 10));
        triangle({12, 3}, {12, 13}, {6, 8});
        break;
    case nbPrior:
        triangle({11, 3}, {11, 13}, {5, 8});
        break;
    case nbNext:
        triangle({5, 3}, {5, 13}, {11, 8});
        break;
    case nbLast:
        triangle({4, 3}, {4, 13}, {10, 8});
        p.drawRect(QRectF(11, 3, 2, 10));
        break;
    case nbInsert:
        p.drawRect(QRectF(7, 3, 2, 10));
        p.drawRect(QRectF(3, 7, 10, 2));
        break;
    case nbDelete:
        p.drawRect(QRectF(3, 7, 10, 2));
        break;
    case nbEdit: {
        const QPointF pts[5] = {{3, 13}, {4, 10}, {11, 3}, {13, 5}, {6, 12}};
        p.drawPolygon(pts, 5);
        break;
    }
    case nbPost: {
        p.setBrush(Qt::NoBrush);
        p.setPen(strokePen(2));
        const QPointF pts[3] = {{3, 8}, {6.5, 12}, {13, 4}};
        p.drawPolyline(pts, 3);
        break;
    }
    case nbCancel:
        p.setPen(strokePen(2));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case nbRefresh: {
        QPainterPath arc;
        const QRectF circle(3, 3, 10, 10);
        arc.arcMoveTo(circle, 90);
        arc.arcTo(circle, 90, 270);
        p.setBrush(Qt::NoBrush);
        p.setPen(strokePen(1.6));
        p.drawPath(arc);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        triangle({10.5, 8.5}, {15.5, 8.5}, {13, 5});
        break;
    }
    }
    p.restore();
}

double luminance(const QColor& c)
{
    auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
           0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// The hue kept, made lighter on a dark button or darker on a light one until it stands out.
QColor readableOn(QColor color, const QColor& ground, double ratio)
{
    const bool darkGround = luminance(ground) < 0.18;
    for (int i = 0; i < 20 && contrast(color, ground) < ratio; ++i)
        color = darkGround ? color.lighter(115) : color.darker(115);
    if (contrast(color, ground) < ratio)
        color = darkGround ? QColor(Qt::white) : QColor(Qt::black);
    return color;
}

QColor glyphColor(TNavBarNavigateBtn button, const QPalette& palette, bool enabled)
{
    if (!enabled)
        return palette.color(QPalette::Disabled, QPalette::ButtonText);
    const QColor ground = palette.color(QPalette::Active, QPalette::Button);
    switch (button) {
    case nbInsert:
    case nbPost:
        return readableOn(QColor(0, 128, 0), ground, 3.0);
    case nbDelete:
    case nbCancel:
        return readableOn(QColor(176, 0, 0), ground, 3.0);
    default:
        return palette.color(QPalette::Active, QPalette::ButtonText);
    }
}

} // namespace

// Follows the bound data set: every move, row change, edit-state change and (de)activation
// brings the buttons up to date. Deleting it drops the connections.
class TDBNavBar::TNavBarDataLink : public QObject
{
public:
    TNavBarDataLink(db::DataSet* dataSet, TDBNavBar* navigator) : QObject(navigator)
    {
        auto update = [navigator] { navigator->updateButtons(); };
        connect(dataSet, &db::DataSet::afterOpen, this, update);
        connect(dataSet, &db::DataSet::afterClose, this, update);
        connect(dataSet, &db::DataSet::afterScroll, this, update);
        connect(dataSet, &db::DataSet::stateChanged, this, update);
        connect(dataSet, &db::DataSet::rowsReset, this, update);
        connect(dataSet, &db::DataSet::rowInserted, this, update);
        connect(dataSet, &db::DataSet::rowRemoved, this, update);
        connect(dataSet, &db::DataSet::currentRowChanged, this, update);
        connect(dataSet, &QObject::destroyed, this, update);
    }
};

// ---------------------------------------------------------------------------------------------

TNavBarButton::TNavBarButton(TNavBarNavigateBtn index, TDBNavBar* navigator)
    : QToolButton(navigator), m_navigator(navigator), m_index(index),
      // Repeating makes sense only for stepping; a held Delete must never delete a run of rows.
      m_repeating(index == nbFirst || index == nbPrior || index == nbNext || index == nbLast),
      m_repeatTimer(new QTimer(this))
{
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_repeatTimer->setInterval(InitRepeatPause);
    connect(m_repeatTimer, &QTimer::timeout, this, &TNavBarButton::repeatTick);
    connect(this, &QAbstractButton::clicked, this, [this] { m_navigator->clickFromUser(m_index); });
}

void TNavBarButton::repeatTick()
{
    m_repeatTimer->setInterval(RepeatPause);
    if (!isDown() || !isEnabled()) {
        stopRepeat();
        return;
    }
    if (!m_navigator->clickFromUser(m_index)) {
        // The error box took the mouse; the release will not come back here.
        stopRepeat();
        setDown(false);
    }
}

void TNavBarButton::stopRepeat()
{
    m_repeatTimer->stop();
    m_repeatTimer->setInterval(InitRepeatPause);
}

void TNavBarButton::mousePressEvent(QMouseEvent* event)
{
    QToolButton::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !isDown())
        return;
    m_navigator->buttonPressed(m_index);
    if (m_repeating) {
        m_repeatTimer->setInterval(InitRepeatPause);
        m_repeatTimer->start();
    }
}

void TNavBarButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        stopRepeat();
    QToolButton::mouseReleaseEvent(event);
}

void TNavBarButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        stopRepeat();
    QToolButton::changeEvent(event);
}

void TNavBarButton::hideEvent(QHideEvent* event)
{
    stopRepeat();
    QToolButton::hideEvent(event);
}

void TNavBarButton::paintGlyph(QPainter& painter, const QRect& rect) const
{
    const QPixmap custom = m_navigator->glyph(m_index);
    if (!custom.isNull()) {
        QIcon(custom).paint(&painter, rect, Qt::AlignCenter,
                            isEnabled() ? QIcon::Normal : QIcon::Disabled);
        return;
    }
    paintDefaultGlyph(painter, QRectF(rect), m_index, glyphColor(m_index, palette(), isEnabled()));
}

void TNavBarButton::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionToolButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionToolButton::HasMenu;
    p.drawComplexControl(QStyle::CC_ToolButton, opt);

    QRect content = rect().adjusted(3, 2, -3, -2);
    if (isDown())
        content.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &opt, this),
                          style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &opt, this));
    if (content.width() <= 0 || content.height() <= 0)
        return;

    const QFontMetrics fm = fontMetrics();
    const int textH = fm.height();
    const int gap = 1;
    const TButtonLayout layout = m_navigator->layout();
    QRect glyphRect;
    QRect textRect;
    if (layout == blGlyphTop || layout == blGlyphBottom) {
        const int g =
            qBound(0, qMin(content.height() - textH - gap, m_navigator->glyphSide()), content.width());
        const int total = (g > 0 ? g + gap : 0) + textH;
        const int top = content.top() + (content.height() - total) / 2;
        const int left = content.left() + (content.width() - g) / 2;
        if (layout == blGlyphTop) {
            glyphRect = QRect(left, top, g, g);
            textRect = QRect(content.left(), top + total - textH, content.width(), textH);
        } else {
            textRect = QRect(content.left(), top, content.width(), textH);
            glyphRect = QRect(left, top + textH + gap, g, g);
        }
    } else {
        const int g = qBound(0, qMin(content.height(), m_navigator->glyphSide()), content.width());
        const int textW = qMax(0, qMin(fm.horizontalAdvance(text()), content.width() - g - 2));
        const int total = g + 2 + textW;
        const int left = content.left() + (content.width() - total) / 2;
        const int top = content.top() + (content.height() - g) / 2;
        if (layout == blGlyphLeft) {
            glyphRect = QRect(left, top, g, g);
            textRect = QRect(left + g + 2, content.top(), textW, content.height());
        } else {
            textRect = QRect(left, content.top(), textW, content.height());
            glyphRect = QRect(left + textW + 2, top, g, g);
        }
    }

    if (glyphRect.width() > 0 && glyphRect.height() > 0)
        paintGlyph(p, glyphRect);
    if (textRect.width() > 0) {
        const QString shown = fm.elidedText(text(), Qt::ElideRight, textRect.width());
        style()->drawItemText(&p, textRect, Qt::AlignCenter, palette(), isEnabled(), shown,
                              QPalette::ButtonText);
    }

    if (m_navigator->showsFocusOn(this)) {
        QStyleOptionFocusRect fr;
        fr.initFrom(this);
        fr.rect = rect().adjusted(2, 2, -2, -2);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, fr);
    }
}

// ---------------------------------------------------------------------------------------------

TDBNavBar::TDBNavBar(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setAutoFillBackground(true);
    for (int i = 0; i < NavBarButtonCount; ++i)
        m_buttons[i] = new TNavBarButton(TNavBarNavigateBtn(i), this);
    resize(300, 25);
    updateTexts();
    updateButtons();
    layoutButtons();
}

TDBNavBar::~TDBNavBar() = default;

int TDBNavBar::glyphSide() const
{
    // The built-in 16 pixels at the ordinary font; a larger desktop font gets larger arrows.
    return qMax(16, fontMetrics().height());
}

QSize TDBNavBar::minimumSizeHint() const
{
    // Every visible button whole: its glyph and its caption, inside the margins the paint keeps.
    const QFontMetrics fm = fontMetrics();
    const int g = glyphSide();
    int caption = 0;
    int n = 0;
    for (TNavBarButton* b : m_buttons)
        if (m_visible.contains(b->index())) {
            caption = qMax(caption, fm.horizontalAdvance(b->text()));
            ++n;
        }
    const bool stacked = m_layout == blGlyphTop || m_layout == blGlyphBottom;
    const int w = stacked ? qMax(g, caption) + 12 : g + 2 + caption + 12;
    const int h = stacked ? g + 1 + fm.height() + 8 : qMax(g, fm.height()) + 8;
    return QSize(qMax(1, n) * w, h);
}

QSize TDBNavBar::sizeHint() const
{
    return QSize(300, 25).expandedTo(minimumSizeHint());
}

db::DataSet* TDBNavBar::dataSource() const
{
    return m_dataSet.data();
}

void TDBNavBar::setDataSource(db::DataSet* dataSet)
{
    if (m_dataSet == dataSet)
        return;
    delete m_link;
    m_link = nullptr;
    m_dataSet = dataSet;
    if (dataSet)
        m_link = new TNavBarDataLink(dataSet, this);
    updateButtons();
}

void TDBNavBar::setVisibleButtons(TButtonSet buttons)
{
    m_visible = buttons;
    updateGeometry();
    for (int i = 0; i < NavBarButtonCount; ++i)
        m_buttons[i]->setVisible(buttons.contains(TNavBarNavigateBtn(i)));
    if (!buttons.contains(m_focused)) {
        for (int i = 0; i < NavBarButtonCount; ++i)
            if (buttons.contains(TNavBarNavigateBtn(i))) {
                setFocusedButton(TNavBarNavigateBtn(i));
                break;
            }
    }
    layoutButtons();
}

void TDBNavBar::setCaptions(const QStringList& captions)
{
    m_captions = captions;
    updateTexts();
}

void TDBNavBar::setHints(const QStringList& hints)
{
    m_hints = hints;
    updateTexts();
}

QString TDBNavBar::defaultCaption(TNavBarNavigateBtn button)
{
    return QString::fromLatin1(kCaptions[button]);
}

QString TDBNavBar::defaultHint(TNavBarNavigateBtn button)
{
    return QString::fromLatin1(kHints[button]);
}

void TDBNavBar::updateTexts()
{
    for (int i = 0; i < NavBarButtonCount; ++i) {
        m_buttons[i]->setText(lineOr(m_captions, i, kCaptions[i]));
        m_buttons[i]->setToolTip(lineOr(m_hints, i, kHints[i]));
    }
    updateGeometry();
}

void TDBNavBar::setFlat(bool flat)
{
    m_flat = flat;
    for (TNavBarButton* b : m_buttons)
        b->setAutoRaise(flat);
}

void TDBNavBar::setTransparent(bool transparent)
{
    m_transparent = transparent;
    setAutoFillBackground(!transparent);
    update();
}

void TDBNavBar::setLayout(TButtonLayout layout)
{
    m_layout = layout;
    updateGeometry();
    for (TNavBarButton* b : m_buttons)
        b->update();
}

void TDBNavBar::setGlyph(TNavBarNavigateBtn button, const QPixmap& glyph)
{
    m_glyphs[button] = glyph;
    m_buttons[button]->update();
}

TDBNavBar::TNotifyEvent& TDBNavBar::handlerOf(TNavBarNavigateBtn button)
{
    switch (button) {
    case nbFirst:
        return OnBtnFirst;
    case nbPrior:
        return OnBtnPrior;
    case nbNext:
        return OnBtnNext;
    case nbLast:
        return OnBtnLast;
    case nbInsert:
        return OnBtnInsert;
    case nbDelete:
        return OnBtnDelete;
    case nbEdit:
        return OnBtnEdit;
    case nbPost:
        return OnBtnPost;
    case nbCancel:
        return OnBtnCancel;
    case nbRefresh:
        break;
    }
    return OnBtnRefresh;
}

void TDBNavBar::BtnClick(TNavBarNavigateBtn button)
{
    if (!m_dataSet || !m_dataSet->isActive())
        return;

    // A move past the last or first row changes eof/bof without a signal, and a failing
    // action may leave the state half changed: look again whatever happens (explicitly: the
    // look reads the data set, which is no work for a destructor).
    try {
        Act(button);
    } catch (...) {
        updateButtons();
        throw;
    }
    updateButtons();
}

void TDBNavBar::Act(TNavBarNavigateBtn button)
{
    if (BeforeAction)
        BeforeAction(this, button);

    if (const TNotifyEvent handler = handlerOf(button)) {
        handler(this);
    } else if (db::DataSet* ds = m_dataSet.data()) {
        switch (button) {
        case nbFirst:
            ds->first();
            break;
        case nbPrior:
            ds->prior();
            break;
        case nbNext:
            ds->next();
            break;
        case nbLast:
            ds->last();
            break;
        case nbInsert:
            ds->insert();
            break;
        case nbDelete: {
            bool remove = true;
            if (m_confirmDelete) {
                dialogs::Message m;
                m.text = QStringLiteral("Delete record?");
                m.icon = dialogs::Icon::Confirmation;
                m.buttons = dialogs::Button::Ok | dialogs::Button::Cancel;
                m.rightToLeft = false;
                remove = dialogs::show(m, this) != dialogs::Button::Cancel;
            }
            // The box runs an event loop: the data set may be gone by now.
            if (remove && m_dataSet)
                m_dataSet->remove();
            break;
        }
        case nbEdit:
            ds->edit();
            break;
        case nbPost:
            ds->post();
            break;
        case nbCancel:
            ds->cancel();
            break;
        case nbRefresh:
            ds->refresh();
            break;
        }
    }

    if (OnClick)
        OnClick(this, button);
}

bool TDBNavBar::clickFromUser(TNavBarNavigateBtn button)
{
    try {
        BtnClick(button);
        return true;
    } catch (const db::Error& e) {
        dialogs::showError(e.message(), this);
    } catch (const std::exception& e) {
        dialogs::showError(QString::fromLocal8Bit(e.what()), this);
    }
    return false;
}

void TDBNavBar::buttonPressed(TNavBarNavigateBtn button)
{
    setFocusedButton(button);
}

void TDBNavBar::updateButtons()
{
    const db::DataSet* ds = m_dataSet.data();
    const bool active = isEnabled() && ds && ds->isActive();
    const bool canModify = active && !ds->baseTable().isEmpty();
    const bool editing = active && ds->isEditing();

    // Where the current row stands, however it got there (a grid moves by row number and
    // leaves the read-past flags alone): on the last row there is nothing further to go to.
    const int row = active ? ds->currentRow() : -1;
    const int rows = active ? ds->recordCount() : 0;
    const bool atBeginning = !active || ds->bof() || row <= 0;
    const bool atEnd = !active || ds->eof() || row < 0 || row >= rows - 1;
    m_buttons[nbFirst]->setEnabled(active && !atBeginning);
    m_buttons[nbPrior]->setEnabled(active && !atBeginning);
    m_buttons[nbNext]->setEnabled(active && !atEnd);
    m_buttons[nbLast]->setEnabled(active && !atEnd);
    // Not "bof and eof": a single row read forward past its end has both set and can still
    // be deleted.
    m_buttons[nbDelete]->setEnabled(canModify && !ds->isEmpty());
    m_buttons[nbInsert]->setEnabled(canModify);
    m_buttons[nbRefresh]->setEnabled(canModify);
    m_buttons[nbEdit]->setEnabled(canModify && !editing);
    m_buttons[nbPost]->setEnabled(canModify && editing);
    m_buttons[nbCancel]->setEnabled(canModify && editing);
}

void TDBNavBar::layoutButtons()
{
    QVector<TNavBarButton*> shown;
    for (TNavBarButton* b : m_buttons)
        if (m_visible.contains(b->index()))
            shown.append(b);
    if (shown.isEmpty())
        return;
    const int n = int(shown.size());
    const int w = width() / n;
    const int extra = width() % n;
    int x = 0;
    for (int k = 0; k < n; ++k) {
        const int bw = w + (k < extra ? 1 : 0);
        shown[k]->setGeometry(x, 0, bw, height());
        x += bw;
    }
}

void TDBNavBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutButtons();
}

void TDBNavBar::setFocusedButton(TNavBarNavigateBtn button)
{
    if (m_focused == button)
        return;
    const TNavBarNavigateBtn old = m_focused;
    m_focused = button;
    m_buttons[old]->update();
    m_buttons[button]->update();
}

bool TDBNavBar::showsFocusOn(const TNavBarButton* button) const
{
    return hasFocus() && button->index() == m_focused;
}

void TDBNavBar::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        if (m_visible.contains(m_focused) && m_buttons[m_focused]->isEnabled())
            clickFromUser(m_focused);
        event->accept();
        return;
    case Qt::Key_Left:
        for (int i = m_focused - 1; i >= 0; --i)
            if (m_visible.contains(TNavBarNavigateBtn(i))) {
                setFocusedButton(TNavBarNavigateBtn(i));
                break;
            }
        event->accept();
        return;
    case Qt::Key_Right:
        for (int i = m_focused + 1; i < NavBarButtonCount; ++i)
            if (m_visible.contains(TNavBarNavigateBtn(i))) {
                setFocusedButton(TNavBarNavigateBtn(i));
                break;
            }
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TDBNavBar::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateButtons();
    else if (event->type() == QEvent::FontChange)
        updateGeometry();
}

void TDBNavBar::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    m_buttons[m_focused]->update();
}

void TDBNavBar::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    m_buttons[m_focused]->update();
}
