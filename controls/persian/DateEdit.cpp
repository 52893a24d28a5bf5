#include "controls/persian/DateEdit.h"

#include "controls/persian/SelectDateDlg.h"
#include "controls/persian/Utils.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include <array>
#include <climits>
#include <cstdlib>

namespace {

// The places the caret may stand on; 4 and 7 are the separators.
constexpr std::array<int, 9> kCaretPlaces{0, 1, 2, 3, 5, 6, 8, 9, 10};

QString digits(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0')).right(width);
}

QString yearText(int year)
{
    return year == 0 ? QStringLiteral("0000")
                     : QStringLiteral("%1").arg(year, 2, 10, QLatin1Char('0'));
}

} // namespace

TDateEdit::TDateEdit(QWidget* parent) : QWidget(parent)
{
    separatorColor = QColor(0x80, 0x80, 0x80);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);
    QFont f(QStringLiteral("B Koodak"));
    f.setPointSize(11);
    setFont(f);
    resize(100, 34);

    caretBlink.setInterval(qMax(100, QApplication::cursorFlashTime() / 2));
    connect(&caretBlink, &QTimer::timeout, this, [this] {
        caretOn = !caretOn;
        update();
    });
}

QSize TDateEdit::sizeHint() const
{
    return QSize(100, 34);
}

void TDateEdit::setYear(quint16 value)
{
    if (year != value) {
        year = value;
        update();
    }
}

void TDateEdit::setMonth(quint16 value)
{
    if (month != value) {
        month = value;
        update();
    }
}

void TDateEdit::setDay(quint16 value)
{
    if (day != value) {
        day = value;
        update();
    }
}

void TDateEdit::setParts(const Parts& p)
{
    setYear(p.y);
    setMonth(p.m);
    setDay(p.d);
}

QDate TDateEdit::Date() const
{
    if (year == 0 || month == 0 || day == 0)
        return {};
    return PersianToGregorian(year, month, day, 0);
}

void TDateEdit::setDate(const QDate& value)
{
    if (value.isNull()) {
        setParts({0, 0, 0});
        return;
    }
    Parts p{0, 0, 0};
    // A date the solar calendar cannot hold leaves the value as it was.
    if (!SerialToPersianDate(DateTimeToPersianSerial(value), p.y, p.m, p.d))
        return;
    if (p != parts())
        setParts(p);
}

void TDateEdit::setCurPos(int pos)
{
    pos = qBound(0, pos, 10);
    if (pos == 4 || pos == 7)
        ++pos;
    if (pos != curPos) {
        curPos = pos;
        update();
    }
}

void TDateEdit::setSeparator(QChar value)
{
    if (separator != value) {
        separator = value;
        update();
    }
}

void TDateEdit::setSeparatorColor(const QColor& value)
{
    if (separatorColor != value) {
        separatorColor = value;
        update();
    }
}

void TDateEdit::setBorderStyle(TBorderStyle value)
{
    if (borderStyle != value) {
        borderStyle = value;
        update();
    }
}

void TDateEdit::setBorderColor(const QColor& value)
{
    if (borderColor != value) {
        borderColor = value;
        update();
    }
}

void TDateEdit::moveForward()
{
    if (curPos == 3)
        curPos = 5;
    else if (curPos == 6)
        curPos = 8;
    else
        curPos = qMin(curPos + 1, 10);
    update();
}

void TDateEdit::moveBack()
{
    if (curPos == 5)
        curPos = 3;
    else if (curPos == 8)
        curPos = 6;
    else
        curPos = qMax(curPos - 1, 0);
    update();
}

int TDateEdit::dayLimit() const
{
    return PersianMonthDays(year, month);
}

void TDateEdit::typeDigit(int digit)
{
    const QChar ch = QChar(u'0' + digit);
    Parts p = parts();
    if (curPos <= 3) {
        QString text = digits(p.y, 4);
        text[curPos] = ch;
        p.y = quint16(text.toInt());
        curPos = curPos == 3 ? 5 : curPos + 1;
    } else if (curPos <= 6) {
        QString text = digits(p.m, 2);
        if ((curPos == 5 && digit > 1) || (curPos == 6 && text[0] == u'1' && digit >= 3)) {
            // No month starts with this digit: it is the whole month.
            p.m = quint16(digit);
            curPos = 8;
        } else {
            text[curPos - 5] = ch;
            p.m = quint16(qMin(text.toInt(), 12));
            curPos = curPos == 6 ? 8 : curPos + 1;
        }
    } else if (curPos <= 9) {
        QString text = digits(p.d, 2);
        if ((curPos == 8 && digit > 3) || (curPos == 9 && text[0] == u'3' && digit >= 2)) {
            p.d = quint16(digit);
            curPos = 10;
        } else {
            text[curPos - 8] = ch;
            p.d = quint16(text.toInt());
            curPos = curPos + 1;
        }
    } else {
        return;
    }

    const Parts before = parts();
    setParts(p);
    if (day > dayLimit()) {
        setDay(quint16(dayLimit()));
        curPos = 8;
    }
    update();
    if (parts() != before)
        emit OnChange();
}

