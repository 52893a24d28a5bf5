// The date edit: digit typing, caret moves, day keys, Delete, read-only, Date, the picker.

#include "controls/persian/CalendarView.h"
#include "controls/persian/DateEdit.h"
#include "controls/persian/SelectDateDlg.h"

#include <QtTest>

namespace {

struct Start
{
    int y, m, d, pos;
};

void prepare(TDateEdit& edit, const Start& s)
{
    edit.setYear(quint16(s.y));
    edit.setMonth(quint16(s.m));
    edit.setDay(quint16(s.d));
    edit.setCurPos(s.pos);
}

QString state(const TDateEdit& edit)
{
    return QStringLiteral("%1/%2/%3 @%4")
        .arg(edit.Year(), 4, 10, QLatin1Char('0'))
        .arg(edit.Month(), 2, 10, QLatin1Char('0'))
        .arg(edit.Day(), 2, 10, QLatin1Char('0'))
        .arg(edit.CurPos());
}

// Runs once the modal picker is up, then closes it with the given key.
void answerPicker(std::function<void(TSelectDateDlg*)> act, QString* seen = nullptr)
{
    QTimer::singleShot(0, [act, seen] {
        auto* dlg = qobject_cast<TSelectDateDlg*>(QApplication::activeModalWidget());
        if (seen)
            *seen = dlg ? QStringLiteral("picker") : QStringLiteral("none");
        if (dlg)
            act(dlg);
    });
}

} // namespace

Q_DECLARE_METATYPE(Start)

class TestDateEdit : public QObject
{
    Q_OBJECT

private slots:
    void typing_data();
    void typing();
    void typingPersianDigits();
    void caretKeys_data();
    void caretKeys();
    void dayKeys_data();
    void dayKeys();
    void deleteKey();
    void readOnly_data();
    void readOnly();
    void changeSignal_data();
    void changeSignal();
    void date_data();
    void date();
    void setDate_data();
    void setDate();
    void mouseMovesCaret();
    void insertPicks_data();
    void insertPicks();
    void pickerPlacement_data();
    void pickerPlacement();
    void drawnText_data();
    void drawnText();
    void textIsCentredVertically();
};

void TestDateEdit::typing_data()
{
    QTest::addColumn<Start>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole date") << Start{0, 0, 0, 0} << "14031229"
                                << "1403/12/29 @10";
    QTest::newRow("month 1 then 5") << Start{1403, 0, 0, 5} << "15"
                                    << "1403/05/00 @8";
    QTest::newRow("month 1 then 2") << Start{1403, 0, 0, 5} << "12"
                                    << "1403/12/00 @8";
    QTest::newRow("month 1 then 0") << Start{1403, 0, 0, 5} << "10"
                                    << "1403/10/00 @8";
    QTest::newRow("month 09 capped") << Start{1403, 9, 10, 5} << "1"
                                     << "1403/12/10 @6";
    QTest::newRow("month digit above 1") << Start{1403, 0, 0, 5} << "7"
                                         << "1403/07/00 @8";
    QTest::newRow("month second place") << Start{1403, 1, 0, 6} << "8"
                                        << "1403/08/00 @8";
    QTest::newRow("day 31 in mehr") << Start{1403, 7, 0, 8} << "31"
                                    << "1403/07/30 @8";
    QTest::newRow("day 31 in farvardin") << Start{1403, 1, 0, 8} << "31"
                                         << "1403/01/31 @10";
    QTest::newRow("3 after 3 is day 3") << Start{1403, 1, 0, 8} << "33"
                                        << "1403/01/03 @10";
    QTest::newRow("day digit above 3") << Start{1403, 1, 0, 8} << "5"
                                       << "1403/01/05 @10";
    QTest::newRow("day 3_ esfand 1404") << Start{1404, 12, 0, 8} << "3"
                                        << "1404/12/29 @8";
    QTest::newRow("day 30 esfand 1403") << Start{1403, 12, 0, 8} << "30"
                                        << "1403/12/30 @10";
    QTest::newRow("year change clamps") << Start{1403, 12, 30, 0} << "1404"
                                        << "1404/12/29 @8";
    QTest::newRow("month change clamps") << Start{0, 0, 31, 5} << "7"
                                         << "0000/07/30 @8";
    // Without a month the day is held to the month before Farvardin (Esfand, 29 days in
    // 1402): the 3 gives 30, held to 29 with the caret back at the day, then the 1 gives 19.
    QTest::newRow("day before month") << Start{1403, 0, 0, 8} << "31"
                                      << "1403/00/19 @9";
    QTest::newRow("year skips separator") << Start{1400, 0, 0, 3} << "9"
                                          << "1409/00/00 @5";
    QTest::newRow("year leading zero") << Start{0, 0, 0, 0} << "01"
                                       << "0100/00/00 @2";
    QTest::newRow("past the end ignored") << Start{1403, 1, 1, 10} << "5"
                                          << "1403/01/01 @10";
    QTest::newRow("letters ignored") << Start{1403, 1, 1, 0} << "a-/ "
                                     << "1403/01/01 @0";
}

