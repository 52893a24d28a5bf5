#include "platform/dataaware/DBGrid.h"

#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"

#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestDBGrid : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<db::Connection> m_conn;
    std::unique_ptr<db::DataSet> m_ds;
    std::unique_ptr<dataaware::DBGrid> m_grid;

    void setUpRows(int rows)
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        const QString path = m_dir->filePath(QStringLiteral("t.db"));
        db::Connection::createDatabase(
            path, "grid-test-key",
            QStringLiteral("create table t (id integer primary key autoincrement, name text);"));
        m_conn = std::make_unique<db::Connection>();
        m_conn->open(path, "grid-test-key");
        for (int i = 1; i <= rows; ++i)
            m_conn->exec(QStringLiteral("insert into t (name) values (:n)"),
                         {{QStringLiteral("n"), QStringLiteral("row %1").arg(i)}});
        m_ds = std::make_unique<db::DataSet>(m_conn.get());
        m_ds->setSql(QStringLiteral("select id, name from t"));
        m_ds->open();
        m_grid = std::make_unique<dataaware::DBGrid>();
        m_grid->setDataSet(m_ds.get());
        m_grid->resize(300, 200);
        m_grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_grid.get()));
    }

    QString currentName() const { return m_ds->text(QStringLiteral("name")); }

    // Picks a row with the mouse, as the clerk does.
    void clickRow(int row)
    {
        const QRect r = m_grid->visualRect(m_grid->model()->index(row, 1));
        QVERIFY(r.isValid());
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(m_ds->currentRow(), row);
    }

    void checkInStep(int row)
    {
        QCOMPARE(m_ds->currentRow(), row);
        QCOMPARE(m_grid->currentIndex().row(), row);
        const QModelIndexList selected = m_grid->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().row(), row);
    }

private slots:
    void cleanup()
    {
        m_grid.reset();
        m_ds.reset();
        m_conn.reset();
        m_dir.reset();
    }

    // After a delete the row that took the deleted one's place is current (the new last row
    // when the last went), in the data set and the grid alike; a second delete takes that row.
    void deleteLeavesTheNextRowCurrent_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("picked");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("afterRow");
        QTest::addColumn<QString>("afterSecond");
        QTest::newRow("first") << 3 << 0 << "row 2" << 0 << "row 3";
        QTest::newRow("middle") << 3 << 1 << "row 3" << 1 << "row 1";
        QTest::newRow("last") << 3 << 2 << "row 2" << 1 << "row 1";
        QTest::newRow("second of five") << 5 << 1 << "row 3" << 1 << "row 4";
    }

    void deleteLeavesTheNextRowCurrent()
    {
        QFETCH(int, rows);
        QFETCH(int, picked);
        QFETCH(QString, after);
        QFETCH(int, afterRow);
        QFETCH(QString, afterSecond);
        setUpRows(rows);
        clickRow(picked);
        m_ds->remove();
        QCOMPARE(m_ds->recordCount(), rows - 1);
        QCOMPARE(currentName(), after);
        checkInStep(afterRow);
        m_ds->remove();
        QCOMPARE(m_ds->recordCount(), rows - 2);
        QCOMPARE(currentName(), afterSecond);
        checkInStep(qMin(afterRow, rows - 3));
        while (!m_ds->isEmpty())
            m_ds->remove();
        QCOMPARE(m_grid->model()->rowCount(), 0);
    }

    // A delete made while the data set holds its signals (code walking the rows) leaves the
    // data set where it put itself, and the grid comes to it when the signals are let go.
    void deleteWhileControlsAreHeld()
    {
        setUpRows(4);
        clickRow(0);
        m_ds->disableControls();
        m_ds->remove();
        m_ds->remove();
        QCOMPARE(currentName(), QStringLiteral("row 3"));
        m_ds->enableControls();
        QCOMPARE(currentName(), QStringLiteral("row 3"));
        checkInStep(0);
    }

    // Rows the data set gains leave the current row where it is.
    void appendKeepsTheGridOnTheNewRow()
    {
        setUpRows(3);
        clickRow(1);
        m_ds->append();
        m_ds->setValue(QStringLiteral("name"), QStringLiteral("row 4"));
        m_ds->post();
        QCOMPARE(currentName(), QStringLiteral("row 4"));
        checkInStep(3);
    }
};

QTEST_MAIN(TestDBGrid)
#include "test_dbgrid.moc"
