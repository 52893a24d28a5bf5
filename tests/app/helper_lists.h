#pragma once

#include "app/listwindow.h"
#include "app/u_dm.h"
#include "controls/persian/EditCurrency.h"

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