void TestDateEdit::typing()
{
    QFETCH(Start, start);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    TDateEdit edit;
    prepare(edit, start);
    QTest::keyClicks(&edit, keys);
    QCOMPARE(state(edit), expected);
}

void TestDateEdit::typingPersianDigits()
{
    // A Persian keyboard types U+06F0..U+06F9.
    TDateEdit edit;
    const QString keys = QString::fromUtf8("\xdb\xb1\xdb\xb4\xdb\xb0\xdb\xb3\xdb\xb7");
    for (QChar ch : keys)
        QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    QCOMPARE(state(edit), QStringLiteral("1403/07/00 @8"));
}

void TestDateEdit::caretKeys_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<int>("to");
    QTest::newRow("right 0") << 0 << int(Qt::Key_Right) << false << 1;
    QTest::newRow("right 3 skips") << 3 << int(Qt::Key_Right) << false << 5;
    QTest::newRow("right 6 skips") << 6 << int(Qt::Key_Right) << false << 8;
    QTest::newRow("right 10 stays") << 10 << int(Qt::Key_Right) << false << 10;
    QTest::newRow("ctrl right year") << 1 << int(Qt::Key_Right) << true << 5;
    QTest::newRow("ctrl right month") << 5 << int(Qt::Key_Right) << true << 8;
    QTest::newRow("ctrl right day") << 8 << int(Qt::Key_Right) << true << 9;
    QTest::newRow("left 5 skips") << 5 << int(Qt::Key_Left) << false << 3;
    QTest::newRow("left 8 skips") << 8 << int(Qt::Key_Left) << false << 6;
    QTest::newRow("left 0 stays") << 0 << int(Qt::Key_Left) << false << 0;
    QTest::newRow("left 10") << 10 << int(Qt::Key_Left) << false << 9;
    QTest::newRow("ctrl left month") << 6 << int(Qt::Key_Left) << true << 0;
    QTest::newRow("ctrl left day") << 9 << int(Qt::Key_Left) << true << 5;
    QTest::newRow("ctrl left year") << 2 << int(Qt::Key_Left) << true << 1;
    QTest::newRow("backspace 8") << 8 << int(Qt::Key_Backspace) << false << 6;
    QTest::newRow("ctrl backspace day") << 8 << int(Qt::Key_Backspace) << true << 5;
    QTest::newRow("home") << 9 << int(Qt::Key_Home) << false << 0;
    QTest::newRow("end") << 0 << int(Qt::Key_End) << false << 9;
}

void TestDateEdit::caretKeys()
{
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(bool, ctrl);
    QFETCH(int, to);
    TDateEdit edit;
    prepare(edit, {1403, 7, 15, from});
    QTest::keyClick(&edit, Qt::Key(key), ctrl ? Qt::ControlModifier : Qt::NoModifier);
    QCOMPARE(edit.CurPos(), to);
    // Moving the caret never touches the value; Backspace does not erase.
    QCOMPARE(state(edit).left(10), QStringLiteral("1403/07/15"));
}

