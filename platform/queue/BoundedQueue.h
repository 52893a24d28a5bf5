#pragma once
// Work moved off a thread goes through one bounded queue: the producer waits for room and the
// consumer for an item, either side may stop the exchange at any moment, and whatever ends the
// producer (any exception, an allocation that failed included) reaches the consumer as the
// failure of its read, after the items made before it. ReadAhead runs a producer on a thread
// of its own, a few items ahead of the caller.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <iterator>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace queue {

// Raised by StopFlag::check inside a producer's work once a stop was asked for; it ends the
// producer and is never handed to the consumer.
class Stopped : public std::exception
{
public:
    const char* what() const noexcept override;
};

// Seen by a producer inside its work, so that a stop does not wait for a whole item.
class StopFlag
{
public:
    bool requested() const noexcept { return m_stop.load(std::memory_order_relaxed); }
    // Raises Stopped once a stop was asked for.
    void check() const
    {
        if (requested())
            throw Stopped();
    }
    void request() noexcept { m_stop.store(true, std::memory_order_relaxed); }

private:
    std::atomic<bool> m_stop{false};
};

template <typename T> class BoundedQueue
{
public:
    // Capacity: items queued at most; Spares: used items kept for the producer to fill again.
    explicit BoundedQueue(std::size_t capacity, std::size_t spares = 0)
        : m_capacity(capacity > 0 ? capacity : 1), m_spares(spares)
    {}
    BoundedQueue(const BoundedQueue&) = delete;
    BoundedQueue& operator=(const BoundedQueue&) = delete;

    // Producer: queues Item once there is room; false once stopped (Item is dropped).
    bool push(T item)
    {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return m_items.size() < m_capacity || m_stop.requested(); });
        if (m_stop.requested())
            return false;
        m_items.push_back(std::move(item));
        lock.unlock();
        m_ready.notify_one();
        return true;
    }

    // Producer: nothing follows the items queued; a non-null Error is raised by the pop after
    // them.
    void close(std::exception_ptr error = nullptr) noexcept
    {
        {
            std::lock_guard lock(m_mutex);
            m_closed = true;
            m_error = std::move(error);
        }
        m_ready.notify_all();
    }

    // Consumer: the next item, waited for; false after the last once closed, or once stopped.
    // Raises the producer's failure after the items before it (once).
    bool pop(T& item)
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_items.empty() || m_closed || m_stop.requested(); });
        if (m_stop.requested())
            return false;
        if (m_items.empty()) {
            if (std::exception_ptr error = std::exchange(m_error, nullptr))
                std::rethrow_exception(error);
            return false;
        }
        item = std::move(m_items.front());
        m_items.pop_front();
        // A producer that keeps ahead is woken once half the room is free, to fill it in one
        // go rather than being woken for each item.
        const bool wake = m_items.size() <= m_capacity / 2;
        lock.unlock();
        if (wake)
            m_room.notify_all();
        return true;
    }

    // Consumer: Item's storage back to the producer (dropped past the spares kept).
    void recycle(T&& item)
    {
        std::lock_guard lock(m_mutex);
        if (m_spare.size() < m_spares)
            m_spare.push_back(std::move(item));
    }
    // Producer: a recycled item into Item; false when there is none.
    bool reuse(T& item)
    {
        std::lock_guard lock(m_mutex);
        if (m_spare.empty())
            return false;
        item = std::move(m_spare.back());
        m_spare.pop_back();
        return true;
    }

    // Either side: both are woken; push and pop answer false from now on.
    void stop() noexcept
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop.request();
        }
        m_room.notify_all();
        m_ready.notify_all();
    }
    const StopFlag& stopFlag() const noexcept { return m_stop; }

private:
    const std::size_t m_capacity;
    const std::size_t m_spares;
    std::mutex m_mutex;
    std::condition_variable m_room, m_ready;
    std::deque<T> m_items;
    std::vector<T> m_spare;
    bool m_closed = false;
    std::exception_ptr m_error;
    StopFlag m_stop;
};

// Items made on a thread of its own, up to Depth ahead of the caller, so that making them
// overlaps with what the caller does with them. The items the caller is done with go back to be
// filled again, keeping their storage. Destruction stops the thread and waits for it, which
// finishes at most the item it is filling (less when the fill looks at the stop flag).
template <typename T> class ReadAhead
{
public:
    // Fills Item (a recycled one as the caller left it, or a new one); false once nothing
    // follows. An item with a size goes to the caller only when it holds anything. May call
    // Stop.check() as it works.
    using Fill = std::function<bool(T& item, const StopFlag& stop)>;

    ReadAhead(Fill fill, std::size_t depth)
        : m_fill(std::move(fill)), m_queue(depth, depth + 2), m_thread([this] { run(); })
    {}
    ~ReadAhead()
    {
        m_queue.stop();
        m_thread.join();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next item, Item's old content going back to be filled again (first, so that the
    // producer finds it when woken); false after the last. Raises what ended the producer,
    // after the items made before it.
    bool take(T& item)
    {
        m_queue.recycle(std::move(item));
        return m_queue.pop(item);
    }

    // Stops the producer; take answers false from now on.
    void stop() noexcept { m_queue.stop(); }

private:
    void run()
    {
        try {
            for (;;) {
                T item;
                m_queue.reuse(item);
                bool more = true;
                std::exception_ptr error;
                try {
                    more = m_fill(item, m_queue.stopFlag());
                } catch (const Stopped&) {
                    break;
                } catch (...) {
                    // What the fill made before it failed still goes first.
                    error = std::current_exception();
                    more = false;
                }
                if (hasContent(item) && !m_queue.push(std::move(item)))
                    return; // stopped
                if (!more) {
                    m_queue.close(std::move(error));
                    return;
                }
            }
            m_queue.close();
        } catch (...) {
            m_queue.close(std::current_exception());
        }
    }

    static bool hasContent(const T& item)
    {
        if constexpr (requires { std::size(item); })
            return std::size(item) > 0;
        else
            return true;
    }

    Fill m_fill;
    BoundedQueue<T> m_queue;
    std::thread m_thread; // last: started once the rest is in place
};

} // namespace queue
