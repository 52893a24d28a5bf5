#pragma once
// A wizard over the personnel register of a fresh program database, keyed by personnel number,
// for the pages that map fields onto a previewed table.

#include "import/engine/DurvelDbDataSet.h"
#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/pages/GridMapPage.h"
#include "platform/db/DataSet.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
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
        t.connection()->exec(QStringLiteral(
            "insert into tbl_customer (Pers_number, First_Name, Price) values ('P2', 'old', '1')"));
        ds.setSql(QStringLiteral("select * from tbl_customer"));
        ds.open();
        wizard.ImportDestination = didDataSet;
        wizard.DataSet = &dest;
        wizard.ShowProgress = false;
        wizard.ConfirmOnCancel = false;
        wizard.ImportMode = dimUpdateOrInsert;
        wizard.KeyColumns().Assign(QStringList{QStringLiteral("Pers_number")});
    }

    QString file(const QString& name, const QByteArray& bytes)
    {
        return WriteTestFile(dir.filePath(name), bytes);
    }

    std::unique_ptr<TDurvel3WizardF> window() { return std::make_unique<TDurvel3WizardF>(&wizard); }

    // "Pers_number|First_Name|Price" of every stored person, in insertion order.
    QStringList rows()
    {
        QStringList out;
        db::Statement st = t.connection()->prepare(
            QStringLiteral("select Pers_number, First_Name, Price from tbl_customer order by id"));
        while (st.step())
            out << st.value(0).toString() + u'|' + st.value(1).toString() + u'|' +
                       st.value(2).toString();
        return out;
    }
};

// The value of the field's column on a page.
inline QString fieldValue(const GridMapPage* page, const QString& field)
{
    const auto found = page->FieldList()->findItems(field, Qt::MatchExactly);
    return found.isEmpty() ? QStringLiteral("<none>") : found.first()->text(1);
}

inline void selectField(GridMapPage* page, const QString& field)
{
    const auto found = page->FieldList()->findItems(field, Qt::MatchExactly);
    if (!found.isEmpty())
        page->FieldList()->setCurrentItem(found.first());
}

inline QStringList fieldValues(const GridMapPage* page)
{
    QStringList out;
    for (int i = 0; i < page->FieldList()->topLevelItemCount(); ++i)
        out << page->FieldList()->topLevelItem(i)->text(1);
    return out;
}