void TestDateEdit::dayKeys_data()
{
    QTest::addColumn<Start>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("times");
    QTest::addColumn<int>("day");
    QTest::newRow("up") << Start{1403, 7, 28, 8} << int(Qt::Key_Up) << 1 << 29;
    QTest::newRow("up stops at 30") << Start{1403, 7, 28, 9} << int(Qt::Key_Up) << 3 << 30;
    QTest::newRow("up stops at 29") << Start{1404, 12, 28, 10} << int(Qt::Key_Up) << 3 << 29;
    QTest::newRow("down") << Start{1403, 7, 5, 8} << int(Qt::Key_Down) << 2 << 3;
    QTest::newRow("down stops at 1") << Start{1403, 7, 2, 8} << int(Qt::Key_Down) << 3 << 1;
    QTest::newRow("page up") << Start{1403, 7, 20, 8} << int(Qt::Key_PageUp) << 1 << 15;
    QTest::newRow("page up stops at 1") << Start{1403, 7, 3, 8} << int(Qt::Key_PageUp) << 1 << 1;
    QTest::newRow("page down") << Start{1403, 1, 20, 8} << int(Qt::Key_PageDown) << 1 << 25;
    QTest::newRow("page down stops") << Start{1403, 7, 28, 8} << int(Qt::Key_PageDown) << 1 << 30;
    QTest::newRow("not in the month") << Start{1403, 7, 5, 6} << int(Qt::Key_Up) << 1 << 5;
    QTest::newRow("not in the year") << Start{1403, 7, 5, 0} << int(Qt::Key_PageDown) << 1 << 5;
    // No month yet: the month before Farvardin, Esfand 1402, has 29 days.
    QTest::newRow("no month stops at 29") << Start{1403, 0, 28, 8} << int(Qt::Key_Up) << 3 << 29;
}

void TestDateEdit::dayKeys()
{
    QFETCH(Start, start);
    QFETCH(int, key);
    QFETCH(int, times);
    QFETCH(int, day);
    TDateEdit edit;
    prepare(edit, start);
    for (int i = 0; i < times; ++i)
        QTest::keyClick(&edit, Qt::Key(key));
    QCOMPARE(int(edit.Day()), day);
    QCOMPARE(int(edit.Month()), start.m);
    QCOMPARE(edit.CurPos(), start.pos);
}

void TestDateEdit::deleteKey()
{
    TDateEdit edit;
    prepare(edit, {1403, 7, 15, 9});
    QTest::keyClick(&edit, Qt::Key_Delete);
    QCOMPARE(state(edit), QStringLiteral("0000/00/00 @0"));
    QVERIFY(edit.Date().isNull());
}

void TestDateEdit::readOnly_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("digit") << int(Qt::Key_5) << "5";
    QTest::newRow("delete") << int(Qt::Key_Delete) << "";
    QTest::newRow("up") << int(Qt::Key_Up) << "";
    QTest::newRow("down") << int(Qt::Key_Down) << "";
    QTest::newRow("page up") << int(Qt::Key_PageUp) << "";
    QTest::newRow("page down") << int(Qt::Key_PageDown) << "";
    QTest::newRow("insert") << int(Qt::Key_Insert) << "";
}

void TestDateEdit::readOnly()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    TDateEdit edit;
    edit.setReadOnly(true);
    prepare(edit, {1403, 7, 15, 8});
    QSignalSpy changes(&edit, &TDateEdit::OnChange);
    QString seen = QStringLiteral("none");
    if (key == Qt::Key_Insert)
        answerPicker(
            [](TSelectDateDlg* dlg) {
                QTest::keyClick(dlg->calendar(), Qt::Key_Left);
                QTest::keyClick(dlg->calendar(), Qt::Key_Return);
            },
            &seen);
    QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key(key), text, Qt::NoModifier);
    if (key == Qt::Key_Insert)
        QTest::qWait(0);
    QCOMPARE(state(edit), QStringLiteral("1403/07/15 @8"));
    QCOMPARE(changes.count(), 0);
    QCOMPARE(seen, QStringLiteral("none"));
    // The caret still moves.
    QTest::keyClick(&edit, Qt::Key_Home);
    QCOMPARE(edit.CurPos(), 0);
}

