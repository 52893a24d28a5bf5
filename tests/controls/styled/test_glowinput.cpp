#include "controls/styled/PexGlowButton.h"
#include "helper_events.h"

#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace pex;

namespace {

const QPoint kIn(20, 20);
const QPoint kOut(150, 20);

struct Row
{
    QWidget parent;
    QList<TPexGlowButton*> buttons;

    explicit Row(int count = 1)
    {
        parent.resize(400, 100);
        for (int i = 0; i < count; ++i) {
            auto* b = new TPexGlowButton(QStringLiteral("b%1").arg(i), &parent);
            b->setGeometry(10 + 110 * i, 10, 100, 41);
            buttons << b;
        }
        // The mouse is only followed over a button that the user can see.
        parent.show();
    }
    TPexGlowButton* operator[](int i) const { return buttons[i]; }
};

void clickWithMouse(TPexGlowButton* b, QPoint at = kIn)
{
    events::enter(b, at);
    events::press(b, at);
    events::release(b, at);
}

} // namespace

class TestGlowInput : public QObject
{
    Q_OBJECT

private slots:
    void init() { TPexGlowButton::setFadeInterval(20); }

    void pressAndReleaseInsideClicksOnce()
    {
        Row r;
        QSignalSpy clicks(r[0], &QPushButton::clicked);
        events::enter(r[0], kIn);
        events::press(r[0], kIn);
        QCOMPARE(r[0]->DrawState(), int(TPexGlowButton::dsDown));
        QCOMPARE(clicks.count(), 0);
        events::release(r[0], kIn);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(r[0]->DrawState(), int(TPexGlowButton::dsUp));
        QCOMPARE(r[0]->text(), QStringLiteral("b0"));
    }

    void releaseOutsideDoesNotClick()
    {
        Row r;
        QSignalSpy clicks(r[0], &QPushButton::clicked);
        events::enter(r[0], kIn);
        events::press(r[0], kIn);
        events::release(r[0], kOut);
        QCOMPARE(clicks.count(), 0);
        QVERIFY(!r[0]->IsHot());
    }

    void leavingAndComingBackWhileHeldSwitchesTheLook()
    {
        Row r;
        TPexGlowButton* b = r[0];
        events::enter(b, kIn);
        events::press(b, kIn);
        QCOMPARE(b->DrawState(), int(TPexGlowButton::dsDown));
        events::move(b, kOut);
        QCOMPARE(b->DrawState(), int(TPexGlowButton::dsUp));
        QVERIFY(!b->IsHot());
        QVERIFY(!b->IsPressed());
        events::move(b, kIn);
        QCOMPARE(b->DrawState(), int(TPexGlowButton::dsDown));
        QVERIFY(b->IsHot());
        QVERIFY(b->IsPressed()); // taken back from the press that left
        QSignalSpy clicks(b, &QPushButton::clicked);
        events::release(b, kIn);
        QCOMPARE(clicks.count(), 1);
    }

    void fadeInTakesFiveTicksAndEndsOnTheSixth()
    {
        Row r;
        TPexGlowButton* b = r[0];
        events::enter(b, kIn);
        QVERIFY(b->Fading());
        for (int i = 1; i <= 5; ++i) {
            b->FadeTick();
            QCOMPARE(b->HotPercent(), 20 * i);
            QVERIFY(b->Fading());
        }
        b->FadeTick();
        QCOMPARE(b->HotPercent(), 100);
        QVERIFY(!b->Fading());
        events::leave(b);
        QVERIFY(b->Fading());
        for (int i = 0; i < 6; ++i)
            b->FadeTick();
        QCOMPARE(b->HotPercent(), 0);
        QVERIFY(!b->Fading());
    }

    void colourTonesStopEveryButtonFading()
    {
        Row r(2);
        r[0]->ApplyColorTones(DefaultColorTones());
        events::enter(r[1], kIn);
        QVERIFY(!r[1]->Fading());
        QVERIFY(r[1]->IsHot());
        events::leave(r[1]);
        QVERIFY(!r[1]->Fading());
        QVERIFY(!r[1]->IsHot());
    }

