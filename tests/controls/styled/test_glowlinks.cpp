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

// A list whose images are single colours: 0 red, 1 green, 2 blue, 3 yellow.
TImageList* colourList(QObject* owner, int side = 16)
{
    auto* list = new TImageList(side, side, owner);
    for (QColor c : {QColor(Qt::red), QColor(Qt::green), QColor(Qt::blue), QColor(Qt::yellow)})
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

    // The colour at the middle of the picture (the button's centre).
    QColor picture() { return parent.grab().toImage().pixelColor(b->geometry().center()); }
};

} // namespace

class TestGlowLinks : public QObject
{
    Q_OBJECT

private slots:
    // The picture by state: disabled, hot, down, then normal; a list before a picture.
    void imageListsByState_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("hotList");
        QTest::addColumn<bool>("disabledList");
        QTest::addColumn<QColor>("expected");
        const QColor grey(qGray(qRgb(255, 0, 0)), qGray(qRgb(255, 0, 0)), qGray(qRgb(255, 0, 0)));
        QTest::newRow("normal") << "normal" << true << true << QColor(Qt::red);
        QTest::newRow("hot with a hot list") << "hot" << true << true << QColor(Qt::blue);
        QTest::newRow("hot without one") << "hot" << false << true << QColor(Qt::red);
        QTest::newRow("disabled with a disabled list")
            << "disabled" << true << true << QColor(Qt::yellow);
        QTest::newRow("disabled without one: greyed") << "disabled" << true << false << grey;
    }
    void imageListsByState()
    {
        QFETCH(QString, state);
        QFETCH(bool, hotList);
        QFETCH(bool, disabledList);
        QFETCH(QColor, expected);
        Scene s;
        TImageList* normal = colourList(&s.parent);
        TImageList* hot = colourList(&s.parent);
        hot->Replace(0, filled(Qt::blue));
        TImageList* disabled = colourList(&s.parent);
        disabled->Replace(0, filled(Qt::yellow));
        s.b->setImages(normal);
        if (hotList)
            s.b->setHotImages(hot);
        if (disabledList)
            s.b->setDisabledImages(disabled);
        s.b->setImageIndex(0);
        if (state == "hot")
            events::enter(s.b, {50, 20});
        else if (state == "disabled")
            s.b->setEnabled(false);
        QCOMPARE(s.picture(), expected);
    }

    void downPictureBeatsTheList()
    {
        Scene s;
        s.b->setImages(colourList(&s.parent));
        s.b->setImageIndex(1);
        QCOMPARE(s.picture(), QColor(Qt::green));
        s.b->DownPicture()->Assign(filled(Qt::magenta));
        events::press(s.b, {50, 20});
        QCOMPARE(s.picture(), QColor(Qt::magenta));
        events::release(s.b, {50, 20});
        events::leave(s.b);
        QCOMPARE(s.picture(), QColor(Qt::green));
    }

    // A change of the list shows at once; an index outside it shows the picture instead.
    void listChangesAndIndexesRedraw()
    {
        Scene s;
        TImageList* list = colourList(&s.parent);
        s.b->Picture()->Assign(filled(Qt::cyan));
        s.b->setImages(list);
        s.b->setImageIndex(2);
        QCOMPARE(s.picture(), QColor(Qt::blue));
        list->Replace(2, filled(Qt::darkRed));
        QCOMPARE(s.picture(), QColor(Qt::darkRed));
        s.b->setImageIndex(9);
        QCOMPARE(s.picture(), QColor(Qt::cyan));
    }

    void destroyedListIsLetGo()
    {
        Scene s;
        auto* list = colourList(nullptr);
        s.b->setImages(list);
        s.b->setHotImages(list);
        s.b->setImageIndex(0);
        delete list;
        QCOMPARE(s.b->Images(), nullptr);
        QCOMPARE(s.b->HotImages(), nullptr);
        QCoreApplication::processEvents();
        s.b->repaint(); // draws without the list
        QVERIFY(s.picture() != QColor(Qt::red));
    }

    void autoSizeFollowsTheListsSize()
    {
        Scene s;
        s.b->setAutoSize(true);
        const QSize without = s.b->size();
        TImageList* big = colourList(&s.parent, 32);
        s.b->setImages(big);
        s.b->setImageIndex(0);
        QCOMPARE(s.b->height(), 32 + 2 * s.b->Spacing() + 2 * s.b->MarginVert());
        QVERIFY(s.b->width() > without.width());
    }

    // The action's text, state, group and image reach the button; a click triggers it.
    void actionLinkFollowsTheAction()
    {
        Scene s;
        TImageList* images = colourList(&s.parent);
        TActionList owner;
        owner.SetImages(images);
        auto* action = new QAction(QStringLiteral("&Open"), &owner);
        TActionList::SetImageIndex(action, 1);
        action->setToolTip(QStringLiteral("Opens"));
        s.b->setShowCaption(true);
        s.b->setAction(action);
        QCOMPARE(s.b->text(), QStringLiteral("&Open"));
        QCOMPARE(s.b->toolTip(), QStringLiteral("Opens"));
        QCOMPARE(s.b->ImageIndex(), 1);
        s.b->setShowCaption(false);
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

        // The button's own lists when asked for.
        s.b->setImages(colourList(&s.parent));
        s.b->setImageIndex(3);
        QCOMPARE(s.picture(), QColor(Qt::blue));
        s.b->setImageListType(ipOwnLists);
        QCOMPARE(s.picture(), QColor(Qt::yellow));

        delete action;
        QCOMPARE(s.b->Action(), nullptr);
    }

    // Toggling a checked action from either side keeps the check button and the action as one.
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

    // The actions of one group make the buttons one group, whichever is checked.
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
        QVERIFY(s.b->GroupIndex() > 0);
        QCOMPARE(other->GroupIndex(), s.b->GroupIndex());
        a.setChecked(true);
        QVERIFY(s.b->Down());
        QVERIFY(!other->Down());
        b.setChecked(true);
        QVERIFY(!s.b->Down());
        QVERIFY(other->Down());
        b.setVisible(false);
        QVERIFY(other->isHidden());
    }

    // Each place puts the key tip's box where its name says, relative to the button.
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
        QWidget window;
        window.resize(300, 300);
        auto* b = new TPexGlowButton(QStringLiteral("Print"), &window);
        b->setGeometry(100, 60, 100, 40);
        b->setShortCutHint(QStringLiteral("P"));
        b->setShortCutHintPos(TShortCutHintPos(pos));
        window.show();
        const QImage before = window.grab().toImage();
        QTest::keyPress(&window, Qt::Key_Alt);
        QVERIFY(b->KeyTipShown());
        const QRect tip = b->KeyTipRect();
        const QRect r = b->geometry();
        const int cx = tip.left() + tip.width() / 2;
        const int cy = tip.top() + tip.height() / 2;
        if (across == "L")
            QVERIFY(std::abs(cx - r.left()) <= 1);
        else if (across == "R")
            QVERIFY(std::abs(cx - (r.right() + 1)) <= 1);
        else if (across == "C")
            QVERIFY(std::abs(cx - r.center().x()) <= 1);
        else
            QCOMPARE(tip.left(), r.left());
        if (down == "above")
            QCOMPARE(tip.bottom(), r.top() - 1);
        else if (down == "top")
            QVERIFY(std::abs(cy - r.top()) <= 1);
        else if (down == "middle")
            QVERIFY(std::abs(cy - r.center().y()) <= 1);
        else if (down == "bottom")
            QVERIFY(std::abs(cy - (r.bottom() + 1)) <= 1);
        else
            QCOMPARE(tip.top(), r.bottom() + 1);

        // Drawn there: a framed box in the hint colours with its letter inside.
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

    void keyTipsOnlyInTheWindowWithAlt()
    {
        QWidget one, two;
        auto* a = new TPexGlowButton(QStringLiteral("A"), &one);
        auto* b = new TPexGlowButton(QStringLiteral("B"), &two);
        auto* plain = new TPexGlowButton(QStringLiteral("C"), &one);
        a->setShortCutHint(QStringLiteral("A"));
        b->setShortCutHint(QStringLiteral("B"));
        one.show();
        two.show();
        QTest::keyPress(&one, Qt::Key_Alt);
        QVERIFY(a->KeyTipShown());
        QVERIFY(!b->KeyTipShown());
        QVERIFY(!plain->KeyTipShown()); // no hint, no box
        QTest::keyRelease(&one, Qt::Key_Alt);
        QVERIFY(!a->KeyTipShown());
    }

    // The hint's title offers its accelerator as the caption does.
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
        QCOMPARE(clicks.count(), 1);
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
        // The second line is wider than the button: it wraps only with WordWrap.
        b->setNotes({QStringLiteral("first"),
                     QStringLiteral("one two three four five six seven eight nine ten")});
        const QImage shot = parent.grab().toImage().copy(b->geometry());
        // Bands of rows with ink, top to bottom.
        QList<QPair<int, int>> bands;
        bool inBand = false;
        for (int y = 0; y < shot.height(); ++y) {
            bool ink = false;
            for (int x = 0; x < shot.width() && !ink; ++x)
                ink = qGray(shot.pixel(x, y)) < 128;
            if (ink && !inBand)
                bands.append({y, y});
            if (ink)
                bands.last().second = y;
            inBand = ink;
        }
        QCOMPARE(bands.size(), 1 + noteLines);
        // The caption's band comes first and is taller than a line of the smaller notes font.
        const int captionHeight = bands[0].second - bands[0].first;
        QVERIFY(captionHeight >= bands[1].second - bands[1].first);
    }

    void versionIsFourNumbers_data()
    {
        QTest::addColumn<uint>("packed");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0u << "0.0.0.0";
        QTest::newRow("each byte") << 0x02030405u << "2.3.4.5";
        QTest::newRow("high bytes") << 0xFF00FF01u << "255.0.255.1";
    }
    void versionIsFourNumbers()
    {
        QFETCH(uint, packed);
        QFETCH(QString, text);
        QCOMPARE(TPexGlowButton::VersionText(packed), text);
        QCOMPARE(TPexGlowButton::Version(),
                 TPexGlowButton::VersionText(TPexGlowButton::GetVersionNr()));
    }
};

QTEST_MAIN(TestGlowLinks)
#include "test_glowlinks.moc"