void TestDateEdit::changeSignal_data()
{
    QTest::addColumn<Start>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("emitted");
    QTest::newRow("digit that changes") << Start{1403, 7, 15, 3} << int(Qt::Key_4) << "4" << 1;
    QTest::newRow("digit that does not") << Start{1403, 7, 15, 3} << int(Qt::Key_3) << "3" << 0;
    QTest::newRow("caret move") << Start{1403, 7, 15, 3} << int(Qt::Key_Right) << "" << 0;
    QTest::newRow("up") << Start{1403, 7, 15, 8} << int(Qt::Key_Up) << "" << 1;
    QTest::newRow("up at the end") << Start{1403, 7, 30, 8} << int(Qt::Key_Up) << "" << 0;
    QTest::newRow("delete") << Start{1403, 7, 15, 8} << int(Qt::Key_Delete) << "" << 1;
}

void TestDateEdit::changeSignal()
{
    QFETCH(Start, start);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, emitted);
    TDateEdit edit;
    prepare(edit, start);
    QSignalSpy changes(&edit, &TDateEdit::OnChange);
    QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key(key), text, Qt::NoModifier);
    QCOMPARE(changes.count(), emitted);
}

void TestDateEdit::date_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<QDate>("date");
    QTest::newRow("whole") << 1403 << 1 << 1 << QDate(2024, 3, 20);
    QTest::newRow("mehr") << 1402 << 7 << 1 << QDate(2023, 9, 23);
    QTest::newRow("no year") << 0 << 1 << 1 << QDate();
    QTest::newRow("no month") << 1403 << 0 << 1 << QDate();
    QTest::newRow("no day") << 1403 << 1 << 0 << QDate();
    QTest::newRow("impossible day") << 1403 << 7 << 31 << QDate();
    QTest::newRow("impossible month") << 1403 << 13 << 1 << QDate();
}

void TestDateEdit::date()
{
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(QDate, date);
    TDateEdit edit;
    prepare(edit, {y, m, d, 0});
    QCOMPARE(edit.Date(), date);
}

void TestDateEdit::setDate_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nowruz") << QDate(2024, 3, 20) << "1403/01/01 @0";
    QTest::newRow("leap esfand") << QDate(2025, 3, 20) << "1403/12/30 @0";
    QTest::newRow("null clears") << QDate() << "0000/00/00 @0";
    QTest::newRow("before the calendar keeps") << QDate(500, 1, 1) << "1399/05/05 @0";
}

void TestDateEdit::setDate()
{
    QFETCH(QDate, date);
    QFETCH(QString, expected);
    TDateEdit edit;
    prepare(edit, {1399, 5, 5, 0});
    edit.setDate(date);
    QCOMPARE(state(edit), expected);
    if (date.isValid() && date.year() > 622)
        QCOMPARE(edit.Date(), date);
}

void TestDateEdit::mouseMovesCaret()
{
    TDateEdit edit;
    edit.resize(200, 34);
    const QFontMetrics fm(edit.font());
    const QString sample = QStringLiteral("8888/08/28");
    for (int place : {0, 1, 2, 3, 5, 6, 8, 9, 10}) {
        const int x = 2 + fm.horizontalAdvance(sample.left(place));
        edit.setCurPos(place == 0 ? 10 : 0);
        QTest::mouseClick(&edit, Qt::LeftButton, Qt::NoModifier, QPoint(x, 10));
        QCOMPARE(edit.CurPos(), place);
    }
    // Far past the text: after the end.
    QTest::mouseClick(&edit, Qt::LeftButton, Qt::NoModifier, QPoint(195, 10));
    QCOMPARE(edit.CurPos(), 10);
}

