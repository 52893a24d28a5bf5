#include "import/engine/support/ReadAhead.h"

#include <QtTest>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

// Batches of numbers counted up by the filling thread, taken by the test as a reader would.
using Batch = std::vector<int>;

class TestReadAhead : public QObject
{
    Q_OBJECT

private slots:
    // Every batch arrives once and in order, whichever side is the slower, at every depth; the
    // filler is never left waiting for room the taker has made (the test would hang).
    void batchesArriveInOrder_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("batches");
        QTest::addColumn<int>("slowSide"); // 0 neither, 1 the filler, 2 the taker
        for (int depth : {1, 2, 3, 4, 7})
            for (int slow : {0, 1, 2})
                QTest::addRow("depth %d, slow %d", depth, slow) << depth << 60 << slow;
    }
    void batchesArriveInOrder()
    {
        QFETCH(int, depth);
        QFETCH(int, batches);
        QFETCH(int, slowSide);
        int made = 0;
        TReadAhead<Batch> ahead(
            [&](Batch& b) {
                if (slowSide == 1)
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                b.assign(3, made);
                return ++made < batches;
            },
            std::size_t(depth));
        Batch b;
        int taken = 0;
        while (ahead.Take(b)) {
            QCOMPARE(b, Batch(3, taken));
            ++taken;
            if (slowSide == 2)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        QCOMPARE(taken, batches);
    }

    // A failure reaches the taker after the batches before it; a reader dropped early stops
    // its thread however full the queue is.
    void failureComesLastAndEarlyEndStops()
    {
        int made = 0;
        TReadAhead<Batch> failing(
            [&](Batch& b) {
                b.clear(); // what a fill leaves goes to the taker, even when it fails
                if (made == 5)
                    throw std::runtime_error("damaged");
                b.assign(1, made++);
                return true;
            },
            2);
        Batch b;
        for (int i = 0; i < 5; ++i) {
            QVERIFY(failing.Take(b));
            QCOMPARE(b.front(), i);
        }
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, failing.Take(b));

        for (int depth : {1, 4}) {
            auto endless = std::make_unique<TReadAhead<Batch>>(
                [](Batch& bb) {
                    bb.assign(1, 0);
                    return true;
                },
                std::size_t(depth));
            QVERIFY(endless->Take(b));
            endless.reset(); // returns: the thread was stopped
        }
    }
};

QTEST_GUILESS_MAIN(TestReadAhead)
#include "test_readahead.moc"
