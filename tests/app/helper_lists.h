#pragma once

#include "app/listwindow.h"
#include "app/u_dm.h"
#include "controls/persian/DBNavBar.h"
#include "controls/persian/EditCurrency.h"
#include "platform/dataaware/DBGrid.h"

#include <QApplication>
#include <QDialog>
#include <QItemSelectionModel>
#include <QTest>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

// The list's lines in list order.
inline QStringList listLines()
{
    QStringList l;
    db::DataSet* d = frm_dm->detail_ado;
    for (int r = 0; r < d->recordCount(); ++r)
        l << d->valueAt(r, d->fieldIndex("txt")).toString();
    return l;
}

// One single add through a list window.
inline void addToList(ListWindow* w, const QString& account, const QString& amount)
{
    w->txt_shhesab->setText(account);
    w->EditCurrency1->setText(amount);
    w->BitBtn1->click();
}

// Closes the next modal dialog (a preview) as soon as it opens.
inline void rejectNextDialog()
{
    QTimer::singleShot(0, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            d->reject();
    });
}

// Moves a grid's data set to the row with the key, as a click in the grid does; false when
// the grid has no such row.
inline bool selectRowById(dataaware::DBGrid* grid, qint64 id, int column = 0)
{
    db::DataSet* q = grid->dataSet();
    for (int r = 0; r < q->recordCount(); ++r)
        if (q->valueAt(r, q->fieldIndex("id")).toLongLong() == id) {
            grid->setCurrentIndex(grid->model()->index(r, column));
            return q->value("id").toLongLong() == id;
        }
    return false;
}

// Picks a grid row with the mouse, as the clerk does.
inline void clickGridRow(dataaware::DBGrid* grid, int row)
{
    const QModelIndex idx = grid->model()->index(row, grid->model()->columnCount() - 1);
    grid->scrollTo(idx);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(idx).center());
}

// Where the data set, the grid and the navigator say the current row is, as
// "row <data set> grid <grid> nav <enabled moves>": the moves are the letters F P N L
// (first, prior, next, last) of the enabled buttons, so the three can be compared at once.
inline QString whereCurrent(dataaware::DBGrid* grid, TDBNavBar* nav)
{
    QString moves;
    const char letters[] = "FPNL";
    for (int b = nbFirst; b <= nbLast; ++b)
        if (nav->button(TNavBarNavigateBtn(b))->isEnabled())
            moves += QLatin1Char(letters[b]);
    const QModelIndexList selected = grid->selectionModel()->selectedRows();
    return QStringLiteral("row %1 grid %2/%3 nav %4")
        .arg(grid->dataSet()->currentRow())
        .arg(grid->currentIndex().row())
        .arg(selected.size() == 1 ? selected.first().row() : -1)
        .arg(moves);
}

// The same for a row expected current among count rows.
inline QString expectedCurrent(int row, int count)
{
    QString moves;
    if (row > 0)
        moves += QStringLiteral("FP");
    if (row < count - 1)
        moves += QStringLiteral("NL");
    return QStringLiteral("row %1 grid %1/%1 nav %2").arg(row).arg(moves);
}