void TestDateEdit::insertPicks_data()
{
    QTest::addColumn<Start>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("emitted");
    QTest::newRow("enter takes the next day")
        << Start{1403, 7, 30, 8} << int(Qt::Key_Return) << "1403/08/01 @8" << 1;
    QTest::newRow("escape keeps") << Start{1403, 7, 30, 8} << int(Qt::Key_Escape) << "1403/07/30 @8"
                                  << 0;
}

void TestDateEdit::insertPicks()
{
    QFETCH(Start, start);
    QFETCH(int, key);
    QFETCH(QString, expected);
    QFETCH(int, emitted);
    TDateEdit edit;
    prepare(edit, start);
    QSignalSpy changes(&edit, &TDateEdit::OnChange);
    QString seen;
    int startDay = 0;
    answerPicker(
        [key, &startDay](TSelectDateDlg* dlg) {
            startDay = dlg->calendar()->SelDay();
            QTest::keyClick(dlg->calendar(), Qt::Key_Left); // one day on
            QTest::keyClick(dlg->calendar(), Qt::Key(key));
        },
        &seen);
    QTest::keyClick(&edit, Qt::Key_Insert);
    QCOMPARE(seen, QStringLiteral("picker"));
    QCOMPARE(startDay, start.d);
    QCOMPARE(state(edit), expected);
    QCOMPARE(changes.count(), emitted);
}

void TestDateEdit::pickerPlacement_data()
{
    QTest::addColumn<bool>("above");
    QTest::newRow("below") << false;
    QTest::newRow("above") << true;
}

void TestDateEdit::pickerPlacement()
{
    QFETCH(bool, above);
    QWidget window;
    window.resize(300, 300);
    window.move(250, 250);
    auto* edit = new TDateEdit(&window);
    edit->move(100, 120);
    edit->setShowUPDow(above);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QRect placed;
    answerPicker([&placed](TSelectDateDlg* dlg) {
        placed = dlg->geometry();
        QTest::keyClick(dlg->calendar(), Qt::Key_Escape);
    });
    QTest::keyClick(edit, Qt::Key_Insert);
    QVERIFY(placed.isValid());
    const QRect control(edit->mapToGlobal(QPoint(0, 0)), edit->size());
    QCOMPARE(placed.right(), control.right());
    if (above)
        QVERIFY(placed.bottom() < control.top());
    else
        QVERIFY(placed.top() > control.bottom());
    QVERIFY(qAbs(above ? control.top() - placed.bottom() : placed.top() - control.bottom()) <= 2);
}

void TestDateEdit::drawnText_data()
{
    QTest::addColumn<Start>("start");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing entered") << Start{0, 0, 0, 0} << "0000/00/00";
    QTest::newRow("one-digit year") << Start{5, 3, 1, 0} << "05/03/01";
    QTest::newRow("two-digit year") << Start{99, 12, 30, 0} << "99/12/30";
    QTest::newRow("four-digit year") << Start{1403, 1, 5, 0} << "1403/01/05";
}

void TestDateEdit::drawnText()
{
    QFETCH(Start, start);
    QFETCH(QString, text);
    TDateEdit edit;
    prepare(edit, start);
    QCOMPARE(edit.Text(), text);
}

void TestDateEdit::textIsCentredVertically()
{
    TDateEdit edit;
    edit.setBorderStyle(TDateEdit::bsNone);
    edit.resize(140, 64);
    prepare(edit, {1403, 1, 5, 0});
    const QImage image = edit.grab().toImage();
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 100) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
    QVERIFY(top >= 0);
    const int below = image.height() - 1 - bottom;
    QVERIFY2(qAbs(top - below) <= QFontMetrics(edit.font()).descent() + 3,
             qPrintable(QStringLiteral("%1 above, %2 below").arg(top).arg(below)));
}

QTEST_MAIN(TestDateEdit)
#include "test_dateedit.moc"
