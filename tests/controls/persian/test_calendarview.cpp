// The calendar view and the date-picking dialog: hit codes, clicks, month and day stepping,
// keys, colours, the dialog's answers.

#include "controls/persian/CalendarView.h"
#include "controls/persian/SelectDateDlg.h"
#include "controls/persian/Utils.h"

#include <QtTest>

namespace {

QString selection(const TCalendarView& view)
{
    return QStringLiteral("%1/%2/%3").arg(view.SelYear()).arg(view.SelMonth()).arg(view.SelDay());
}

void select(TCalendarView& view, int y, int m, int d)
{
    view.setHDate(PersianDateToSerial(quint16(y), quint16(m), quint16(d)));
    QCOMPARE(selection(view), QStringLiteral("%1/%2/%3").arg(y).arg(m).arg(d));
}

// A pixel just inside the top edge of a cell, clear of the digits.
QColor cellBack(TCalendarView& view, int row, int column)
{
    const QImage image = view.grab().toImage();
    const QPoint c = view.cellCenter(row, column);
    const int top =
        row == 0 ? 0
                 : (row == 1 ? view.cellSize().height() + 4 : row * view.cellSize().height() + 8);
    return image.pixelColor(c.x(), top + 1);
}

} // namespace

class TestCalendarView : public QObject
{
    Q_OBJECT

private slots:
    void hitCodes_data();
    void hitCodes();
    void hitTestMatchesCells();
    void clicks_data();
    void clicks();
    void selMonth_data();
    void selMonth();
    void selDay_data();
    void selDay();
    void selYearClampsDay();
    void keys_data();
    void keys();
    void changeSignal();
    void dates();
    void lockTopDate();
    void fontSetsWidth();
    void colours();
    void dialogAnswers_data();
    void dialogAnswers();
    void dialogPlacement_data();
    void dialogPlacement();
};

void TestCalendarView::hitCodes_data()
{
    // Cells of 20 x 15 in a 152-pixel-wide view: column c lies strictly between
    // 150 - 20c and 166 - 20c.
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("code");
    QTest::newRow("prior arrow") << QPoint(140, 5) << 1 << 101;
    QTest::newRow("next arrow") << QPoint(15, 5) << 1 << 107;
    QTest::newRow("header middle") << QPoint(75, 5) << 1 << 104;
    QTest::newRow("header last row") << QPoint(140, 18) << 1 << 101;
    QTest::newRow("saturday letter") << QPoint(140, 19) << 1 << 111;
    QTest::newRow("friday letter") << QPoint(15, 37) << 1 << 117;
    QTest::newRow("first week, first day") << QPoint(140, 38) << 1 << 1;
    QTest::newRow("prior month cell") << QPoint(140, 45) << 5 << 51;
    QTest::newRow("prior month cell 4") << QPoint(80, 45) << 5 << 54;
    QTest::newRow("first day wednesday") << QPoint(60, 45) << 5 << 1;
    QTest::newRow("friday of first week") << QPoint(15, 52) << 5 << 3;
    QTest::newRow("second week saturday") << QPoint(140, 53) << 5 << 4;
    QTest::newRow("second week friday") << QPoint(15, 67) << 5 << 10;
    QTest::newRow("sixth week friday") << QPoint(15, 127) << 1 << 42;
    QTest::newRow("sixth week, late start") << QPoint(140, 120) << 7 << 30;
    QTest::newRow("below the weeks") << QPoint(140, 128) << 1 << 0;
    QTest::newRow("gap between columns") << QPoint(128, 60) << 1 << 0;
    QTest::newRow("right margin") << QPoint(146, 60) << 1 << 0;
    QTest::newRow("just inside column 1") << QPoint(131, 60) << 1 << 8;
    QTest::newRow("left margin") << QPoint(10, 60) << 1 << 0;
    QTest::newRow("header gap") << QPoint(128, 5) << 1 << 0;
}

void TestCalendarView::hitCodes()
{
    QFETCH(QPoint, point);
    QFETCH(int, first);
    QFETCH(int, code);
    QCOMPARE(TCalendarView::hitCode(point, 152, QSize(20, 15), first), code);
}

void TestCalendarView::hitTestMatchesCells()
{
    TCalendarView view;
    view.resize(view.sizeHint());
    select(view, 1403, 7, 10); // 1403/07/01 is a Sunday: column 2
    QCOMPARE(view.firstColumn(), 2);
    for (int c = 1; c <= 7; ++c) {
        QCOMPARE(view.HitTest(view.cellCenter(0, c)), 100 + c);
        QCOMPARE(view.HitTest(view.cellCenter(1, c)), 110 + c);
        QCOMPARE(view.HitTest(view.cellCenter(2, c)), c < 2 ? 50 + c : c - 1);
        for (int row = 3; row <= 7; ++row)
            QCOMPARE(view.HitTest(view.cellCenter(row, c)), (row - 2) * 7 + c - 1);
    }
}

