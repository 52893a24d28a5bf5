#include "controls/styled/PexGlowButton.h"
#include "helper_events.h"

#include <QAction>
#include <QActionGroup>
#include <QSignalSpy>
#include <QtTest>

using namespace pex;

namespace {

QImage filled(QColor c, int side = 16)
{
    QImage img(side, side, QImage::Format_ARGB32);
    img.fill(c);
    return img;
}

// Single-colour images: 0 is `first` (red unless given), 1 green, 2 blue, 3 yellow.
TImageList* colourList(QObject* owner, int side = 16, QColor first = Qt::red)
{
    auto* list = new TImageList(side, side, owner);
    for (QColor c : {first, QColor(Qt::green), QColor(Qt::blue), QColor(Qt::yellow)})
        list->Add(filled(c, side));
    return list;
}

// A button without a caption, so that its picture sits in its middle.
struct Scene
{
    QWidget parent;
    TPexGlowButton* b;

    Scene()
    {
        parent.resize(120, 60);
        b = new TPexGlowButton(&parent);
        b->setGeometry(10, 10, 100, 40);
        b->setShowCaption(false);
        TPexGlowButton::setFadeInterval(0);
    }
    ~Scene() { TPexGlowButton::setFadeInterval(20); }

    QColor picture() { return parent.grab().toImage().pixelColor(b->geometry().center()); }
};

} // namespace

