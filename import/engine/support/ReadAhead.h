#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

// Batches made on a thread of their own, a few ahead of the caller, so that making them
// overlaps with what the caller does with them. The batches the caller is done with go back to
// be filled again, keeping their storage. A failure reaches the caller after the batches
// before it.
template <typename TBatch> class TReadAhead
{
public:
    // Fills a batch (one given back, as the caller left it); false once nothing follows.
    using TFill = std::function<bool(TBatch& Batch)>;

    TReadAhead(TFill Fill, std::size_t Depth)
        : FFill(std::move(Fill)), FDepth(Depth), FThread([this] { Run(); })
    {}
    // Stops the thread and waits for it.
    ~TReadAhead()
    {
        {
            std::lock_guard lock(FMutex);
            FStop = true;
        }
        FChanged.notify_all();
        FThread.join();
    }
    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;

    // The next batch, Batch's old content going back to be filled again; false after the
    // last, once the thread's failure (if any) was raised.
    bool Take(TBatch& Batch)
    {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [this] { return !FFull.empty() || FDone; });
        if (FFull.empty()) {
            if (FError) {
                std::exception_ptr error = FError;
                FError = nullptr;
                std::rethrow_exception(error);
            }
            return false;
        }
        if (FSpare.size() < FDepth)
            FSpare.push_back(std::move(Batch));
        Batch = std::move(FFull.front());
        FFull.pop_front();
        // A thread that keeps ahead waits for room: woken once half the batches are taken, it
        // fills them in one go rather than being woken, at some cost, for each.
        const bool wake = FFull.size() <= FDepth / 2;
        lock.unlock();
        if (wake)
            FChanged.notify_all();
        return true;
    }

private:
    void Run() noexcept
    {
        for (;;) {
            TBatch batch;
            {
                std::lock_guard lock(FMutex);
                if (!FSpare.empty()) {
                    batch = std::move(FSpare.back());
                    FSpare.pop_back();
                }
            }
            bool more = true;
            std::exception_ptr error;
            try {
                more = FFill(batch);
            } catch (...) {
                error = std::current_exception();
                more = false;
            }
            std::unique_lock lock(FMutex);
            FChanged.wait(lock, [this] { return FFull.size() < FDepth || FStop; });
            if (FStop)
                return;
            if (std::size(batch) > 0)
                FFull.push_back(std::move(batch));
            if (!more) {
                FError = error;
                FDone = true;
            }
            lock.unlock();
            FChanged.notify_all();
            if (!more)
                return;
        }
    }

    TFill FFill;
    std::size_t FDepth;
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::deque<TBatch> FFull;
    std::vector<TBatch> FSpare;
    bool FDone = false;
    bool FStop = false;
    std::exception_ptr FError;
    std::thread FThread; // last: started once the rest is in place
};
