#include "platform/db/Connection.h"
#include "platform/db/RowStore.h"
#include "tests/support/TestDatabase.h"

#include <sqlite3.h>

#include <QtTest>

Q_DECLARE_METATYPE(db::FieldType)

namespace {

bool same(const QVariant& a, const QVariant& b)
{
    return a.typeId() == b.typeId() && a.isNull() == b.isNull() && a == b;
}

} // namespace

class TestRowStore : public QObject
{
    Q_OBJECT

private slots:
    // Every storage class under every field type reads back as the statement itself reads it.
    void rowsReadAsTheStatementReadsThem_data()
    {
        QTest::addColumn<db::FieldType>("type");
        for (auto t : {db::FieldType::Unknown, db::FieldType::AutoInc, db::FieldType::Integer,
                       db::FieldType::Boolean, db::FieldType::Float, db::FieldType::Numeric,
                       db::FieldType::Text, db::FieldType::Memo, db::FieldType::DateTime,
                       db::FieldType::Blob})
            QTest::addRow("type %d", int(t)) << t;
    }
    void rowsReadAsTheStatementReadsThem()
    {
        QFETCH(db::FieldType, type);
        TestDatabase t;
        db::Statement st = t.connection()->prepare(QStringLiteral(
            "SELECT NULL, -9007199254740993, 2.5, 'پچژگ یک', '', x'00ff10', 0, 1, '12'"));
        st.bind({});
        QVERIFY(st.step());
        const int n = st.columnCount();
        db::RowStore store;
        store.reset(n);
        store.appendFromStatement(st.handle(), QVector<db::FieldType>(n, type));
        for (int c = 0; c < n; ++c)
            QVERIFY2(same(store.value(0, c), st.value(c, type)),
                     qPrintable(QStringLiteral("column %1").arg(c)));
    }

    // A row given cell by cell (texts as UTF-8, a cell left unset, a cell given again) reads
    // back as the same row given as values, and says what kind each cell was given as.
    void rowGivenByCellsReadsAsGivenByValues()
    {
        const QByteArray text = QStringLiteral("نام 😀").toUtf8();
        db::RowCells cells;
        cells.reset(8);
        cells.setText(0, text.constData(), std::size_t(text.size()));
        cells.setText(1, "", 0);
        cells.setBoolean(2, true);
        cells.setInteger(3, -9007199254740993);
        cells.setReal(4, 2.5);
        cells.setVariant(5, QVariant(QByteArray("\0\xff", 2)));
        cells.setInteger(6, 1);
        cells.setNull(6);
        const QVector<QVariant> values{
            QStringLiteral("نام 😀"), QString(""), true,      qint64(-9007199254740993), 2.5,
            QByteArray("\0\xff", 2), QVariant(),  QVariant()};
        db::RowStore store;
        store.reset(8);
        store.insert(0, values);
        store.insert(0, cells);
        for (int c = 0; c < 8; ++c)
            QVERIFY2(same(store.value(0, c), store.value(1, c)) &&
                         same(store.value(0, c), values[c]),
                     qPrintable(QStringLiteral("column %1").arg(c)));
        QCOMPARE(cells.typeId(0), int(QMetaType::QString));
        QCOMPARE(cells.typeId(2), int(QMetaType::Bool));
        QCOMPARE(cells.typeId(6), 0);
        QVERIFY(cells.isSet(6));
        QVERIFY(!cells.isSet(7));
    }

    // Rows replaced, inserted and removed many times keep their values; the space of old
    // versions is given back.
    void churnKeepsValuesAndSpace()
    {
        db::RowStore store;
        store.reset(3);
        QList<QVector<QVariant>> model;
        auto row = [](int i, int v) {
            return QVector<QVariant>{QVariant(qint64(i)),
                                     QVariant(QStringLiteral("نام %1 ").arg(v).repeated(v % 7)),
                                     v % 3 ? QVariant(v % 2 == 0) : QVariant()};
        };
        for (int i = 0; i < 20000; ++i) {
            model.append(row(i, i));
            store.insert(store.size(), model.last());
        }
        for (int pass = 1; pass <= 5; ++pass)
            for (int i = 0; i < model.size(); ++i) {
                model[i] = row(i, i + pass);
                store.replace(i, model[i]);
            }
        for (int i = model.size() - 1; i >= 0; i -= 3) {
            model.removeAt(i);
            store.remove(i);
        }
        model.insert(5, row(-1, 3));
        store.insert(5, model[5]);
        QCOMPARE(store.size(), int(model.size()));
        for (int i = 0; i < model.size(); ++i)
            QCOMPARE(store.row(i), model[i]);
        QCOMPARE(store.integer(5, 0), qint64(-1));
        // Live rows take about 30 bytes on average; six versions of each were written.
        QVERIFY2(store.bytesHeld() < 4 * 1024 * 1024,
                 qPrintable(QString::number(store.bytesHeld())));
    }

    // Runs of inserts and removals at one place, moving places and random places keep the
    // order a plain list keeps.
    void insertsAndRemovalsAnywhereKeepOrder_data()
    {
        QTest::addColumn<int>("pattern");
        QTest::newRow("every insert before the last one") << 0;
        QTest::newRow("each insert after the last one") << 1;
        QTest::newRow("at the front") << 2;
        QTest::newRow("random places, removals between") << 3;
    }
    void insertsAndRemovalsAnywhereKeepOrder()
    {
        QFETCH(int, pattern);
        db::RowStore store;
        store.reset(1);
        QList<qint64> model;
        quint32 seed = 12345;
        auto next = [&seed](int bound) {
            seed = seed * 1103515245u + 12345u;
            return int((seed >> 8) % quint32(bound));
        };
        for (int i = 0; i < 3000; ++i)
            model.append(i), store.insert(i, {QVariant(qint64(i))});
        int at = 1500;
        for (int i = 0; i < 5000; ++i) {
            const qint64 v = 100000 + i;
            if (pattern == 1)
                ++at;
            else if (pattern == 2)
                at = 0;
            else if (pattern == 3)
                at = next(int(model.size()) + 1);
            model.insert(at, v);
            store.insert(at, {QVariant(v)});
            if (pattern == 3 && i % 3 == 0) {
                const int gone = next(int(model.size()));
                model.removeAt(gone);
                store.remove(gone);
            }
        }
        QCOMPARE(store.size(), int(model.size()));
        for (int i = 0; i < model.size(); ++i)
            QCOMPARE(store.integer(i, 0), model[i]);
    }
};

QTEST_GUILESS_MAIN(TestRowStore)
#include "test_rowstore.moc"
