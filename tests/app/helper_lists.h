#pragma once

#include "app/listwindow.h"
#include "app/u_dm.h"
#include "controls/persian/EditCurrency.h"
#include "platform/dataaware/DBGrid.h"

#include <QApplication>
#include <QDialog>
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
