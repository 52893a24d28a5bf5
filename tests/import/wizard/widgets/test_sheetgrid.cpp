#include "import/engine/support/MapRange.h"
#include "import/wizard/widgets/SheetGrid.h"

#include <QImage>
#include <QtTest>

class TestSheetGrid : public QObject
{
    Q_OBJECT

    // A 6 x 8 preview grid drawn by DrawSheetGridCell, grabbed as an image.
    static QImage draw(const TMapRow* map, const TMapRow* selection, bool selecting, int skipRows,
                       int* cellWidth, int* cellHeight, TKobWideStringGrid& grid)
    {
        grid.resize(600, 400);
        grid.SetColCount(6);
        grid.SetRowCount(8);
        grid.SetDefaultDrawing(false);
        FillSheetGridHeaders(&grid);
        grid.OnDrawCell = [&](TKobCustomGrid*, int c, int r, const QRect& rect,
                              TGridDrawState state) {
            DrawSheetGridCell(&grid, "Data", 1, selection, selecting, skipRows, 0, map, state, rect,
                              r, c);
        };
        *cellWidth = grid.ColWidths(1);
        *cellHeight = grid.RowHeights(1);
        return grid.viewport()->grab().toImage();
    }

    // The middle of a cell, and a point on its left and bottom edges.
    static QPoint middle(const TKobWideStringGrid& g, int col, int row)
    {
        return g.CellRect(col, row).center() + QPoint(g.CellRect(col, row).width() / 4, 0);
    }

private slots:
    void headers()
    {
        TKobWideStringGrid grid;
        grid.SetColCount(30);
        grid.SetRowCount(12);
        FillSheetGridHeaders(&grid);
        QCOMPARE(grid.ColWidths(0), 25);
        QCOMPARE(grid.Cells(1, 0), QString("A"));
        QCOMPARE(grid.Cells(27, 0), QString("AA"));
        QCOMPARE(grid.Cells(0, 11), QString("11"));
        QCOMPARE(grid.Cells(0, 0), QString());
    }

    void mappedCells()
    {
        TMapRow map;
        map.SetAsString("B2-B4;D2");
        TKobWideStringGrid grid;
        int w = 0, h = 0;
        const QImage img = draw(&map, nullptr, false, 0, &w, &h, grid);
        if (qEnvironmentVariableIsSet("SHEETGRID_SHOT"))
            img.save(qEnvironmentVariable("SHEETGRID_SHOT"));
        const auto at = [&](QPoint p) { return img.pixelColor(p); };
        QCOMPARE(at(middle(grid, 2, 3)), SheetGridColors::Mapped);
        QCOMPARE(at(middle(grid, 4, 2)), SheetGridColors::Mapped);
        QVERIFY(at(middle(grid, 3, 3)) != SheetGridColors::Mapped);
        // The run's sides are outlined; between its own cells no edge is drawn.
        const QRect b3 = grid.CellRect(2, 3);
        QCOMPARE(at(QPoint(b3.left() + 1, b3.center().y())), SheetGridColors::MappedEdge);
        QVERIFY(at(QPoint(b3.center().x() + b3.width() / 4, b3.bottom() - 1)) !=
                SheetGridColors::MappedEdge);
        const QRect b4 = grid.CellRect(2, 4);
        QCOMPARE(at(QPoint(b4.center().x() + b4.width() / 4, b4.bottom() - 1)),
                 SheetGridColors::MappedEdge);
        const QRect b2 = grid.CellRect(2, 2);
        QCOMPARE(at(QPoint(b2.center().x() + b2.width() / 4, b2.top() + 1)),
                 SheetGridColors::MappedEdge);
    }

    void skippedRowsUnmarked()
    {
        TMapRow map;
        map.SetAsString("B1-B4");
        TKobWideStringGrid grid;
        int w = 0, h = 0;
        const QImage img = draw(&map, nullptr, false, 2, &w, &h, grid);
        QVERIFY(img.pixelColor(middle(grid, 2, 2)) != SheetGridColors::Mapped);
        QCOMPARE(img.pixelColor(middle(grid, 2, 3)), SheetGridColors::Mapped);
    }

    void selection()
    {
        TMapRow map;
        map.SetAsString("B2-B4");
        TMapRow selection;
        selection.SetAsString("C2-E2");
        TKobWideStringGrid grid;
        int w = 0, h = 0;
        const QImage img = draw(&map, &selection, true, 0, &w, &h, grid);
        QCOMPARE(img.pixelColor(middle(grid, 4, 2)), SheetGridColors::Selected);
        // While selecting, the field's own ranges are not marked.
        QVERIFY(img.pixelColor(middle(grid, 2, 3)) != SheetGridColors::Mapped);
        const QRect d2 = grid.CellRect(4, 2);
        QCOMPARE(img.pixelColor(QPoint(d2.center().x(), d2.top() + 1)),
                 SheetGridColors::SelectedEdge);
        QVERIFY(img.pixelColor(QPoint(d2.left() + 1, d2.center().y() + 3)) !=
                SheetGridColors::SelectedEdge);
    }
};

QTEST_MAIN(TestSheetGrid)
#include "test_sheetgrid.moc"
