#pragma once

// A month page of the solar calendar read right to left: a header with the month, the year
// and two arrows, a row of weekday letters (Saturday at the right), six week rows.

#include <QColor>
#include <QDate>
#include <QHash>
#include <QSize>
#include <QWidget>

#include <utility>

class TCalendarView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int SelYear READ SelYear WRITE setSelYear)
    Q_PROPERTY(int SelMonth READ SelMonth WRITE setSelMonth)
    Q_PROPERTY(int SelDay READ SelDay WRITE setSelDay)
    Q_PROPERTY(QDate CDate READ CDate WRITE setCDate)
    Q_PROPERTY(int HDate READ HDate WRITE setHDate)
    Q_PROPERTY(int TopDate READ TopDate WRITE setTopDate)
    Q_PROPERTY(bool LockTopDate READ LockTopDate WRITE setLockTopDate)
    Q_PROPERTY(bool FocusOnClick READ FocusOnClick WRITE setFocusOnClick)
    Q_PROPERTY(QColor TodayColor READ TodayColor WRITE setTodayColor)
    Q_PROPERTY(QColor TodayBackColor READ TodayBackColor WRITE setTodayBackColor)
    Q_PROPERTY(QColor SelectColor READ SelectColor WRITE setSelectColor)
    Q_PROPERTY(QColor SelectBackColor READ SelectBackColor WRITE setSelectBackColor)
    Q_PROPERTY(QColor FridayColor READ FridayColor WRITE setFridayColor)
    Q_PROPERTY(QColor WeekTitleColor READ WeekTitleColor WRITE setWeekTitleColor)
    Q_PROPERTY(QColor WeekBackColor READ WeekBackColor WRITE setWeekBackColor)
    Q_PROPERTY(QColor PriorMonthColor READ PriorMonthColor WRITE setPriorMonthColor)
    Q_PROPERTY(QColor SpringColor READ SpringColor WRITE setSpringColor)
    Q_PROPERTY(QColor SpringBackColor READ SpringBackColor WRITE setSpringBackColor)
    Q_PROPERTY(QColor SummerColor READ SummerColor WRITE setSummerColor)
    Q_PROPERTY(QColor SummerBackColor READ SummerBackColor WRITE setSummerBackColor)
    Q_PROPERTY(QColor AtumnColor READ AtumnColor WRITE setAtumnColor)
    Q_PROPERTY(QColor AtumnBackColor READ AtumnBackColor WRITE setAtumnBackColor)
    Q_PROPERTY(QColor WinterColor READ WinterColor WRITE setWinterColor)
    Q_PROPERTY(QColor WinterBackColor READ WinterBackColor WRITE setWinterBackColor)
    Q_PROPERTY(QColor UnSelectColor READ UnSelectColor WRITE setUnSelectColor)
    Q_PROPERTY(QColor UnSelectBackColor READ UnSelectBackColor WRITE setUnSelectBackColor)
    Q_PROPERTY(QColor MouseOnColor READ MouseOnColor WRITE setMouseOnColor)

public:
    // Hit codes: 0 nothing, 1.. a day of the shown month (past its length: the next month),
    // 51..56 a previous-month cell (50 + column), 101..107 the header (101 and 107 are the
    // arrows), 111..117 the weekday row. Columns count from the right edge.
    enum : int {
        HitNone = 0,
        HitPriorBase = 50,
        HitHeaderBase = 100,
        HitWeekBase = 110,
        HitPriorArrow = 101, // rightmost: back a month
        HitNextArrow = 107,  // leftmost: on a month
    };

    explicit TCalendarView(QWidget* parent = nullptr);

    int SelYear() const { return selYear; }
    int SelMonth() const { return selMonth; }
    int SelDay() const { return selDay; }
    virtual void setSelYear(int year);
    // Any month number: 13 is Farvardin of the next year, 0 Esfand of the year before.
    virtual void setSelMonth(int month);
    // A day outside the month moves into the neighbouring months by the difference.
    virtual void setSelDay(int day);

    QDate CDate() const;
    void setCDate(const QDate& date);
    int HDate() const;
    void setHDate(int serial);

    // Serial of the first day of the shown month.
    int TopDate() const;
    void setTopDate(int serial);
    bool LockTopDate() const { return lockTopDate; }
    void setLockTopDate(bool lock);
    bool FocusOnClick() const { return focusOnClick; }
    void setFocusOnClick(bool on);