class TestGlowLinks : public QObject
{
    Q_OBJECT

private slots:
    // A state's own list before the normal one, the down picture while pressed, and grey for a
    // disabled button without a disabled list.
    void pictureByState_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("stateList");
        QTest::addColumn<QColor>("expected");
        const int g = qGray(qRgb(255, 0, 0));
        QTest::newRow("normal") << "normal" << true << QColor(Qt::red);
        QTest::newRow("hot with a hot list") << "hot" << true << QColor(Qt::blue);
        QTest::newRow("hot without one") << "hot" << false << QColor(Qt::red);
        QTest::newRow("disabled with a disabled list") << "disabled" << true << QColor(Qt::yellow);
        QTest::newRow("disabled without one: greyed") << "disabled" << false << QColor(g, g, g);
        QTest::newRow("pressed: the down picture") << "down" << true << QColor(Qt::magenta);
    }
    void pictureByState()
    {
        QFETCH(QString, state);
        QFETCH(bool, stateList);
        QFETCH(QColor, expected);
        Scene s;
        s.b->setImages(colourList(&s.parent));
        if (stateList) {
            s.b->setHotImages(colourList(&s.parent, 16, Qt::blue));
            s.b->setDisabledImages(colourList(&s.parent, 16, Qt::yellow));
        }
        s.b->setImageIndex(0);
        if (state == "hot")
            events::enter(s.b, {50, 20});
        else if (state == "disabled")
            s.b->setEnabled(false);
        else if (state == "down") {
            s.b->DownPicture()->Assign(filled(Qt::magenta));
            events::press(s.b, {50, 20});
        }
        QCOMPARE(s.picture(), expected);
    }

    // A change of the list shows at once; an index outside it shows the picture instead; a
    // destroyed list is let go; an auto-sized button follows the list's size.
    void listChangesRedrawAndADestroyedListIsLetGo()
    {
        Scene s;
        auto* list = colourList(nullptr);
        s.b->Picture()->Assign(filled(Qt::cyan));
        s.b->setImages(list);
        s.b->setHotImages(list);
        s.b->setImageIndex(2);
        list->Replace(2, filled(Qt::darkRed));
        QCOMPARE(s.picture(), QColor(Qt::darkRed));
        s.b->setImageIndex(9);
        QCOMPARE(s.picture(), QColor(Qt::cyan));
        s.b->setImageIndex(0);
        delete list;
        QCOMPARE(s.b->Images(), nullptr);
        QCOMPARE(s.b->HotImages(), nullptr);
        s.b->repaint();
        QCOMPARE(s.picture(), QColor(Qt::cyan));
        // Sized by itself, the button takes the list's height.
        s.b->setAutoSize(true);
        const int without = s.b->width();
        s.b->setImages(colourList(&s.parent, 32));
        QCOMPARE(s.b->height(), 32 + 2 * s.b->Spacing() + 2 * s.b->MarginVert());
        QVERIFY(s.b->width() > without);
    }

    // The action's text, state and image reach the button; a click triggers it.
    void actionLinkFollowsTheAction()
    {
        Scene s;
        TActionList owner;
        owner.SetImages(colourList(&s.parent));
        auto* action = new QAction(QStringLiteral("&Open"), &owner);
        TActionList::SetImageIndex(action, 1);
        s.b->setAction(action);
        QCOMPARE(s.picture(), QColor(Qt::green));
        TActionList::SetImageIndex(action, 2);
        QCOMPARE(s.picture(), QColor(Qt::blue));
        action->setText(QStringLiteral("Close"));
        action->setEnabled(false);
        QCOMPARE(s.b->text(), QStringLiteral("Close"));
        QVERIFY(!s.b->isEnabled());
        action->setEnabled(true);
        QSignalSpy triggered(action, &QAction::triggered);
        s.b->Click();
        QCOMPARE(triggered.count(), 1);
        // The button's own lists only when asked for.
        s.b->setImages(colourList(&s.parent));
        s.b->setImageIndex(3);
        QCOMPARE(s.picture(), QColor(Qt::blue));
        s.b->setImageListType(ipOwnLists);
        QCOMPARE(s.picture(), QColor(Qt::yellow));
        delete action;
        QCOMPARE(s.b->Action(), nullptr);
    }

    // Toggled from either side, a check button and its action stay as one.
    void checkButtonAndActionToggleTogether_data()
    {
        QTest::addColumn<bool>("byMouse");
        QTest::newRow("clicked") << true;
        QTest::newRow("action toggled") << false;
    }
    void checkButtonAndActionToggleTogether()
    {
        QFETCH(bool, byMouse);
        Scene s;
        QAction action(QStringLiteral("Bold"));
        action.setCheckable(true);
        s.b->setStyle(bsCheck);
        s.b->setAction(&action);
        QSignalSpy triggered(&action, &QAction::triggered);
        for (bool expected : {true, false, true}) {
            if (byMouse) {
                events::press(s.b, {50, 20});
                events::release(s.b, {50, 20});
            } else {
                action.toggle();
            }
            QCOMPARE(action.isChecked(), expected);
            QCOMPARE(s.b->Down(), expected);
        }
        QCOMPARE(triggered.count(), byMouse ? 3 : 0);
    }

    // The actions of one group make their buttons one group.
    void actionGroupIsTheButtonsGroup()
    {
        Scene s;
        auto* other = new TPexGlowButton(&s.parent);
        QActionGroup group(nullptr);
        QAction a(QStringLiteral("a"), &group), b(QStringLiteral("b"), &group);
        a.setCheckable(true);
        b.setCheckable(true);
        s.b->setAction(&a);
        other->setAction(&b);
        a.setChecked(true);
        QVERIFY(s.b->Down() && !other->Down());
        b.setChecked(true);
        QVERIFY(!s.b->Down() && other->Down());
        b.setVisible(false);
        QVERIFY(other->isHidden());
    }

    // While Alt is held each place puts the key tip's framed box where its name says, only for
    // buttons with a hint in the window that has Alt; released, the window is as before.
    void keyTipPlaces_data()
    {
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("across"); // left edge, centre, right edge, start
        QTest::addColumn<QString>("down");   // above, top edge, middle, bottom edge, below
        const QList<std::tuple<TShortCutHintPos, const char*, const char*, const char*>> rows = {
            {shpLeft, "left", "L", "middle"},
            {shpTop, "top", "C", "top"},
            {shpRight, "right", "R", "middle"},
            {shpBottom, "bottom", "C", "bottom"},
            {shpCenter, "center", "C", "middle"},
            {shpAuto, "auto: upper half of the window", "C", "bottom"},
            {shpTopLeft, "top left", "L", "top"},
            {shpTopRight, "top right", "R", "top"},
            {shpAboveTop, "above top", "C", "above"},
            {shpAboveTopLeft, "above top left", "L", "above"},
            {shpAboveTopRight, "above top right", "R", "above"},
            {shpBottomLeft, "bottom left", "L", "bottom"},
            {shpBottomRight, "bottom right", "R", "bottom"},
            {shpBelowBottom, "below bottom", "S", "below"},
            {shpBelowBottomLeft, "below bottom left", "L", "below"},
            {shpBelowBottomRight, "below bottom right", "R", "below"},
            {shpBelowBottomCenter, "below bottom centre", "C", "below"},
        };
        for (const auto& [pos, name, across, down] : rows)
            QTest::newRow(name) << int(pos) << QString(across) << QString(down);
    }
    void keyTipPlaces()
    {
        QFETCH(int, pos);
        QFETCH(QString, across);
        QFETCH(QString, down);
        QWidget window, other;
        window.resize(300, 300);
        auto* b = new TPexGlowButton(QStringLiteral("Print"), &window);
        b->setGeometry(100, 60, 100, 40);
        b->setShortCutHint(QStringLiteral("P"));
        b->setShortCutHintPos(TShortCutHintPos(pos));
        auto* plain = new TPexGlowButton(QStringLiteral("C"), &window);
        plain->move(0, 250);
        auto* elsewhere = new TPexGlowButton(QStringLiteral("B"), &other);
        elsewhere->setShortCutHint(QStringLiteral("B"));
        window.show();
        other.show();
        const QImage before = window.grab().toImage();
        QTest::keyPress(&window, Qt::Key_Alt);
        QVERIFY(b->KeyTipShown());
        QVERIFY(!plain->KeyTipShown());
        QVERIFY(!elsewhere->KeyTipShown());
        const QRect tip = b->KeyTipRect();
        const QRect r = b->geometry();
        const QPoint c(tip.left() + tip.width() / 2, tip.top() + tip.height() / 2);
        const QMap<QString, int> centreX = {
            {"L", r.left()}, {"C", r.center().x()}, {"R", r.right() + 1}};
        const QMap<QString, int> centreY = {
            {"top", r.top()}, {"middle", r.center().y()}, {"bottom", r.bottom() + 1}};
        if (across == "S")
            QCOMPARE(tip.left(), r.left());
        else
            QVERIFY2(std::abs(c.x() - centreX[across]) <= 1, qPrintable(QString::number(c.x())));
        if (down == "above")
            QCOMPARE(tip.bottom(), r.top() - 1);
        else if (down == "below")
            QCOMPARE(tip.top(), r.bottom() + 1);
        else
            QVERIFY2(std::abs(c.y() - centreY[down]) <= 1, qPrintable(QString::number(c.y())));

        const QImage shown = window.grab().toImage();
        const QPalette& pal = StyledPalette();
        QCOMPARE(shown.pixelColor(tip.topLeft()), pal.color(QPalette::Shadow));
        QCOMPARE(shown.pixelColor(tip.bottomRight()), pal.color(QPalette::Shadow));
        QCOMPARE(shown.pixelColor(tip.topLeft() + QPoint(1, 1)), pal.color(QPalette::ToolTipBase));
        bool ink = false;
        for (int y = tip.top() + 1; y < tip.bottom(); ++y)
            for (int x = tip.left() + 1; x < tip.right(); ++x)
                ink |= qGray(shown.pixel(x, y)) < 100;
        QVERIFY(ink);
        QTest::keyRelease(&window, Qt::Key_Alt);
        QVERIFY(!b->KeyTipShown());
        QCOMPARE(window.grab().toImage(), before);
    }

    // The hint's title offers its accelerator as the caption does, and a new hint replaces it.
    void hintTitleAcceleratorClicks()
    {
        QWidget w;
        auto* b = new TPexGlowButton(QStringLiteral("&Save"), &w);
        b->OfficeHint()->Title = QStringLiteral("Save as &PDF");
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        QTRY_VERIFY(w.isActiveWindow());
        QSignalSpy clicks(b, &QPushButton::clicked);
        QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
        QTest::keyClick(&w, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(clicks.count(), 2);
        TPexHintInfo other;
        other.Title = QStringLiteral("&Keep");
        b->setOfficeHint(&other);
        QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
        QCOMPARE(clicks.count(), 2);
        QTest::keyClick(&w, Qt::Key_K, Qt::AltModifier);
        QCOMPARE(clicks.count(), 3);
    }

    // Notes stand under the caption in their own font, broken into lines only with WordWrap.
    void notesUnderTheCaption_data()
    {
        QTest::addColumn<bool>("wordWrap");
        QTest::addColumn<int>("noteLines");
        QTest::newRow("word wrap") << true << 3;
        QTest::newRow("no wrap") << false << 2;
    }
    void notesUnderTheCaption()
    {
        QFETCH(bool, wordWrap);
        QFETCH(int, noteLines);
        QWidget parent;
        parent.resize(220, 160);
        auto* b = new TPexGlowButton(QStringLiteral("Caption"), &parent);
        b->setGeometry(10, 10, 200, 140);
        b->setBorderStyle(bsNone);
        TGlowButtonAppearance* a = b->Appearance();
        for (auto set :
             {&TGlowButtonAppearance::setColor, &TGlowButtonAppearance::setColorTo,
              &TGlowButtonAppearance::setColorMirror, &TGlowButtonAppearance::setColorMirrorTo})
            (a->*set)(clWhite);
        QFont notes(QStringLiteral("DejaVu Sans"));
        notes.setPixelSize(11);
        b->setNotesFont(notes);
        b->setWordWrap(wordWrap);
        // The second line is wider than the button.
        b->setNotes({QStringLiteral("first"),
                     QStringLiteral("one two three four five six seven eight nine ten")});
        const QImage shot = parent.grab().toImage().copy(b->geometry());
        QList<int> bands; // heights of the runs of rows with ink, top to bottom
        for (int y = 0, run = 0; y < shot.height(); ++y) {
            bool ink = false;
            for (int x = 0; x < shot.width() && !ink; ++x)
                ink = qGray(shot.pixel(x, y)) < 128;
            if (ink && run++ == 0)
                bands.append(0);
            if (ink)
                ++bands.last();
            else
                run = 0;
        }
        QCOMPARE(bands.size(), 1 + noteLines);
        QVERIFY(bands[0] >= bands[1]); // the caption's font is the larger
    }
};

QTEST_MAIN(TestGlowLinks)
#include "test_glowlinks.moc"
