#include "controls/persian/SelectDateDlg.h"

#include "controls/persian/CalendarView.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

TSelectDateDlg::TSelectDateDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setLayoutDirection(Qt::RightToLeft);
    QFont formFont(QStringLiteral("Microsoft Sans Serif"));
    formFont.setPointSize(22);
    setFont(formFont);

    Panel = new QFrame(this);
    Panel->setFrameShape(QFrame::Panel);
    Panel->setFrameShadow(QFrame::Raised);
    auto* panelLayout = new QVBoxLayout(Panel);
    panelLayout->setContentsMargins(2, 2, 2, 2);
    CalendarView = new TCalendarView(Panel);
    panelLayout->addWidget(CalendarView);

    auto* formLayout = new QVBoxLayout(this);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->addWidget(Panel);
    formLayout->setSizeConstraint(QLayout::SetFixedSize);

    connect(CalendarView, &TCalendarView::OnClick, this, &TSelectDateDlg::calendarClicked);
    CalendarView->setFocus();
}

void TSelectDateDlg::calendarClicked()
{
    if (TCalendarView::isDayCode(CalendarView->clickCode()))
        accept();
}

void TSelectDateDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        accept();
        break;
    case Qt::Key_Escape:
        reject();
        break;
    default:
        QDialog::keyPressEvent(event);
    }
}

bool TSelectDateDlg::SelectDate(const QPoint& at, QDate& date, bool above, QWidget* parent)
{
    TSelectDateDlg dlg(parent);
    QFont calendarFont = dlg.CalendarView->font();
    calendarFont.setFamily(QStringLiteral("Traffic"));
    dlg.CalendarView->setFont(calendarFont);
    if (date.isValid())
        dlg.CalendarView->setCDate(date);
    dlg.adjustSize();

    QRect frame(QPoint(0, 0), dlg.size());
    if (above)
        frame.moveBottomRight(at);
    else
        frame.moveTopRight(at);
    // Keep the whole calendar on the screen the point is on.
    if (QScreen* screen = QGuiApplication::screenAt(at)) {
        const QRect avail = screen->availableGeometry();
        frame.moveLeft(qBound(avail.left(), frame.left(),
                              qMax(avail.left(), avail.right() - frame.width() + 1)));
        frame.moveTop(qBound(avail.top(), frame.top(),
                             qMax(avail.top(), avail.bottom() - frame.height() + 1)));
    }
    dlg.move(frame.topLeft());
    dlg.CalendarView->setFocus();

    if (dlg.exec() != QDialog::Accepted)
        return false;
    const QDate chosen = dlg.CalendarView->CDate();
    if (!chosen.isValid())
        return false;
    date = chosen;
    return true;
}
