#pragma once
// The field-pair pages' tests: the clerk's moves on a pair list, in a wizard over the keyed
// register.

#include "helper_gridpages.h"
#include "tests/support/MessageLog.h"
#include "ui_Durvel3WizardF.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>

inline QStringList columnTexts(const QTreeWidget* list, int column = 0)
{
    QStringList t;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        t << list->topLevelItem(i)->text(column);
    return t;
}

// "dest=source" for each pair of the list.
inline QStringList pairTexts(const QTreeWidget* map)
{
    QStringList t;
    for (int i = 0; i < map->topLevelItemCount(); ++i)
        t << map->topLevelItem(i)->text(0) + u'=' + map->topLevelItem(i)->text(2);
    return t;
}

inline void choose(QTreeWidget* list, const QString& text)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    list->setCurrentItem(found.first());
    found.first()->setSelected(true);
}

// Chooses the destination and the source field and presses Add.
inline void pairUp(QTreeWidget* dataSet, QTreeWidget* source, QPushButton* add, const QString& dest,
                   const QString& from)
{
    choose(dataSet, dest);
    choose(source, from);
    QVERIFY(add->isEnabled());
    QTest::mouseClick(add, Qt::LeftButton);
}

// Picks the kind and the file on the first page and goes on to the options.
inline void openSource(TDurvel3WizardF* f, const char* kind, const QString& path)
{
    f->findChild<QRadioButton*>(QLatin1String(kind))->click();
    f->ui->edtFileName->setText(path);
    QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
}