void TestCalendarView::clicks_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<int>("code");
    // Shown month 1403/07: 30 days, the first on Sunday (column 2).
    QTest::newRow("prior month cell") << 2 << 1 << "1403/6/31" << 51;
    QTest::newRow("first day") << 2 << 2 << "1403/7/1" << 1;
    QTest::newRow("first friday") << 2 << 7 << "1403/7/6" << 6;
    QTest::newRow("a saturday") << 3 << 1 << "1403/7/7" << 7;
    QTest::newRow("last day") << 6 << 3 << "1403/7/30" << 30;
    QTest::newRow("next month cell") << 6 << 4 << "1403/8/1" << 31;
    QTest::newRow("last cell") << 7 << 7 << "1403/8/11" << 41;
    QTest::newRow("prior arrow") << 0 << 1 << "1403/6/10" << 101;
    QTest::newRow("next arrow") << 0 << 7 << "1403/8/10" << 107;
    QTest::newRow("title") << 0 << 4 << "1403/7/10" << 104;
    QTest::newRow("weekday letter") << 1 << 3 << "1403/7/10" << 113;
}

void TestCalendarView::clicks()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, selected);
    QFETCH(int, code);
    TCalendarView view;
    view.resize(view.sizeHint());
    select(view, 1403, 7, 10);
    QSignalSpy clicked(&view, &TCalendarView::OnClick);
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, view.cellCenter(row, column));
    QCOMPARE(selection(view), selected);
    QCOMPARE(view.clickCode(), code);
    QCOMPARE(clicked.count(), 1);
}

void TestCalendarView::selMonth_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<int>("month");
    QTest::addColumn<QString>("expected");
    QTest::newRow("13 from esfand") << 1402 << 12 << 10 << 13 << "1403/1/10";
    QTest::newRow("0 from farvardin") << 1403 << 1 << 10 << 0 << "1402/12/10";
    QTest::newRow("-1") << 1403 << 5 << 10 << -1 << "1402/11/10";
    QTest::newRow("-12") << 1403 << 5 << 10 << -12 << "1401/12/10";
    QTest::newRow("24") << 1403 << 5 << 10 << 24 << "1404/12/10";
    QTest::newRow("25") << 1403 << 5 << 10 << 25 << "1405/1/10";
    QTest::newRow("day 31 into mehr") << 1403 << 6 << 31 << 7 << "1403/7/30";
    QTest::newRow("day 30 into leap esfand") << 1403 << 11 << 30 << 12 << "1403/12/30";
    QTest::newRow("day 30 into esfand") << 1404 << 11 << 30 << 12 << "1404/12/29";
    QTest::newRow("day 31 back to esfand") << 1405 << 1 << 31 << 0 << "1404/12/29";
    QTest::newRow("before year 1") << 1 << 1 << 1 << 0 << "1/1/1";
}

void TestCalendarView::selMonth()
{
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(int, month);
    QFETCH(QString, expected);
    TCalendarView view;
    select(view, y, m, d);
    view.setSelMonth(month);
    QCOMPARE(selection(view), expected);
}

void TestCalendarView::selDay_data()
{
    QTest::addColumn<int>("day");
    QTest::addColumn<QString>("expected");
    // From 1403/07/15.
    QTest::newRow("in the month") << 30 << "1403/7/30";
    QTest::newRow("one past") << 31 << "1403/8/1";
    QTest::newRow("zero") << 0 << "1403/6/31";
    QTest::newRow("far back") << -186 << "1402/12/29";
    QTest::newRow("far on") << 200 << "1404/1/20";
}

void TestCalendarView::selDay()
{
    QFETCH(int, day);
    QFETCH(QString, expected);
    TCalendarView view;
    select(view, 1403, 7, 15);
    view.setSelDay(day);
    QCOMPARE(selection(view), expected);
}

void TestCalendarView::selYearClampsDay()
{
    TCalendarView view;
    select(view, 1403, 12, 30);
    view.setSelYear(1404);
    QCOMPARE(selection(view), QStringLiteral("1404/12/29"));
    view.setSelYear(0); // no such year: ignored
    QCOMPARE(selection(view), QStringLiteral("1404/12/29"));
}

