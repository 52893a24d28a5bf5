#pragma once
// The field-pair pages' tests: a wizard over the register of a fresh program database, and
// the clerk's moves on a pair list.

#include "import/engine/DurvelDbDataSet.h"
#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "platform/db/DataSet.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestDatabase.h"
#include "ui_Durvel3WizardF.h"

#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

struct RegisterWizard
{
    QTemporaryDir dir;
    TestDatabase t;
    db::DataSet ds{t.connection()};
    DurvelDbDataSet dest{&ds};
    TDurvel3Wizard wizard;

    RegisterWizard()
    {
        TfmDurvel3Loading::MinimumDisplayTime = 0;
        ds.setSql(QStringLiteral("select * from tbl_customer"));
        ds.open();
        wizard.ImportDestination = didDataSet;
        wizard.DataSet = &dest;
        wizard.ShowProgress = false;
        wizard.ConfirmOnCancel = false;
    }

    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path;
    }

    std::unique_ptr<TDurvel3WizardF> window() { return std::make_unique<TDurvel3WizardF>(&wizard); }

    // Pers_number, First_Name, Last_Name, Hesab, Price of every person, in the order stored.
    QList<QStringList> rows()
    {
        db::DataSet q(t.connection());
        q.setSql(QStringLiteral("select Pers_number, First_Name, Last_Name, Hesab, Price from "
                                "tbl_customer order by id"));
        q.open();
        QList<QStringList> result;
        for (q.first(); !q.eof(); q.next())
            result << QStringList{q.text("Pers_number"), q.text("First_Name"), q.text("Last_Name"),
                                  q.text("Hesab"), q.text("Price")};
        return result;
    }
};

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
