#include "import/wizard/widgets/Durvel3WideStringGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>

namespace {

// A 10 x 10 grid of 50 x 20 cells, one fixed line each way, 4 by 5 scrollable cells shown.
std::unique_ptr<TKobWideStringGrid> makeGrid(TGridOptions extra = {})
{
    auto g = std::make_unique<TKobWideStringGrid>();
    g->SetColCount(10);
    g->SetRowCount(10);
    g->SetDefaultColWidth(49);
    g->SetDefaultRowHeight(19);
    g->SetScrollBars(ssNone);
    g->SetBorderStyle(bsNone);
    g->SetOptions(g->Options() | extra);
    g->resize(250, 120);
    g->show();
    QApplication::setActiveWindow(g.get());
    g->setFocus();
    return g;
}

// Types any text, one key per character, into whatever holds the focus (the grid, then its
// editor), as a keyboard with that layout would.
void typeText(TKobCustomGrid& g, const QString& text)
{
    for (QChar ch : text) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &g;
        const int key = ch.isLetter() && ch.unicode() < 128 ? ch.toUpper().unicode() : ch.unicode();
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key(key), QString(ch), Qt::NoModifier);
    }
}

QPoint centre(TKobCustomGrid& g, int c, int r)
{
    return g.CellRect(c, r).center();
}

} // namespace

class TestWideStringGrid : public QObject
{
    Q_OBJECT

private slots:
    void lastSheetCellCostsOneCell()
    {
        TKobWideStringGrid g;
        g.SetColCount(257);
        g.SetRowCount(1048576);
        g.SetCells(256, 1048575, "آخر");
        g.SetCells(1, 1, "first");
        g.show();
        QCOMPARE(g.Cells(256, 1048575), QString("آخر"));
        QCOMPARE(g.Cells(256, 1048574), QString());
        QCOMPARE(g.CellStore()->StoredCellCount(), 2);
        g.resize(300, 200);
        g.SetRow(1048575);
        g.SetCol(256);
        QCOMPARE(g.TopRow() + g.VisibleRowCount() - 1, 1048575);
        QVERIFY(!g.CellRect(256, 1048575).isEmpty());
    }

    void shrinkDropsCellsAndGrowShowsThemEmpty_data()
    {
        QTest::addColumn<bool>("rows");
        QTest::newRow("rows") << true;
        QTest::newRow("columns") << false;
    }
    void shrinkDropsCellsAndGrowShowsThemEmpty()
    {
        QFETCH(bool, rows);
        TKobWideStringGrid g;
        g.SetColCount(6);
        g.SetRowCount(6);
        g.SetCells(5, 5, "gone");
        g.SetCells(1, 1, "kept");
        if (rows) {
            g.SetRowCount(3);
            g.SetRowCount(6);
        } else {
            g.SetColCount(3);
            g.SetColCount(6);
        }
        QCOMPARE(g.Cells(5, 5), QString());
        QCOMPARE(g.Cells(1, 1), QString("kept"));
        QCOMPARE(g.CellStore()->RowCount(), 6);
    }

