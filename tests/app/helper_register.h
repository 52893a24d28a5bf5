#pragma once
// The register window over a fresh database: its import button pressed, the wizard driven
// inside its modal loop, and the rows the register then holds.

#include "app/startup.h"
#include "app/u_customer.h"
#include "app/u_dm.h"
#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/pages/CSVPage.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestDatabase.h"
#include "ui_CSVPage.h"
#include "ui_Durvel3WizardF.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

// The wizard's first page: the kind's button and the file, then on to the kind's page.
inline void ChooseSource(TDurvel3WizardF* f, const char* kind, const QString& path)
{
    QTest::mouseClick(f->findChild<QRadioButton*>(QLatin1String(kind)), Qt::LeftButton);
    f->ui->edtFileName->setText(path);
    QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
    QCOMPARE(f->Step(), 1);
}

// The CSV page's columns one to five to the register's fields, in the order of its boxes.
inline void MapCsvToRegister(TDurvel3WizardF* f)
{
    const QStringList names = {"Pers_number", "First_Name", "Last_Name", "Hesab", "Price"};
    QTreeWidget* fields = f->CSVPage->ui->lvCSVFields;
    for (int i = 0; i < names.size(); ++i) {
        fields->setCurrentItem(fields->findItems(names[i], Qt::MatchExactly).value(0));
        f->CSVPage->ColumnClicked(i);
    }
}

// A CSV file separated by Comma chosen, and its columns one to five mapped to the register.
inline void MapCsvToRegister(TDurvel3WizardF* f, const QString& path, const QString& comma)
{
    ChooseSource(f, "rbtCSV", path);
    f->ui->cbComma->setCurrentText(comma);
    f->cbCommaExit();
    MapCsvToRegister(f);
}

struct RegisterImport
{
    std::unique_ptr<TestDatabase> db;
    Tfrm_customer* w = nullptr;

    // The program's forms over a new database and the register shown; false when that failed.
    bool open()
    {
        db = std::make_unique<TestDatabase>();
        Tfrm_dm::setDatabaseFolder(db->folder());
        if (!CreateForms())
            return false;
        w = new Tfrm_customer;
        w->show();
        return QTest::qWaitForWindowExposed(w);
    }

    void close()
    {
        delete w;
        w = nullptr;
        DestroyForms();
        Tfrm_dm::setDatabaseFolder(QString());
        db.reset();
    }

    QList<QStringList> rows() const
    {
        db::DataSet q(frm_dm->Connection);
        q.setSql(QStringLiteral("select Pers_number, First_Name, Last_Name, Hesab, Price from "
                                "tbl_customer order by id"));
        q.open();
        QList<QStringList> result;
        for (q.first(); !q.eof(); q.next())
            result << QStringList{q.text("Pers_number"), q.text("First_Name"), q.text("Last_Name"),
                                  q.text("Hesab"), q.text("Price")};
        return result;
    }

    // Presses the import button; Drive runs inside the wizard's modal loop, and the wizard is
    // cancelled when Drive leaves it open. The clerk presses the progress dialog's OK once the
    // import has ended. False when the wizard never came.
    bool runWizard(const std::function<void(TDurvel3WizardF*)>& Drive)
    {
        bool driven = false;
        QTimer ok;
        auto c = QObject::connect(
            w->Durvel3Wizard1, &TDurvel3Wizard::windowCreated, w, [&](TDurvel3WizardF* f) {
                QObject::connect(&ok, &QTimer::timeout, f, [f] {
                    TfmDurvel3ProgressDlg* d = f->ProgressDialog();
                    if (d && d->IsFinished())
                        d->findChild<QPushButton*>(QStringLiteral("bCancel"))->click();
                });
                ok.start(5);
                QTimer::singleShot(0, f, [&, f] {
                    driven = true;
                    Drive(f);
                    if (f->isVisible()) {
                        MessageLog yes{dialogs::Button::Yes};
                        f->ui->bCancel->click();
                    }
                });
            });
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
        QObject::disconnect(c);
        return driven;
    }
};