void TDateEdit::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool inDay = curPos >= 8;
    const Parts before = parts();

    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Left:
        if (ctrl && curPos >= 5 && curPos < 8)
            setCurPos(0);
        else if (ctrl && curPos >= 8)
            setCurPos(5);
        else
            moveBack();
        break;
    case Qt::Key_Right:
        if (ctrl && curPos < 5)
            setCurPos(5);
        else if (ctrl && curPos < 8)
            setCurPos(8);
        else
            moveForward();
        break;
    case Qt::Key_Home:
        setCurPos(0);
        break;
    case Qt::Key_End:
        setCurPos(9);
        break;
    case Qt::Key_Up:
        if (!readOnly && inDay)
            setDay(quint16(qMin(day + 1, dayLimit())));
        break;
    case Qt::Key_Down:
        if (!readOnly && inDay)
            setDay(quint16(qMax(day - 1, 1)));
        break;
    case Qt::Key_PageUp:
        if (!readOnly && inDay)
            setDay(quint16(qMax(day - 5, 1)));
        break;
    case Qt::Key_PageDown:
        if (!readOnly && inDay)
            setDay(quint16(qMin(day + 5, dayLimit())));
        break;
    case Qt::Key_Delete:
        if (!readOnly) {
            setParts({0, 0, 0});
            setCurPos(0);
        }
        break;
    case Qt::Key_Insert:
        openPicker();
        return;
    default: {
        const QString text = event->text();
        const int digit = text.size() == 1 ? text.at(0).digitValue() : -1;
        if (digit < 0 || digit > 9 || ctrl) {
            QWidget::keyPressEvent(event);
            return;
        }
        if (!readOnly)
            typeDigit(digit);
        event->accept();
        return;
    }
    }
    event->accept();
    if (parts() != before)
        emit OnChange();
}

void TDateEdit::openPicker()
{
    // The picker would change the value, which a read-only control must keep.
    if (readOnly)
        return;
    const QPoint at = mapToGlobal(QPoint(width() - 1, showUpDown ? -1 : height()));
    QDate chosen = Date();
    if (!TSelectDateDlg::SelectDate(at, chosen, showUpDown, this))
        return;
    const Parts before = parts();
    setDate(chosen);
    if (parts() != before)
        emit OnChange();
}

QString TDateEdit::sample() const
{
    return QStringLiteral("8888") + separator + QStringLiteral("08") + separator +
           QStringLiteral("28");
}

QString TDateEdit::Text() const
{
    return yearText(year) + separator + digits(month, 2) + separator + digits(day, 2);
}

int TDateEdit::textTop() const
{
    return qMax(1, (height() - QFontMetrics(font()).height()) / 2);
}

int TDateEdit::caretX() const
{
    if (curPos == 0)
        return 4;
    return 2 + QFontMetrics(font()).horizontalAdvance(sample().left(curPos));
}

void TDateEdit::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(Qt::LeftToRight);
    p.fillRect(rect(), palette().color(QPalette::Base));

    if (borderStyle == bsSingle) {
        if (borderColor.isValid()) {
            p.setPen(borderColor);
            p.drawRect(rect().adjusted(0, 0, -1, -1));
        } else {
            QStyleOptionFrame frame;
            frame.initFrom(this);
            frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, this);
            frame.midLineWidth = 0;
            frame.state |= QStyle::State_Sunken;
            style()->drawPrimitive(QStyle::PE_FrameLineEdit, &frame, &p, this);
        }
    }

    const QFontMetrics fm(font());
    const QString sep(separator);
    const int yearX = 2;
    const int sep1X = 2 + fm.horizontalAdvance(QStringLiteral("8888"));
    const int monthX = 2 + fm.horizontalAdvance(QStringLiteral("8888") + sep);
    const int sep2X = 2 + fm.horizontalAdvance(QStringLiteral("8888") + sep + QStringLiteral("08"));
    const int dayX =
        2 + fm.horizontalAdvance(QStringLiteral("8888") + sep + QStringLiteral("08") + sep);
    const int baseline = textTop() + fm.ascent();

    const QColor textColor = palette().color(QPalette::Text);
    p.setFont(font());
    p.setPen(textColor);
    p.drawText(yearX, baseline, yearText(year));
    p.drawText(monthX, baseline, digits(month, 2));
    p.drawText(dayX, baseline, digits(day, 2));
    p.setPen(separatorColor);
    p.drawText(sep1X, baseline, sep);
    p.drawText(sep2X, baseline, sep);

    if (hasFocus() && caretOn)
        p.fillRect(QRect(caretX(), textTop() + 4, 2, qMax(fm.height() - 8, 4)), textColor);
}

void TDateEdit::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        // The caret goes to the character boundary nearest the click.
        const QFontMetrics fm(font());
        const QString s = sample();
        const int x = qRound(event->position().x());
        int best = 0;
        int bestDistance = INT_MAX;
        for (int place : kCaretPlaces) {
            const int px = 2 + (place == 0 ? 0 : fm.horizontalAdvance(s.left(place)));
            const int distance = std::abs(x - px);
            if (distance < bestDistance) {
                best = place;
                bestDistance = distance;
            }
        }
        setCurPos(best);
        caretOn = true;
    }
    QWidget::mousePressEvent(event);
}

void TDateEdit::focusInEvent(QFocusEvent* event)
{
    caretOn = true;
    caretBlink.start();
    update();
    QWidget::focusInEvent(event);
}

void TDateEdit::focusOutEvent(QFocusEvent* event)
{
    caretBlink.stop();
    caretOn = false;
    update();
    QWidget::focusOutEvent(event);
}
