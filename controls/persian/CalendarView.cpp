#include "controls/persian/CalendarView.h"

#include "controls/persian/Utils.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <climits>

namespace {

// Colour values are kept in the 0xBBGGRR order they were always written in.
QColor bgr(quint32 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

constexpr int kMaxYear = 65535;

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

int firstOfMonth(int serial)
{
    quint16 y, m, d;
    if (!SerialToPersianDate(serial, y, m, d))
        return 0;
    return PersianDateToSerial(y, m, 1);
}

// Saturday 1 .. Friday 7, for any year (the date-based routine reads years below 1000
// as 13xx).
int weekdayOfSerial(int serial)
{
    static const int anchor = PersianDateToSerial(1403, 1, 1); // a Wednesday, 5
    return int(((qint64(serial) - anchor) % 7 + 7 + 4) % 7) + 1;
}

} // namespace

TCalendarView::TCalendarView(QWidget* parent) : QWidget(parent)
{
    mTodayColor = bgr(0xFFFFFF);
    mTodayBackColor = bgr(0xFF8000);
    mSelectColor = bgr(0x800000);
    mSelectBackColor = bgr(0xF8F9F7);
    mFridayColor = bgr(0x0000FF);
    mWeekTitleColor = bgr(0xFF0000);
    mWeekBackColor = bgr(0xC0C0C0);
    mPriorMonthColor = bgr(0xC0C0C0);
    mSpringColor = bgr(0xFFFFFF);
    mSpringBackColor = bgr(0x008000);
    mSummerColor = bgr(0x00FF00);
    mSummerBackColor = bgr(0x004000);
    mAtumnColor = bgr(0x000000);
    mAtumnBackColor = bgr(0x00FFFF);
    mWinterColor = bgr(0xFFFFFF);
    mWinterBackColor = bgr(0xFF0000);
    mUnSelectColor = bgr(0xC0C0C0);
    mUnSelectBackColor = bgr(0x808080);
    mMouseOnColor = bgr(0x0000FF);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setLayoutDirection(Qt::RightToLeft);

    quint16 y = 0, m = 0, d = 0;
    if (SerialToPersianDate(TodayPersianSerial(), y, m, d)) {
        selYear = y;
        selMonth = m;
        selDay = d;
    } else {
        selYear = selMonth = selDay = 1;
    }
    measureCells();
    resize(180, 180);
}

void TCalendarView::setSelYear(int year)
{
    if (year < 1 || year > kMaxYear)
        return;
    const int day = qMin(selDay, PersianMonthDays(quint16(year), quint16(selMonth)));
    selectSerial(PersianDateToSerial(quint16(year), quint16(selMonth), quint16(day)));
}

void TCalendarView::setSelMonth(int month)
{
    const qint64 total = qint64(selYear) * 12 + (qint64(month) - 1);
    const qint64 year = floorDiv(total, 12);
    const int newMonth = int(total - year * 12) + 1;
    if (year < 1 || year > kMaxYear)
        return;
    const int day = qMin(selDay, PersianMonthDays(quint16(year), quint16(newMonth)));
    selectSerial(PersianDateToSerial(quint16(year), quint16(newMonth), quint16(day)));
}

void TCalendarView::setSelDay(int day)
{
    const qint64 serial =
        qint64(PersianDateToSerial(quint16(selYear), quint16(selMonth), 1)) + day - 1;
    if (serial < 1 || serial > INT_MAX)
        return;
    selectSerial(int(serial));
}

QDate TCalendarView::CDate() const
{
    return PersianToGregorian(quint16(selYear), quint16(selMonth), quint16(selDay), 0);
}

void TCalendarView::setCDate(const QDate& date)
{
    selectSerial(DateTimeToPersianSerial(date));
}

int TCalendarView::HDate() const
{
    return PersianDateToSerial(quint16(selYear), quint16(selMonth), quint16(selDay));
}

void TCalendarView::setHDate(int serial)
{
    selectSerial(serial);
}

int TCalendarView::TopDate() const
{
    if (lockTopDate && topDate > 0)
        return topDate;
    return PersianDateToSerial(quint16(selYear), quint16(selMonth), 1);
}

void TCalendarView::setTopDate(int serial)
{
    const int first = firstOfMonth(serial);
    if (first == 0 || first == topDate)
        return;
    topDate = first;
    update();
}

void TCalendarView::setLockTopDate(bool lock)
{
    if (lock == lockTopDate)
        return;
    if (lock && topDate == 0)
        topDate = TopDate();
    lockTopDate = lock;
    update();
}

void TCalendarView::setFocusOnClick(bool on)
{
    focusOnClick = on;
    setFocusPolicy(on ? Qt::StrongFocus : Qt::TabFocus);
}

void TCalendarView::AddMarkedDate(int serial, const QColor& color, const QColor& backColor)
{
    if (serial < 1)
        return;
    marked.insert(serial, {color, backColor});
    update();
}

void TCalendarView::RemoveMarkedDate(int serial)
{
    if (marked.remove(serial))
        update();
}

void TCalendarView::ClearMarkedDates()
{
    if (marked.isEmpty())
        return;
    marked.clear();
    update();
}

int TCalendarView::hitCode(const QPoint& pos, int clientWidth, const QSize& cell, int firstColumn)
{
    const int cw = cell.width();
    const int ch = cell.height();
    const int x = pos.x();
    const int y = pos.y();

    int row;
    if (y < ch + 4)
        row = 0;
    else if (y < 2 * ch + 8)
        row = 1;
    else if (y < 3 * ch + 8)
        row = 2;
    else if (y < 8 * ch + 8)
        row = (y - 8) / ch;
    else
        return HitNone;

    // Columns are counted from the right edge with a few pixels of dead space between them.
    int column = 0;
    for (int c = 1; c <= 7; ++c) {
        if (x > clientWidth - cw * c - 2 && x < clientWidth - (c - 1) * cw - 6) {
            column = c;
            break;
        }
    }
    if (column == 0)
        return HitNone;

    switch (row) {
    case 0:
        return HitHeaderBase + column;
    case 1:
        return HitWeekBase + column;
    case 2:
        return column >= firstColumn ? column - firstColumn + 1 : HitPriorBase + column;
    default:
        return (row - 3) * 7 + column + 8 - firstColumn;
    }
}

int TCalendarView::HitTest(const QPoint& pos) const
{
    return hitCode(pos, width(), cell, firstColumn());
}

bool TCalendarView::isDayCode(int code)
{
    return (code >= 1 && code <= 42) || (code > HitPriorBase && code < HitPriorBase + 7);
}

int TCalendarView::shownYear() const
{
    quint16 y, m, d;
    SerialToPersianDate(TopDate(), y, m, d);
    return y;
}

int TCalendarView::shownMonth() const
{
    quint16 y, m, d;
    SerialToPersianDate(TopDate(), y, m, d);
    return m;
}

int TCalendarView::firstColumn() const
{
    const int top = TopDate();
    return top > 0 ? weekdayOfSerial(top) : 1;
}

QRect TCalendarView::cellRect(int row, int column) const
{
    const int cw = cell.width();
    const int ch = cell.height();
    const int left = width() - cw * column - 1;
    const int right = width() - (column - 1) * cw - 7;
    int top;
    int bottom;
    if (row == 0) {
        top = 0;
        bottom = ch + 3;
    } else if (row == 1) {
        top = ch + 4;
        bottom = 2 * ch + 7;
    } else {
        top = row * ch + 8;
        bottom = (row + 1) * ch + 7;
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QPoint TCalendarView::cellCenter(int row, int column) const
{
    return cellRect(row, column).center();
}

QSize TCalendarView::sizeHint() const
{
    return QSize(7 * cell.width() + 12, 8 * cell.height() + 12);
}

QSize TCalendarView::minimumSizeHint() const
{
    return sizeHint();
}

void TCalendarView::measureCells()
{
    const QFontMetrics fm(font());
    cell = QSize(fm.horizontalAdvance(QStringLiteral("888")) + 4, fm.height() + 4);
}

bool TCalendarView::selectSerial(int serial)
{
    quint16 y, m, d;
    if (!SerialToPersianDate(serial, y, m, d))
        return false;
    if (y == selYear && m == selMonth && d == selDay)
        return false;
    selYear = y;
    selMonth = m;
    selDay = d;
    emit OnChange();
    update();
    return true;
}

void TCalendarView::stepPage(int months)
{
    if (!lockTopDate) {
        setSelMonth(selMonth + months);
        return;
    }
    const qint64 total = qint64(shownYear()) * 12 + (shownMonth() - 1) + months;
    const qint64 year = floorDiv(total, 12);
    if (year < 1 || year > kMaxYear)
        return;
    setTopDate(PersianDateToSerial(quint16(year), quint16(total - year * 12 + 1), 1));
}

void TCalendarView::actOnCode(int code)
{
    if (code == HitPriorArrow) {
        stepPage(-1);
    } else if (code == HitNextArrow) {
        stepPage(1);
    } else if (code >= 1 && code <= 42) {
        selectSerial(TopDate() + code - 1);
    } else if (code > HitPriorBase && code < HitPriorBase + 7) {
        // Days before the first are the end of the previous month.
        const int day = code - HitPriorBase - firstColumn() + 1;
        selectSerial(TopDate() + day - 1);
    }
}

std::pair<QColor, QColor> TCalendarView::headerColors() const
{
    if (!hasFocus())
        return {mUnSelectColor, mUnSelectBackColor};
    switch ((shownMonth() - 1) / 3) {
    case 0:
        return {mSpringColor, mSpringBackColor};
    case 1:
        return {mSummerColor, mSummerBackColor};
    case 2:
        return {mAtumnColor, mAtumnBackColor};
    default:
        return {mWinterColor, mWinterBackColor};
    }
}

void TCalendarView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width();
    const int ch = cell.height();
    p.fillRect(rect(), palette().color(QPalette::Base));

    const auto [headFg, headBack] = headerColors();
    p.fillRect(QRect(0, 0, w, ch + 4), headBack);
    p.setPen(headFg);
    const QRect title = cellRect(0, 6).united(cellRect(0, 2));
    const int sy = shownYear();
    const int sm = shownMonth();
    const QString caption =
        (sm >= 1 && sm <= 12 ? PersianMonthNames[sm - 1].toString() : QString()) +
        QStringLiteral("   ") + QString::number(sy);
    p.setLayoutDirection(Qt::RightToLeft);
    p.drawText(title, Qt::AlignCenter, caption);
    p.setLayoutDirection(Qt::LeftToRight);

    const QColor arrowHot = hasFocus() ? QColor(0, 255, 0) : mMouseOnColor;
    p.setPen(hoverCode == HitPriorArrow ? arrowHot : headFg);
    p.drawText(cellRect(0, 1), Qt::AlignCenter, QStringLiteral(">"));
    p.setPen(hoverCode == HitNextArrow ? arrowHot : headFg);
    p.drawText(cellRect(0, 7), Qt::AlignCenter, QStringLiteral("<"));

    p.fillRect(QRect(0, ch + 4, w, ch + 4), mWeekBackColor);
    for (int c = 1; c <= 7; ++c) {
        p.setPen(c == 7 ? mFridayColor : mWeekTitleColor);
        p.drawText(cellRect(1, c), Qt::AlignCenter, PersianWeekDayLetters[c - 1].toString());
    }

    const int top = TopDate();
    const int first = firstColumn();
    const int length = PersianMonthDays(quint16(sy), quint16(sm));
    const int priorLength = PersianMonthDays(quint16(sy), quint16(sm - 1));
    const int today = TodayPersianSerial();
    const int selected = HDate();
    const QColor text = palette().color(QPalette::WindowText);

    for (int row = 2; row <= 7; ++row) {
        for (int c = 1; c <= 7; ++c) {
            const int n = (row - 2) * 7 + c - first + 1;
            const int code = n < 1 ? HitPriorBase + c : n;
            const int serial = top + n - 1;
            const QRect r = cellRect(row, c);
            const bool inMonth = n >= 1 && n <= length;
            const int shown = n < 1 ? priorLength + n : (n > length ? n - length : n);

            QColor fg = inMonth ? (c == 7 ? mFridayColor : text) : mPriorMonthColor;
            QColor back;
            if (hoverCode == code)
                fg = mMouseOnColor;
            if (auto it = marked.constFind(serial); it != marked.constEnd()) {
                fg = it->first;
                back = it->second;
            }
            if (serial == today) {
                fg = mTodayColor;
                back = mTodayBackColor;
            }
            if (serial == selected) {
                fg = mSelectColor;
                back = mSelectBackColor;
            }
            if (back.isValid())
                p.fillRect(r, back);
            if (serial == selected) {
                p.setPen(mSelectColor);
                p.drawRect(r.adjusted(0, 0, -1, -1));
            }
            p.setPen(fg);
            p.drawText(r, Qt::AlignCenter, QString::number(shown));
        }
    }

    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TCalendarView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageUp:
        setSelMonth(selMonth - 1);
        break;
    case Qt::Key_PageDown:
        setSelMonth(selMonth + 1);
        break;
    case Qt::Key_Home:
        setHDate(TodayPersianSerial());
        break;
    case Qt::Key_End:
        break;
    // The page reads right to left, so Left moves on in time.
    case Qt::Key_Left:
        setSelDay(selDay + 1);
        break;
    case Qt::Key_Right:
        setSelDay(selDay - 1);
        break;
    case Qt::Key_Up:
        setSelDay(selDay - 7);
        break;
    case Qt::Key_Down:
        setSelDay(selDay + 7);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TCalendarView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressCode = HitTest(event->position().toPoint());
    actOnCode(pressCode);
    event->accept();
}

void TCalendarView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    if (rect().contains(event->position().toPoint()))
        emit OnClick();
}

void TCalendarView::mouseMoveEvent(QMouseEvent* event)
{
    const int code = HitTest(event->position().toPoint());
    if (code != hoverCode) {
        hoverCode = code;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void TCalendarView::leaveEvent(QEvent* event)
{
    if (hoverCode != HitNone) {
        hoverCode = HitNone;
        update();
    }
    QWidget::leaveEvent(event);
}

void TCalendarView::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void TCalendarView::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void TCalendarView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        if (font().family() == QLatin1String("MS Sans Serif")) {
            QFont f = font();
            f.setFamily(QStringLiteral("Microsoft Sans Serif"));
            setFont(f); // comes back here with the new family
            return;
        }
        measureCells();
        resize(7 * cell.width() + 12, height());
        updateGeometry();
        update();
    }
    QWidget::changeEvent(event);
}