    void downStaysUpWithoutAGroup()
    {
        Row r;
        r[0]->setDown(true);
        QVERIFY(!r[0]->Down());
    }

    void groupKeepsOneButtonDown_data()
    {
        QTest::addColumn<bool>("allowAllUp");
        QTest::newRow("one always down") << false;
        QTest::newRow("all may be up") << true;
    }
    void groupKeepsOneButtonDown()
    {
        QFETCH(bool, allowAllUp);
        Row r(3);
        for (TPexGlowButton* b : r.buttons) {
            b->setGroupIndex(1);
            b->setAllowAllUp(allowAllUp);
        }
        clickWithMouse(r[0]);
        QVERIFY(r[0]->Down());
        QCOMPARE(r[0]->DrawState(), int(TPexGlowButton::dsExclusive));
        clickWithMouse(r[1]);
        QVERIFY(r[1]->Down());
        QVERIFY(!r[0]->Down());
        QCOMPARE(r[0]->DrawState(), int(TPexGlowButton::dsUp));
        QVERIFY(!r[2]->Down());
        // Clicking the down one again.
        clickWithMouse(r[1]);
        QCOMPARE(r[1]->Down(), !allowAllUp);
    }

    void pressReleasedOutsideLeavesAGroupedButtonDown()
    {
        Row r(2);
        r[0]->setGroupIndex(3);
        r[1]->setGroupIndex(3);
        r[0]->setDown(true);
        QSignalSpy clicks(r[0], &QPushButton::clicked);
        events::enter(r[0], kIn);
        events::press(r[0], kIn);
        events::release(r[0], kOut);
        QVERIFY(r[0]->Down());
        QCOMPARE(r[0]->DrawState(), int(TPexGlowButton::dsExclusive));
        QCOMPARE(clicks.count(), 0);
    }

    void otherGroupsAreLeftAlone()
    {
        Row r(2);
        r[0]->setGroupIndex(1);
        r[1]->setGroupIndex(2);
        r[0]->setDown(true);
        r[1]->setDown(true);
        QVERIFY(r[0]->Down());
        QVERIFY(r[1]->Down());
    }

    void checkButtonToggles()
    {
        Row r;
        TPexGlowButton* b = r[0];
        b->setStyle(bsCheck);
        QSignalSpy clicks(b, &QPushButton::clicked);
        clickWithMouse(b);
        QVERIFY(b->Down());
        QCOMPARE(b->DrawState(), int(TPexGlowButton::dsDown));
        clickWithMouse(b);
        QVERIFY(!b->Down());
        QCOMPARE(b->DrawState(), int(TPexGlowButton::dsUp));
        QCOMPARE(clicks.count(), 2);
        // Released outside: no toggle.
        events::press(b, kIn);
        events::release(b, kOut);
        QVERIFY(!b->Down());
    }

    void autoRepeatTicksWhileHeldAndStopsOnRelease()
    {
        Row r;
        TPexGlowButton* b = r[0];
        b->setRepeatClick(true);
        QSignalSpy clicks(b, &QPushButton::clicked);
        events::enter(b, kIn);
        events::press(b, kIn);
        const QTimer* t = b->RepeatTimer();
        QVERIFY(t && t->isActive());
        QCOMPARE(t->interval(), 400);
        b->TimerExpired();
        QCOMPARE(t->interval(), 100);
        b->TimerExpired();
        QCOMPARE(clicks.count(), 2);
        events::release(b, kIn);
        QCOMPARE(clicks.count(), 3);
        QVERIFY(!t->isActive());
        // A new press starts from the long pause again.
        events::press(b, kIn);
        QVERIFY(t->isActive());
        QCOMPARE(t->interval(), 400);
        events::release(b, kIn);
    }

    void repeatPausesWhileTheMouseIsOutside()
    {
        Row r;
        TPexGlowButton* b = r[0];
        b->setRepeatClick(true);
        QSignalSpy clicks(b, &QPushButton::clicked);
        events::enter(b, kIn);
        events::press(b, kIn);
        events::move(b, kOut);
        b->TimerExpired();
        QCOMPARE(clicks.count(), 0);
        events::move(b, kIn);
        b->TimerExpired();
        QCOMPARE(clicks.count(), 1);
        events::release(b, kIn);
    }