    void countRules_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("error");
        QTest::newRow("fixed cols = count")
            << "fixedcols" << 5 << "Fixed column count must be less than column count";
        QTest::newRow("fixed rows = count")
            << "fixedrows" << 5 << "Fixed row count must be less than row count";
        QTest::newRow("fixed cols negative") << "fixedcols" << -1 << "Grid index out of range";
        QTest::newRow("width past count") << "width" << 5 << "Grid index out of range";
        QTest::newRow("tab stop past count") << "tabstop" << 7 << "Grid index out of range";
    }
    void countRules()
    {
        QFETCH(QString, op);
        QFETCH(int, value);
        QFETCH(QString, error);
        TKobWideStringGrid g;
        try {
            if (op == "fixedcols")
                g.SetFixedCols(value);
            else if (op == "fixedrows")
                g.SetFixedRows(value);
            else if (op == "width")
                g.SetColWidths(value, 10);
            else
                g.SetTabStops(value, false);
            QFAIL("no error");
        } catch (const EInvalidGridOperation& e) {
            QCOMPARE(e.message(), error);
        }
    }

    void zeroRowsGiveOneUnfixedRow()
    {
        TKobWideStringGrid g;
        g.SetRowCount(0);
        QCOMPARE(g.RowCount(), 1);
        QCOMPARE(g.FixedRows(), 0);
    }

    void typingAnyPrintableStartsEditing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("persian") << QString("سلام دنیا");
        QTest::newRow("latin") << QString("abc");
        QTest::newRow("digits") << QString("۱۲۳");
        QTest::newRow("space first") << QString(" x");
    }
    void typingAnyPrintableStartsEditing()
    {
        QFETCH(QString, typed);
        auto g = makeGrid(goEditing);
        g->SetCells(1, 1, "old text");
        typeText(*g, typed);
        QVERIFY(g->EditorMode());
        QCOMPARE(g->Cells(1, 1), typed); // the old text was replaced, not appended to
        QTest::keyClick(g->InplaceEditor(), Qt::Key_Return);
        QVERIFY(!g->EditorMode());
        QCOMPARE(g->Cells(1, 1), typed);
    }

    void escapeRestoresTheCell()
    {
        auto g = makeGrid(goEditing);
        g->SetCells(1, 1, "before");
        QTest::keyClick(g.get(), Qt::Key_F2);
        QVERIFY(g->InplaceEditor()->isVisible());
        QTest::keyClicks(g->InplaceEditor(), "x");
        QCOMPARE(g->Cells(1, 1), QString("x"));
        QTest::keyClick(g->InplaceEditor(), Qt::Key_Escape);
        QCOMPARE(g->Cells(1, 1), QString("before"));
        QVERIFY(!g->InplaceEditor()->isVisible());
    }

    // With CanEditModify off no way into the editor changes the cell; with it on each does.
    void canEditModifyHoldsEveryWayIn_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("modify");
        for (const char* way : {"typing", "context menu paste", "input method", "ctrl v",
                                "shift insert", "backspace"})
            for (bool modify : {false, true})
                QTest::addRow("%s, %s", way, modify ? "on" : "off") << QString(way) << modify;
    }
    void canEditModifyHoldsEveryWayIn()
    {
        QFETCH(QString, way);
        QFETCH(bool, modify);
        auto g = makeGrid(goEditing);
        g->SetCells(1, 1, "keep");
        g->SetCanEditModify(modify);
        QApplication::clipboard()->setText(QStringLiteral("\u0686\u0633\u0628"));
        QTest::keyClick(g.get(), Qt::Key_F2);
        TKobInplaceEdit* e = g->InplaceEditor();
        QVERIFY(e && e->isVisible());
        e->setCursorPosition(e->text().size());
        if (way == "typing") {
            QTest::keyClicks(e, "x");
        } else if (way == "context menu paste") {
            std::unique_ptr<QMenu> menu(e->createStandardContextMenu());
            for (QAction* a : menu->actions())
                if (a->text().remove(u'&').startsWith(QStringLiteral("Paste")))
                    a->trigger();
        } else if (way == "input method") {
            QInputMethodEvent im;
            im.setCommitString(QStringLiteral("\u06CC"));
            QApplication::sendEvent(e, &im);
        } else {
            const QMap<QString, QKeyCombination> keys = {
                {"ctrl v", Qt::ControlModifier | Qt::Key_V},
                {"shift insert", Qt::ShiftModifier | Qt::Key_Insert},
                {"backspace", QKeyCombination(Qt::Key_Backspace)}};
            QTest::keyClick(e, keys[way].key(), keys[way].keyboardModifiers());
        }
        QCOMPARE(g->Cells(1, 1) != "keep", modify);
        QCOMPARE(e->text(), g->Cells(1, 1));
    }

    // Typed characters pass OnKeyPress once each, on the grid and in its editor: 0 drops one,
    // another character takes its place.
    void keyPressDropsOrChangesCharacters_data()
    {
        QTest::addColumn<bool>("inEditor");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("cell");
        QTest::newRow("grid: dropped") << false << "xx"
                                       << "old";
        QTest::newRow("grid: changed") << false << "ab"
                                       << "bb";
        QTest::newRow("editor: dropped") << true << "xyx"
                                         << "oldy";
        QTest::newRow("editor: changed") << true << "a"
                                         << "oldb";
    }
    void keyPressDropsOrChangesCharacters()
    {
        QFETCH(bool, inEditor);
        QFETCH(QString, typed);
        QFETCH(QString, cell);
        auto g = makeGrid(goEditing);
        g->SetCells(1, 1, "old");
        if (inEditor) {
            QTest::keyClick(g.get(), Qt::Key_F2);
            g->InplaceEditor()->deselect();
            g->InplaceEditor()->setCursorPosition(3);
        }
        int asked = 0;
        g->OnKeyPress = [&asked](TKobCustomGrid*, QChar& Key) {
            ++asked;
            if (Key == u'x')
                Key = QChar();
            else if (Key == u'a')
                Key = u'b';
        };
        typeText(*g, typed);
        QCOMPARE(g->Cells(1, 1), cell);
        QCOMPARE(asked, typed.size());
    }

    // Key releases (on the grid and in its editor) and mouse moves are told.
    void keyUpAndMouseMoveAreTold()
    {
        auto g = makeGrid(goEditing);
        QTest::keyClick(g.get(), Qt::Key_F2);
        QStringList told;
        g->OnKeyUp = [&told](TKobCustomGrid*, int& Key, Qt::KeyboardModifiers) {
            told << QKeySequence(Key).toString();
        };
        g->OnMouseMove = [&told](TKobCustomGrid*, Qt::KeyboardModifiers, int X, int Y) {
            told << QStringLiteral("%1,%2").arg(X).arg(Y);
        };
        QTest::keyRelease(g->InplaceEditor(), Qt::Key_Z);
        QTest::keyRelease(g.get(), Qt::Key_Down);
        QTest::mouseMove(g->viewport(), QPoint(70, 45));
        QCOMPARE(told, (QStringList{"Z", "Down", "70,45"}));
    }

    // Enter and exit are about the grid as a whole: its editor is part of it.
    void enterAndExitCountTheGridWithItsEditor()
    {
        QWidget window;
        auto* before = new QLineEdit(&window);
        auto* g = new TKobWideStringGrid(&window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(before);
        layout->addWidget(g);
        g->SetOptions(g->Options() | goEditing);
        window.show();
        QApplication::setActiveWindow(&window);
        before->setFocus();
        QStringList told;
        g->OnEnter = [&told](TKobCustomGrid*) { told << "enter"; };
        g->OnExit = [&told](TKobCustomGrid*) { told << "exit"; };
        g->setFocus();
        QTest::keyClick(g, Qt::Key_F2);
        QVERIFY(g->InplaceEditor()->hasFocus());
        before->setFocus();
        QCOMPARE(told, (QStringList{"enter", "exit"}));
    }

    void editorKeepsLongTexts()
    {
        auto g = makeGrid(goEditing);
        const QString longText(40000, u'ب');
        g->SetCells(1, 1, longText);
        QTest::keyClick(g.get(), Qt::Key_F2);
        QCOMPARE(g->InplaceEditor()->text().size(), longText.size());
        QTest::keyClick(g->InplaceEditor(), Qt::Key_Return);
        QCOMPARE(g->Cells(1, 1), longText);
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<bool>("rtl");
        QTest::addColumn<QPoint>("cell");
        QTest::addColumn<QRect>("selection"); // left, top, right - left, bottom - top
        QTest::addColumn<int>("topRow");
        const int none = Qt::NoModifier;
        const int shift = Qt::ShiftModifier;
        const int ctrl = Qt::ControlModifier;
        // The start is cell (2, 2) with the top-left at (1, 1).
        QTest::newRow("down") << int(Qt::Key_Down) << none << false << QPoint(2, 3)
                              << QRect(2, 3, 0, 0) << 1;
        QTest::newRow("up") << int(Qt::Key_Up) << none << false << QPoint(2, 1) << QRect(2, 1, 0, 0)
                            << 1;
        QTest::newRow("right") << int(Qt::Key_Right) << none << false << QPoint(3, 2)
                               << QRect(3, 2, 0, 0) << 1;
        QTest::newRow("right in rtl")
            << int(Qt::Key_Right) << none << true << QPoint(1, 2) << QRect(1, 2, 0, 0) << 1;
        QTest::newRow("shift down")
            << int(Qt::Key_Down) << shift << false << QPoint(2, 2) << QRect(2, 2, 0, 1) << 1;
        QTest::newRow("shift left")
            << int(Qt::Key_Left) << shift << false << QPoint(2, 2) << QRect(1, 2, 1, 0) << 1;
        QTest::newRow("home") << int(Qt::Key_Home) << none << false << QPoint(1, 2)
                              << QRect(1, 2, 0, 0) << 1;
        QTest::newRow("end") << int(Qt::Key_End) << none << false << QPoint(9, 2)
                             << QRect(9, 2, 0, 0) << 1;
        QTest::newRow("ctrl end") << int(Qt::Key_End) << ctrl << false << QPoint(9, 9)
                                  << QRect(9, 9, 0, 0) << 5;
        QTest::newRow("ctrl home")
            << int(Qt::Key_Home) << ctrl << false << QPoint(1, 1) << QRect(1, 1, 0, 0) << 1;
        QTest::newRow("page down")
            << int(Qt::Key_PageDown) << none << false << QPoint(2, 6) << QRect(2, 6, 0, 0) << 5;
        QTest::newRow("ctrl page down")
            << int(Qt::Key_PageDown) << ctrl << false << QPoint(2, 5) << QRect(2, 5, 0, 0) << 1;
        QTest::newRow("ctrl down scrolls only")
            << int(Qt::Key_Down) << ctrl << false << QPoint(2, 2) << QRect(2, 2, 0, 0) << 2;
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(bool, rtl);
        QFETCH(QPoint, cell);
        QFETCH(QRect, selection);
        QFETCH(int, topRow);
        auto g = makeGrid();
        if (rtl)
            g->setLayoutDirection(Qt::RightToLeft);
        g->SetCol(2);
        g->SetRow(2);
        QTest::keyClick(g.get(), Qt::Key(key), Qt::KeyboardModifiers(mods));
        QCOMPARE(QPoint(g->Col(), g->Row()), cell);
        const TGridRect s = g->Selection();
        QCOMPARE(QRect(s.Left, s.Top, s.Right - s.Left, s.Bottom - s.Top), selection);
        QCOMPARE(g->TopRow(), topRow);
    }

    void shiftArrowsGrowTheRange()
    {
        auto g = makeGrid();
        QTest::keyClick(g.get(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(g.get(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(g.get(), Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(g->Selection(), (TGridRect{1, 1, 2, 3}));
        QTest::keyClick(g.get(), Qt::Key_Down);
        QCOMPARE(g->Selection(), (TGridRect{1, 2, 1, 2})); // a plain key collapses the range
    }

    void tabWrapsToNextRow()
    {
        auto g = makeGrid(goTabs);
        g->SetTabStops(3, false);
        g->SetCol(8);
        QTest::keyClick(g.get(), Qt::Key_Tab);
        QCOMPARE(g->Col(), 9);
        QTest::keyClick(g.get(), Qt::Key_Tab);
        QCOMPARE(QPoint(g->Col(), g->Row()), QPoint(1, 2));
        QTest::keyClick(g.get(), Qt::Key_Tab);
        QTest::keyClick(g.get(), Qt::Key_Tab);
        QCOMPARE(g->Col(), 4); // column 3 has no tab stop
        QTest::keyClick(g.get(), Qt::Key_Backtab);
        QCOMPARE(g->Col(), 2);
    }

    void mouseDragSelectsRange_data()
    {
        QTest::addColumn<bool>("rtl");
        QTest::newRow("ltr") << false;
        QTest::newRow("rtl") << true;
    }
    void mouseDragSelectsRange()
    {
        QFETCH(bool, rtl);
        auto g = makeGrid();
        if (rtl)
            g->setLayoutDirection(Qt::RightToLeft);
        QWidget* vp = g->viewport();
        const QPoint from = centre(*g, 2, 1);
        const QPoint to = centre(*g, 3, 3);
        if (rtl)
            QVERIFY(to.x() < from.x()); // later columns lie to the left
        QTest::mousePress(vp, Qt::LeftButton, {}, from);
        QCOMPARE(g->GridState(), gsSelecting);
        QMouseEvent move(QEvent::MouseMove, to, vp->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
        QCOMPARE(g->GridState(), gsNormal);
        QCOMPARE(QPoint(g->Col(), g->Row()), QPoint(2, 1));
        QCOMPARE(g->Selection(), (TGridRect{2, 1, 3, 3}));
    }

    void dragBeyondTheEdgeScrolls()
    {
        auto g = makeGrid();
        QWidget* vp = g->viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, centre(*g, 1, 1));
        const QPoint below(centre(*g, 1, 1).x(), vp->height() + 10);
        QMouseEvent move(QEvent::MouseMove, below, vp->mapToGlobal(below), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
        QTRY_VERIFY(g->TopRow() > 1);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, below);
        QVERIFY(g->Selection().Bottom > 4);
        const int top = g->TopRow();
        QTest::qWait(150);
        QCOMPARE(g->TopRow(), top); // the timer stopped with the release
    }

    void columnSizingInTheHeader_data()
    {
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("width");
        QTest::newRow("wider") << 20 << 69;
        QTest::newRow("narrower") << -30 << 19;
        QTest::newRow("to one pixel is refused") << -48 << 49;
    }
    void columnSizingInTheHeader()
    {
        QFETCH(int, dx);
        QFETCH(int, width);
        auto g = makeGrid(goColSizing);
        QWidget* vp = g->viewport();
        const QRect header = g->CellRect(2, 0);
        const QPoint edge(header.right() + 1, header.center().y());
        QTest::mousePress(vp, Qt::LeftButton, {}, edge);
        QCOMPARE(g->GridState(), gsColSizing);
        const QPoint to = edge + QPoint(dx, 0);
        QMouseEvent move(QEvent::MouseMove, to, vp->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
        QCOMPARE(g->ColWidths(2), width);
    }

    void headerDragMovesColumnWithItsCells()
    {
        auto g = makeGrid(goColMoving);
        g->SetCells(2, 3, "two");
        g->SetCells(3, 3, "three");
        QList<QPair<int, int>> moves;
        g->OnColumnMoved = [&](TKobCustomGrid*, int a, int b) { moves << qMakePair(a, b); };
        QWidget* vp = g->viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, centre(*g, 2, 0));
        const QPoint to = centre(*g, 3, 0);
        QMouseEvent move(QEvent::MouseMove, to, vp->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
        QCOMPARE(moves, (QList<QPair<int, int>>{{2, 3}}));
        QCOMPARE(g->Cells(2, 3), QString("three"));
        QCOMPARE(g->Cells(3, 3), QString("two"));
    }

    void drawStates()
    {
        auto g = makeGrid(goRowSelect);
        g->SetRow(2);
        QMap<QPair<int, int>, TGridDrawState> states;
        g->OnDrawCell = [&](TKobCustomGrid*, int c, int r, const QRect&, TGridDrawState s) {
            states[qMakePair(c, r)] = s;
        };
        g->grab();
        QCOMPARE(states.value({0, 0}), TGridDrawState(gdFixed));
        QCOMPARE(states.value({1, 1}), TGridDrawState());
        QVERIFY(states.value({3, 2}) & gdSelected); // the whole current row
        QVERIFY(states.value({1, 2}) & gdSelected);
    }

    void viewsOfColumnsAndRows()
    {
        TKobWideStringGrid g;
        g.SetColCount(3);
        g.SetRowCount(3);
        g.Cols(1)->Assign(QStringList{"a", "b", "c", "d"});
        QCOMPARE(g.Cells(1, 2), QString("c")); // items past RowCount are left out
        QCOMPARE(g.Cols(1)->Add("x"), -1);
        QCOMPARE(g.Rows(0)->Add(QString()), 0);
        QCOMPARE(g.Cells(0, 0), QString(" "));
        QVERIFY_THROWS_EXCEPTION(EInvalidGridOperation, g.Rows(0)->Delete(0));
        g.Rows(2)->Clear();
        QCOMPARE(g.Cells(1, 2), QString());
        QCOMPARE(g.Cells(1, 1), QString("b"));
    }

    // A reader fills a store without any window; the grid shows it and follows its growth.
    void showsAStoreFilledElsewhere()
    {
        DurvelCellStore store(3, 2);
        store.setCell(2, 1, "از فایل");
        TKobWideStringGrid g;
        g.SetCellStore(&store);
        QCOMPARE(g.ColCount(), 3);
        QCOMPARE(g.RowCount(), 2);
        QCOMPARE(g.Cells(2, 1), QString("از فایل"));
        store.setRowCount(40);
        QCOMPARE(g.RowCount(), 40);
        g.SetColCount(2);
        QCOMPARE(store.cell(2, 1), QString());
        g.SetCellStore(nullptr);
        QCOMPARE(g.Cells(0, 0), QString());
    }
};

QTEST_MAIN(TestWideStringGrid)
#include "test_widestringgrid.moc"
