#include "app/groupgrid.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

namespace {

QPoint cellCentre(TGroupGrid& g, int row, int column)
{
    return g.visualRect(g.model()->index(row, column)).center();
}

void sendMouse(QWidget* w, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestGroupGrid : public QObject
{
    Q_OBJECT

private slots:
    void gridPasteCopyAndDelete()
    {
        TGroupGrid g;
        QString errors;
        const int n = g.pasteText("111\t1,000\r\n?NUM\t5\r\n333\t30\tignored\n444\t40", &errors);
        QCOMPARE(n, 4);
        QCOMPARE(errors, QStringLiteral(" 2"));
        QCOMPARE(g.cell(1, 3), QStringLiteral("3"));
        QCOMPARE(g.cell(2, 3), QStringLiteral("333"));
        QCOMPARE(g.cell(3, 3), QStringLiteral("30"));
        QCOMPARE(g.cell(2, 4), QStringLiteral("444"));

        g.clearSelection();
        g.setRangeSelected(QTableWidgetSelectionRange(0, 1, 1, 2), true);
        QCOMPARE(g.selectionText(), QStringLiteral("111\t1,000\r\n?NUM\t5"));

        const int before = g.gridRowCount();
        g.setCurrentCell(1, 0); // row 2
        g.deleteCurrentRow();
        QCOMPARE(g.cell(2, 2), QStringLiteral("333"));
        QCOMPARE(g.cell(2, 1), QStringLiteral("111"));
        QCOMPARE(g.gridRowCount(), before - 1);

        // Delete all clears what is there; it does not bring deleted rows back.
        g.clearAll();
        QCOMPARE(g.cell(2, 1), QString());
        QCOMPARE(g.gridRowCount(), before - 1);
    }

    void deletingTheOnlyRowClearsIt()
    {
        TGroupGrid g;
        g.setRowCount(1);
        g.setCell(2, 1, "5");
        g.setCurrentCell(0, 1);
        g.deleteCurrentRow();
        QCOMPARE(g.gridRowCount(), 2);
        QCOMPARE(g.cell(2, 1), QString());
        QCOMPARE(g.horizontalHeaderItem(1)->text(), QStringLiteral("شماره حساب"));
    }

    void allColumnsInViewAtAnyWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("narrow") << -1;
        QTest::newRow("wide") << 600;
    }

    void allColumnsInViewAtAnyWidth()
    {
        QFETCH(int, width);
        TGroupGrid g;
        // The narrowest a layout gives it.
        if (width < 0)
            width = g.minimumSizeHint().width();
        g.resize(width, 300);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        const int shown = g.viewport()->width();
        QVERIFY2(g.columnWidth(0) + g.columnWidth(1) + g.columnWidth(2) <= shown + 1,
                 qPrintable(QStringLiteral("%1 %2 %3 in %4")
                                .arg(g.columnWidth(0))
                                .arg(g.columnWidth(1))
                                .arg(g.columnWidth(2))
                                .arg(shown)));
        QVERIFY(g.columnWidth(2) >= g.fontMetrics().horizontalAdvance("999,999,999"));
    }

    void longAccountShownWhole_data()
    {
        QTest::addColumn<double>("factor");
        QTest::newRow("ordinary font") << 1.0;
        QTest::newRow("a quarter larger") << 1.25;
        QTest::newRow("half as large again") << 1.5;
    }

    // An account of up to twenty digits, and the titles, are never cut at the grid's least
    // width, whatever the font.
    void longAccountShownWhole()
    {
        QFETCH(double, factor);
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        auto* g = new TGroupGrid;
        layout->addWidget(g);
        QFont f = g->font();
        f.setPointSizeF(9 * factor);
        window.setFont(f);
        window.resize(10, 300); // the layout holds it at its least width
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString accounts[] = {QStringLiteral("0000000000000222"),
                                    QStringLiteral("12345678901234567890")};
        QString errors;
        g->pasteText(accounts[0] + QStringLiteral("\t999,999,999,999\r\n") + accounts[1] +
                         QStringLiteral("\t1\r\n"),
                     &errors);
        const QFontMetrics fm = g->fontMetrics();
        for (const QString& a : accounts)
            QVERIFY2(g->columnWidth(1) >= fm.horizontalAdvance(a) + 8,
                     qPrintable(QStringLiteral("%1 in %2").arg(fm.horizontalAdvance(a)).arg(g->columnWidth(1))));
        QVERIFY(g->columnWidth(2) >= fm.horizontalAdvance(QStringLiteral("999,999,999,999")) + 8);
        const QFontMetrics title = g->horizontalHeader()->fontMetrics();
        for (int c = 0; c < 3; ++c)
            QVERIFY(g->columnWidth(c) >= title.horizontalAdvance(g->horizontalHeaderItem(c)->text()));
        // All of it in view: nothing hides behind a scroll.
        QVERIFY(g->columnWidth(0) + g->columnWidth(1) + g->columnWidth(2) <=
                g->viewport()->width() + 1);
    }

    void lineWithoutATabGoesToTheAccount()
    {
        TGroupGrid g;
        g.setCell(3, 1, "999");
        QString errors;
        QCOMPARE(g.pasteText("12345\r\n", &errors), 1);
        QCOMPARE(g.cell(2, 1), QStringLiteral("12345"));
        QCOMPARE(g.cell(3, 1), QString());
    }

    void dragSelectsARangeOfCells()
    {
        TGroupGrid g;
        g.resize(400, 300);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        QWidget* vp = g.viewport();
        sendMouse(vp, QEvent::MouseButtonPress, cellCentre(g, 0, 1), Qt::LeftButton);
        sendMouse(vp, QEvent::MouseMove, cellCentre(g, 2, 2), Qt::LeftButton);
        sendMouse(vp, QEvent::MouseButtonRelease, cellCentre(g, 2, 2), Qt::NoButton);
        const auto ranges = g.selectedRanges();
        QCOMPARE(ranges.size(), 1);
        QCOMPARE(ranges.first().rowCount(), 3);
        QCOMPARE(ranges.first().columnCount(), 2);
        QVERIFY(!g.findChild<QLineEdit*>()); // no editor opened by the press
    }

    void rightClickInTheEditorShowsTheGridsMenu()
    {
        TGroupGrid g;
        g.setContextMenuPolicy(Qt::CustomContextMenu);
        g.resize(400, 300);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        g.setCurrentCell(0, 1);
        g.editItem(g.item(0, 1) ? g.item(0, 1) : (g.setCell(2, 1, "1"), g.item(0, 1)));
        auto* editor = g.viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QSignalSpy menu(&g, &QWidget::customContextMenuRequested);
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(3, 3),
                            editor->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(editor, &e);
        QCOMPARE(menu.size(), 1);
    }
};

QTEST_MAIN(TestGroupGrid)
#include "test_groupgrid.moc"