    void heldKeyClicksOncePerPress_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("space") << int(Qt::Key_Space);
        QTest::newRow("enter") << int(Qt::Key_Return);
    }
    void heldKeyClicksOncePerPress()
    {
        QFETCH(int, key);
        Row r;
        TPexGlowButton* b = r[0];
        QSignalSpy clicks(b, &QPushButton::clicked);
        events::key(b, QEvent::KeyPress, key);
        for (int i = 0; i < 5; ++i) {
            events::key(b, QEvent::KeyRelease, key, true);
            events::key(b, QEvent::KeyPress, key, true);
        }
        events::key(b, QEvent::KeyRelease, key);
        QCOMPARE(clicks.count(), 1);
        QVERIFY(!b->IsPressed());
        events::key(b, QEvent::KeyPress, key);
        events::key(b, QEvent::KeyRelease, key);
        QCOMPARE(clicks.count(), 2);
    }

    void keysOnAGroupedButtonToggleIt()
    {
        Row r(2);
        r[0]->setGroupIndex(1);
        r[1]->setGroupIndex(1);
        r[1]->setDown(true);
        QSignalSpy clicks(r[0], &QPushButton::clicked);
        events::key(r[0], QEvent::KeyPress, Qt::Key_Space);
        QCOMPARE(clicks.count(), 0);
        events::key(r[0], QEvent::KeyRelease, Qt::Key_Space);
        QCOMPARE(clicks.count(), 1);
        QVERIFY(r[0]->Down());
        QVERIFY(!r[1]->Down());
    }

    void defaultAndCancelAnswerEnterAndEscape()
    {
        QWidget w;
        auto* edit = new QLineEdit(&w);
        auto* ok = new TPexGlowButton(QStringLiteral("ok"), &w);
        auto* cancel = new TPexGlowButton(QStringLiteral("cancel"), &w);
        auto* other = new TPexGlowButton(QStringLiteral("other"), &w);
        other->setTabStop(true);
        ok->move(0, 30);
        cancel->move(0, 80);
        other->move(0, 130);
        ok->setDefault(true);
        cancel->setCancel(true);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSignalSpy okClicks(ok, &QPushButton::clicked);
        QSignalSpy cancelClicks(cancel, &QPushButton::clicked);
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(okClicks.count(), 1);
        QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(okClicks.count(), 1);
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(cancelClicks.count(), 1);
        // Another glow button with the focus takes Enter for itself.
        QSignalSpy otherClicks(other, &QPushButton::clicked);
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QTest::keyClick(other, Qt::Key_Return);
        QCOMPARE(otherClicks.count(), 1);
        QCOMPARE(okClicks.count(), 1);
        // A hidden default does nothing.
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        ok->hide();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(okClicks.count(), 1);
    }

    void modalResultEndsTheDialog()
    {
        QDialog d;
        auto* b = new TPexGlowButton(QStringLiteral("yes"), &d);
        b->setModalResult(QDialog::Accepted + 5);
        QSignalSpy finished(&d, &QDialog::finished);
        d.show();
        b->Click();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toInt(), QDialog::Accepted + 5);
    }

    void acceleratorClicks()
    {
        QWidget w;
        auto* b = new TPexGlowButton(QStringLiteral("&Save"), &w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        QTRY_VERIFY(w.isActiveWindow());
        QSignalSpy clicks(b, &QPushButton::clicked);
        QTest::keyClick(&w, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(clicks.count(), 1);
        b->setEnabled(false);
        QTest::keyClick(&w, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(clicks.count(), 1);
    }

    void dropDownPartOpensTheMenu_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<QPoint>("corner");
        QTest::newRow("down") << int(ddDown) << QPoint(0, 41);
        QTest::newRow("up opens where down does") << int(ddUp) << QPoint(0, 41);
        QTest::newRow("right") << int(ddRight) << QPoint(100, 0);
    }
    void dropDownPartOpensTheMenu()
    {
        QFETCH(int, direction);
        QFETCH(QPoint, corner);
        Row r;
        TPexGlowButton* b = r[0];
        QMenu menu;
        menu.addAction(QStringLiteral("one"));
        b->setDropDownButton(true);
        b->setDropDownMenu(&menu);
        b->setDropDownDirection(TDropDownDirection(direction));
        QCOMPARE(b->DropDownPoint(), b->mapToGlobal(corner));
        int dropped = 0;
        b->OnDropDown = [&dropped](QObject*) { ++dropped; };
        QSignalSpy clicks(b, &QPushButton::clicked);
        events::enter(b, {95, 20});
        events::press(b, {95, 20});
        QCOMPARE(dropped, 1);
        QVERIFY(b->DropDownOpen());
        QVERIFY(menu.isVisible());
        menu.hide();
        QVERIFY(!b->DropDownOpen());
        events::release(b, {95, 20});
        QCOMPARE(clicks.count(), 0);
        // The button part still clicks.
        clickWithMouse(b, {20, 20});
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(dropped, 1);
    }

    void f4OpensTheDropDownOnlyWithoutShiftKeys_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("opens");
        QTest::newRow("plain") << int(Qt::NoModifier) << true;
        QTest::newRow("shift") << int(Qt::ShiftModifier) << false;
        QTest::newRow("ctrl") << int(Qt::ControlModifier) << false;
        QTest::newRow("alt") << int(Qt::AltModifier) << false;
    }
    void f4OpensTheDropDownOnlyWithoutShiftKeys()
    {
        QFETCH(int, modifiers);
        QFETCH(bool, opens);
        Row r;
        QMenu menu;
        menu.addAction(QStringLiteral("one"));
        r[0]->setDropDownButton(true);
        r[0]->setDropDownMenu(&menu);
        events::key(r[0], QEvent::KeyPress, Qt::Key_F4, false, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(menu.isVisible(), opens);
        menu.hide();
    }

    void disablingDropsThePress()
    {
        Row r;
        TPexGlowButton* b = r[0];
        b->setRepeatClick(true);
        events::enter(b, kIn);
        events::press(b, kIn);
        b->setEnabled(false);
        QVERIFY(!b->IsPressed());
        QVERIFY(!b->RepeatTimer()->isActive());
        QCOMPARE(b->DrawState(), int(TPexGlowButton::dsDisabled));
    }

    void autoSizeFitsTheCaption()
    {
        Row r;
        TPexGlowButton* b = r[0];
        b->setText(QStringLiteral("short"));
        b->setAutoSizeDirection(asHorizontal);
        b->setAutoSize(true);
        const int shortWidth = b->width();
        QVERIFY(QTest::qWaitForWindowExposed(&r.parent));
        // The paint works out the new size.
        b->setText(QStringLiteral("a much longer caption than before"));
        b->repaint();
        QVERIFY(b->width() > shortWidth);
        b->setDropDownButton(true);
        QCOMPARE(b->sizeHint().width(), b->width());
    }

    void assignCopiesTheButton()
    {
        Row r(2);
        r[0]->setGroupIndex(4);
        r[0]->setAllowAllUp(true);
        r[0]->setDown(true);
        r[0]->setLayout(blGlyphTop);
        r[0]->Appearance()->setColorHot(0x123456);
        r[0]->setNotes({QStringLiteral("n")});
        r[1]->Assign(r[0]);
        QCOMPARE(r[1]->text(), r[0]->text());
        QCOMPARE(r[1]->GroupIndex(), 4);
        QCOMPARE(r[1]->Layout(), blGlyphTop);
        QCOMPARE(r[1]->Appearance()->ColorHot(), TColor(0x123456));
        QCOMPARE(r[1]->Notes(), QStringList{QStringLiteral("n")});
        // Down is copied last, and the group then keeps one of them down.
        QVERIFY(r[1]->Down());
        QVERIFY(!r[0]->Down());
    }
};

QTEST_MAIN(TestGlowInput)
#include "test_glowinput.moc"
