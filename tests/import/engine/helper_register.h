#pragma once
// A fresh register behind the engine's data-set destination, optionally with two people.

#include "import/engine/DurvelDbDataSet.h"
#include "platform/db/DataSet.h"
#include "tests/support/TestDatabase.h"

// A condition keeps the data set from standing for the whole table: new rows are written
// directly and handed to it, every other step goes through it; with direct writes off, every
// step does.
inline const QString kWholeTable = QStringLiteral("select * from tbl_customer");
inline const QString kRowByRow = QStringLiteral("select * from tbl_customer where id > 0");

struct Register
{
    explicit Register(bool seeded = false, const QString& sql = kWholeTable,
                      bool directWrites = true)
        : ds(t.connection()), dest(&ds)
    {
        dest.setDirectWrites(directWrites);
        if (seeded)
            t.connection()->exec(
                QStringLiteral("insert into tbl_customer (Pers_number, First_Name) values ('P1', "
                               "'Ali'), ('P2', 'Reza')"));
        ds.setSql(sql);
        ds.open();
    }
    db::Connection* connection() { return t.connection(); }
    // The people the file holds.
    int count()
    {
        db::Statement st =
            t.connection()->prepare(QStringLiteral("select count(*) from tbl_customer"));
        return st.step() ? st.value(0).toInt() : -1;
    }

    TestDatabase t;
    db::DataSet ds;
    DurvelDbDataSet dest;
};
