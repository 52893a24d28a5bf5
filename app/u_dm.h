#pragma once

#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QLineEdit;
class QWidget;

// The data module: the one database connection and every named query of the program.
class Tfrm_dm : public QObject
{
    Q_OBJECT
public:
    explicit Tfrm_dm(QObject* parent = nullptr);
    ~Tfrm_dm() override;

    // Opens the database; false when the program must end (the message was shown).
    bool DataModuleCreate();

    // Folder that holds db.mde: the program's folder unless a test points elsewhere.
    static QString databaseFolder();
    static void setDatabaseFolder(const QString& folder);

    db::Connection* Connection;
    db::DataSet* customer_ado;
    db::DataSet* detail_ado;
    db::DataSet* master_ado;
    db::DataSet* sum_ado;
    db::DataSet* ADOQuery1;
    db::DataSet* ADOQuery2;
    db::DataSet* public_ado;
    db::DataSet* public_ado2;
    db::DataSet* ghaleb_ado;

    // A list window's total box, refreshed while its window is visible. Registration order is
    // the order of refresh.
    void registerTotalBox(QWidget* window, QLineEdit* box);

    // The exact total of the list as digit text; empty for an empty list.
    QString listTotal();

public slots:
    void detail_adoAfterScroll();

signals:
    void totalRefreshed(const QString& total);

private:
    struct TotalBox
    {
        QPointer<QWidget> window;
        QPointer<QLineEdit> box;
    };
    QList<TotalBox> m_totalBoxes;
};

extern Tfrm_dm* frm_dm;
