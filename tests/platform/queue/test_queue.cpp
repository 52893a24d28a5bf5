#include "platform/queue/BoundedQueue.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

// Batches of numbers counted up by the filling thread, taken by the test as a reader would.
using Batch = std::vector<int>;
using queue::ReadAhead;
using queue::StopFlag;

namespace {

void pause(bool slow)
{
    if (slow)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

} // namespace

class TestQueue : public QObject
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
        ReadAhead<Batch> ahead(
            [&](Batch& b, const StopFlag&) {
                pause(slowSide == 1);
                b.assign(3, made);
                return ++made < batches;
            },
            std::size_t(depth));
        Batch b;
        int taken = 0;
        while (ahead.take(b)) {
            QCOMPARE(b, Batch(3, taken));
            ++taken;
            pause(slowSide == 2);
        }
        QCOMPARE(taken, batches);
        QVERIFY(!ahead.take(b)); // the end stays the end
    }

    // A failure, whatever it is, reaches the taker after the batches before it (what the
    // failing fill made included) and once; an allocation that failed in the producer is such
    // a failure, not the end of the program. Either side the slower, at every depth.
    void failureComesAfterTheBatchesBeforeIt_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("slowSide");
        QTest::addColumn<int>("kind"); // 0 runtime_error, 1 bad_alloc, 2 a non-standard one
        for (int depth : {1, 2, 4})
            for (int slow : {0, 1, 2})
                for (int kind : {0, 1, 2})
                    QTest::addRow("depth %d, slow %d, kind %d", depth, slow, kind)
                        << depth << slow << kind;
    }
    void failureComesAfterTheBatchesBeforeIt()
    {
        QFETCH(int, depth);
        QFETCH(int, slowSide);
        QFETCH(int, kind);
        int made = 0;
        ReadAhead<Batch> failing(
            [&](Batch& b, const StopFlag&) {
                pause(slowSide == 1);
                b.clear();
                b.push_back(made++);
                if (made == 6) {
                    if (kind == 0)
                        throw std::runtime_error("damaged");
                    if (kind == 1)
                        throw std::bad_alloc();
                    throw 42;
                }
                return true;
            },
            std::size_t(depth));
        Batch b;
        for (int i = 0; i < 6; ++i) {
            QVERIFY(failing.take(b));
            QCOMPARE(b.front(), i);
            pause(slowSide == 2);
        }
        bool raised = false;
        try {
            failing.take(b);
        } catch (const std::runtime_error&) {
            raised = kind == 0;
        } catch (const std::bad_alloc&) {
            raised = kind == 1;
        } catch (int) {
            raised = kind == 2;
        }
        QVERIFY(raised);
        QVERIFY(!failing.take(b));
    }

    // A reader dropped early stops its thread however full the queue is, at every depth and
    // whichever side is the slower; a fill that looks at the stop flag stops inside its work,
    // so the taker never waits for more than the item being filled.
    void earlyEndStops_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("slowSide");
        QTest::addColumn<int>("taken");
        for (int depth : {1, 2, 4, 7})
            for (int slow : {0, 1, 2})
                for (int taken : {0, 1, 5})
                    QTest::addRow("depth %d, slow %d, taken %d", depth, slow, taken)
                        << depth << slow << taken;
    }
    void earlyEndStops()
    {
        QFETCH(int, depth);
        QFETCH(int, slowSide);
        QFETCH(int, taken);
        std::atomic<int> started{0};
        auto endless = std::make_unique<ReadAhead<Batch>>(
            [&](Batch& b, const StopFlag&) {
                ++started;
                pause(slowSide == 1);
                b.assign(1, 0);
                return true;
            },
            std::size_t(depth));
        Batch b;
        for (int i = 0; i < taken; ++i) {
            QVERIFY(endless->take(b));
            pause(slowSide == 2);
        }
        endless.reset(); // returns: the thread was stopped
        QVERIFY(started <= taken + depth + 1);
    }

    void stopIsSeenInsideTheFill_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("throws"); // Stopped raised, or the flag read and false returned
        for (int depth : {1, 3})
            for (bool throws : {true, false})
                QTest::addRow("depth %d, %s", depth, throws ? "check" : "requested")
                    << depth << throws;
    }
    void stopIsSeenInsideTheFill()
    {
        QFETCH(int, depth);
        QFETCH(bool, throws);
        std::atomic<int> fills{0};
        std::atomic<bool> inSecond{false};
        auto ahead = std::make_unique<ReadAhead<Batch>>(
            [&](Batch& b, const StopFlag& stop) {
                if (++fills == 1) {
                    b.assign(1, 1);
                    return true;
                }
                // A fill that would never end by itself (a source that blocks).
                inSecond = true;
                for (;;) {
                    if (throws)
                        stop.check();
                    else if (stop.requested())
                        return false;
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            },
            std::size_t(depth));
        Batch b;
        QVERIFY(ahead->take(b));
        while (!inSecond)
            std::this_thread::yield();
        ahead->stop();
        QVERIFY(!ahead->take(b)); // stopped: no failure, no item
        ahead.reset();
        QCOMPARE(fills.load(), 2);
    }

    // The queue itself: a push waits for room, a pop for an item, a stop wakes either.
    void stopWakesBothSides()
    {
        {
            queue::BoundedQueue<int> q(1);
            QVERIFY(q.push(1));
            std::atomic<bool> pushed{true};
            std::thread producer([&] { pushed = q.push(2); }); // waits: no room
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            q.stop();
            producer.join();
            QVERIFY(!pushed);
        }
        {
            queue::BoundedQueue<int> q(2);
            int item = 0;
            std::atomic<bool> popped{true};
            std::thread consumer([&] { popped = q.pop(item); }); // waits: nothing queued
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            q.stop();
            consumer.join();
            QVERIFY(!popped);
        }
        {
            queue::BoundedQueue<int> q(3);
            QVERIFY(q.push(1));
            QVERIFY(q.push(2));
            q.close(std::make_exception_ptr(std::runtime_error("x")));
            int item = 0;
            QVERIFY(q.pop(item) && item == 1);
            QVERIFY(q.pop(item) && item == 2);
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, q.pop(item));
            QVERIFY(!q.pop(item));
        }
    }

    // Batches the taker is done with come back to the filler with their storage.
    void storageIsReused()
    {
        std::atomic<int> fresh{0};
        int made = 0;
        ReadAhead<Batch> ahead(
            [&](Batch& b, const StopFlag&) {
                if (b.capacity() == 0)
                    ++fresh;
                b.assign(1000, made);
                return ++made < 200;
            },
            2);
        Batch b;
        int taken = 0;
        while (ahead.take(b))
            QCOMPARE(b.front(), taken++);
        QCOMPARE(taken, 200);
        // Never more than the queue, both hands and the taker's first (empty) batch.
        QVERIFY2(fresh <= 2 + 2 + 1, qPrintable(QString::number(fresh.load())));
    }
};

QTEST_GUILESS_MAIN(TestQueue)
#include "test_queue.moc"
