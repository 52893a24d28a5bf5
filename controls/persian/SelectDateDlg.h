#pragma once

// Borderless pop-up around one calendar view: a click on a day or Enter picks the date,
// Escape cancels.

#include <QDate>
#include <QDialog>
#include <QPoint>

class QFrame;
class TCalendarView;

class TSelectDateDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TSelectDateDlg(QWidget* parent = nullptr);

    TCalendarView* calendar() const { return CalendarView; }

    // Shows the dialog modally with its top-right corner at the screen point (its bottom-right
    // corner when above is set), starting at the given date (today when null). True, with the
    // chosen date, on OK.
    static bool SelectDate(const QPoint& at, QDate& date, bool above = false,
                           QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void calendarClicked();

    QFrame* Panel = nullptr;
    TCalendarView* CalendarView = nullptr;
};