void TestCalendarView::keys_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("page up") << 1403 << 7 << 15 << int(Qt::Key_PageUp) << "1403/6/15";
    QTest::newRow("page down") << 1403 << 7 << 15 << int(Qt::Key_PageDown) << "1403/8/15";
    QTest::newRow("page down wraps") << 1403 << 12 << 30 << int(Qt::Key_PageDown) << "1404/1/30";
    QTest::newRow("page up clamps") << 1403 << 7 << 30 << int(Qt::Key_PageUp) << "1403/6/30";
    QTest::newRow("page up wraps") << 1404 << 1 << 31 << int(Qt::Key_PageUp) << "1403/12/30";
    QTest::newRow("left is on") << 1403 << 7 << 15 << int(Qt::Key_Left) << "1403/7/16";
    QTest::newRow("right is back") << 1403 << 7 << 15 << int(Qt::Key_Right) << "1403/7/14";
    QTest::newRow("up a week") << 1403 << 7 << 15 << int(Qt::Key_Up) << "1403/7/8";
    QTest::newRow("down a week") << 1403 << 7 << 15 << int(Qt::Key_Down) << "1403/7/22";
    QTest::newRow("left over the month") << 1403 << 7 << 30 << int(Qt::Key_Left) << "1403/8/1";
    QTest::newRow("right over the year") << 1403 << 1 << 1 << int(Qt::Key_Right) << "1402/12/29";
    QTest::newRow("down over the year") << 1403 << 12 << 28 << int(Qt::Key_Down) << "1404/1/5";
    QTest::newRow("end does nothing") << 1403 << 7 << 15 << int(Qt::Key_End) << "1403/7/15";
}

void TestCalendarView::keys()
{
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(int, key);
    QFETCH(QString, expected);
    TCalendarView view;
    select(view, y, m, d);
    QTest::keyClick(&view, Qt::Key(key));
    QCOMPARE(selection(view), expected);
}

void TestCalendarView::changeSignal()
{
    TCalendarView view;
    select(view, 1403, 7, 15);
    QSignalSpy changes(&view, &TCalendarView::OnChange);
    QTest::keyClick(&view, Qt::Key_Left);
    QCOMPARE(changes.count(), 1);
    QTest::keyClick(&view, Qt::Key_End);
    view.setSelDay(16);
    view.setSelMonth(7);
    QCOMPARE(changes.count(), 1);
    QTest::keyClick(&view, Qt::Key_Home);
    QCOMPARE(view.HDate(), TodayPersianSerial());
    QCOMPARE(changes.count(), 2);
}

void TestCalendarView::dates()
{
    TCalendarView view;
    view.setCDate(QDate(2024, 3, 20));
    QCOMPARE(selection(view), QStringLiteral("1403/1/1"));
    QCOMPARE(view.HDate(), PersianDateToSerial(1403, 1, 1));
    view.setHDate(PersianDateToSerial(1402, 7, 1));
    QCOMPARE(view.CDate(), QDate(2023, 9, 23));
    // Impossible values leave the selection alone.
    view.setHDate(0);
    view.setCDate(QDate());
    QCOMPARE(view.CDate(), QDate(2023, 9, 23));
}

void TestCalendarView::lockTopDate()
{
    TCalendarView view;
    view.resize(view.sizeHint());
    select(view, 1403, 7, 15);
    view.setLockTopDate(true);
    QCOMPARE(view.TopDate(), PersianDateToSerial(1403, 7, 1));
    QTest::keyClick(&view, Qt::Key_PageDown);
    QCOMPARE(selection(view), QStringLiteral("1403/8/15"));
    QCOMPARE(view.shownMonth(), 7);
    // The arrows page while the selection stays.
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, view.cellCenter(0, 1));
    QCOMPARE(view.shownMonth(), 6);
    QCOMPARE(selection(view), QStringLiteral("1403/8/15"));
    // A day of the shown page is selected from that page.
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, view.cellCenter(3, 1));
    QCOMPARE(view.SelMonth(), 6);
    view.setLockTopDate(false);
    QCOMPARE(view.TopDate(), PersianDateToSerial(1403, 6, 1));
}

void TestCalendarView::fontSetsWidth()
{
    TCalendarView view;
    QFont f = view.font();
    f.setPointSize(20);
    view.setFont(f);
    const QFontMetrics fm(f);
    QCOMPARE(view.cellSize().height(), fm.height() + 4);
    QCOMPARE(view.width(), 7 * view.cellSize().width() + 12);
    f.setFamily(QStringLiteral("MS Sans Serif"));
    view.setFont(f);
    QCOMPARE(view.font().family(), QStringLiteral("Microsoft Sans Serif"));
}