#define BANKFILE_CV_COLOR(Name)                                                                    \
    QColor Name() const                                                                            \
    {                                                                                              \
        return m##Name;                                                                            \
    }                                                                                              \
    void set##Name(const QColor& color)                                                            \
    {                                                                                              \
        if (m##Name != color) {                                                                    \
            m##Name = color;                                                                       \
            update();                                                                              \
        }                                                                                          \
    }
    BANKFILE_CV_COLOR(TodayColor)
    BANKFILE_CV_COLOR(TodayBackColor)
    BANKFILE_CV_COLOR(SelectColor)
    BANKFILE_CV_COLOR(SelectBackColor)
    BANKFILE_CV_COLOR(FridayColor)
    BANKFILE_CV_COLOR(WeekTitleColor)
    BANKFILE_CV_COLOR(WeekBackColor)
    BANKFILE_CV_COLOR(PriorMonthColor)
    BANKFILE_CV_COLOR(SpringColor)
    BANKFILE_CV_COLOR(SpringBackColor)
    BANKFILE_CV_COLOR(SummerColor)
    BANKFILE_CV_COLOR(SummerBackColor)
    BANKFILE_CV_COLOR(AtumnColor)
    BANKFILE_CV_COLOR(AtumnBackColor)
    BANKFILE_CV_COLOR(WinterColor)
    BANKFILE_CV_COLOR(WinterBackColor)
    BANKFILE_CV_COLOR(UnSelectColor)
    BANKFILE_CV_COLOR(UnSelectBackColor)
    BANKFILE_CV_COLOR(MouseOnColor)
#undef BANKFILE_CV_COLOR

    // Marked dates are drawn in their own colours instead of the normal ones.
    void AddMarkedDate(int serial, const QColor& color, const QColor& backColor);
    void RemoveMarkedDate(int serial);
    void ClearMarkedDates();

    int HitTest(const QPoint& pos) const;
    static int hitCode(const QPoint& pos, int clientWidth, const QSize& cell, int firstColumn);

    QSize cellSize() const
    {
        return cell;
    }
    int shownYear() const;
    int shownMonth() const;
    // Column (1 = Saturday, at the right) of the first day of the shown month.
    int firstColumn() const;
    // Centre of a cell: row 0 header, 1 weekday letters, 2..7 weeks; column 1..7 from the right.
    QPoint cellCenter(int row, int column) const;
    int mouseCode() const
    {
        return hoverCode;
    }
    int clickCode() const
    {
        return pressCode;
    }

    static bool isDayCode(int code);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void OnChange();
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void measureCells();
    bool selectSerial(int serial);
    void stepPage(int months);
    void actOnCode(int code);
    std::pair<QColor, QColor> headerColors() const;
    QRect cellRect(int row, int column) const;

    int selYear = 0;
    int selMonth = 0;
    int selDay = 0;
    int topDate = 0;
    bool lockTopDate = false;
    bool focusOnClick = true;
    QSize cell;
    int hoverCode = HitNone;
    int pressCode = HitNone;
    QHash<int, std::pair<QColor, QColor>> marked;

    QColor mTodayColor;
    QColor mTodayBackColor;
    QColor mSelectColor;
    QColor mSelectBackColor;
    QColor mFridayColor;
    QColor mWeekTitleColor;
    QColor mWeekBackColor;
    QColor mPriorMonthColor;
    QColor mSpringColor;
    QColor mSpringBackColor;
    QColor mSummerColor;
    QColor mSummerBackColor;
    QColor mAtumnColor;
    QColor mAtumnBackColor;
    QColor mWinterColor;
    QColor mWinterBackColor;
    QColor mUnSelectColor;
    QColor mUnSelectBackColor;
    QColor mMouseOnColor;
};