void TestCalendarView::colours()
{
    QWidget window;
    auto* other = new QWidget(&window);
    other->setFocusPolicy(Qt::StrongFocus);
    auto* view = new TCalendarView(&window);
    view->resize(view->sizeHint());
    view->move(0, 40);
    window.resize(400, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // Shown month: today's, with another day selected so today's cell keeps its own colours.
    view->setHDate(TodayPersianSerial());
    view->setSelDay(view->SelDay() == 1 ? 2 : 1);
    const int todayIndex =
        PersianDateToSerial(quint16(view->SelYear()), quint16(view->SelMonth()), 1);
    const int offset = TodayPersianSerial() - todayIndex + view->firstColumn() - 1;
    QCOMPARE(cellBack(*view, 2 + offset / 7, offset % 7 + 1), view->TodayBackColor());
    const int selOffset = view->SelDay() - 1 + view->firstColumn() - 1;
    QCOMPARE(cellBack(*view, 2 + selOffset / 7, selOffset % 7 + 1), view->SelectBackColor());

    other->setFocus();
    QTRY_VERIFY(!view->hasFocus());
    QCOMPARE(cellBack(*view, 0, 4), view->UnSelectBackColor());
    QCOMPARE(cellBack(*view, 1, 4), view->WeekBackColor());

    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    const struct
    {
        int month;
        QColor back;
    } seasons[] = {{2, view->SpringBackColor()},
                   {5, view->SummerBackColor()},
                   {8, view->AtumnBackColor()},
                   {11, view->WinterBackColor()}};
    for (const auto& season : seasons) {
        view->setSelMonth(season.month);
        QCOMPARE(cellBack(*view, 0, 4), season.back);
    }

    // A marked date takes its own colours.
    select(*view, 1403, 7, 10);
    view->AddMarkedDate(PersianDateToSerial(1403, 7, 20), Qt::white, Qt::darkMagenta);
    // 1403/07/20 sits at index 19 + 1 (Sunday start): row 4, column 7.
    QCOMPARE(cellBack(*view, 4, 7), QColor(Qt::darkMagenta));
    view->RemoveMarkedDate(PersianDateToSerial(1403, 7, 20));
    QCOMPARE(cellBack(*view, 4, 7), view->palette().color(QPalette::Base));
}

void TestCalendarView::dialogAnswers_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QDate>("date");
    const QDate start(2024, 9, 22); // 1403/07/01, a Sunday
    QTest::newRow("enter") << "enter" << true << start;
    QTest::newRow("next day, enter") << "left enter" << true << start.addDays(1);
    QTest::newRow("escape") << "left escape" << false << start;
    QTest::newRow("click a day") << "click 3 1" << true << QDate(2024, 9, 28);
    QTest::newRow("click prior month") << "click 2 1" << true << start.addDays(-1);
    QTest::newRow("arrow, then escape") << "click 0 7 escape" << false << start;
    QTest::newRow("arrow, then enter") << "click 0 7 enter" << true << QDate(2024, 10, 22);
}

void TestCalendarView::dialogAnswers()
{
    QFETCH(QString, action);
    QFETCH(bool, accepted);
    QFETCH(QDate, date);
    bool sawDialog = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<TSelectDateDlg*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        sawDialog = true;
        TCalendarView* view = dlg->calendar();
        const QStringList steps = action.split(u' ');
        for (int i = 0; i < steps.size(); ++i) {
            if (steps[i] == u"enter")
                QTest::keyClick(view, Qt::Key_Return);
            else if (steps[i] == u"escape")
                QTest::keyClick(view, Qt::Key_Escape);
            else if (steps[i] == u"left")
                QTest::keyClick(view, Qt::Key_Left);
            else if (steps[i] == u"click") {
                const QPoint at = view->cellCenter(steps[i + 1].toInt(), steps[i + 2].toInt());
                i += 2;
                QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, at);
            }
        }
        if (dlg->isVisible())
            dlg->reject(); // keeps a wrong test from hanging
    });
    QDate chosen(2024, 9, 22);
    QCOMPARE(TSelectDateDlg::SelectDate(QPoint(500, 100), chosen), accepted);
    QVERIFY(sawDialog);
    QCOMPARE(chosen, date);
}

void TestCalendarView::dialogPlacement_data()
{
    QTest::addColumn<bool>("above");
    QTest::newRow("below the point") << false;
    QTest::newRow("above the point") << true;
}

void TestCalendarView::dialogPlacement()
{
    QFETCH(bool, above);
    QRect placed;
    QString family;
    QTimer::singleShot(0, [&] {
        if (auto* dlg = qobject_cast<TSelectDateDlg*>(QApplication::activeModalWidget())) {
            placed = dlg->geometry();
            family = dlg->calendar()->font().family();
            QVERIFY(dlg->calendar()->rect().contains(dlg->calendar()->cellCenter(7, 7)));
            dlg->reject();
        }
    });
    const QPoint at(600, 400);
    QDate date;
    QVERIFY(!TSelectDateDlg::SelectDate(at, date, above));
    QVERIFY(date.isNull());
    QCOMPARE(family, QStringLiteral("Traffic"));
    QCOMPARE(placed.right(), at.x());
    QCOMPARE(above ? placed.bottom() : placed.top(), at.y());
}

QTEST_MAIN(TestCalendarView)
#include "test_calendarview.moc"
