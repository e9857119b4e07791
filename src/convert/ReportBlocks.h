#pragma once
// Reading the Journal report on several threads at once. The report is cut into blocks
// of about the same size, each a run of whole lines; worker threads each take the next
// block and work it out into a result, and the thread that owns the files and the port
// takes the results in report order, so that what the user sees is what one thread
// reading from the first line to the last would show. A block whose result the owner
// cannot use (it met something only the owner may do, such as asking the user) stops the
// workers, and the owner goes on from there by itself.
//
// At most a few blocks' results wait at any time, so memory stays bounded whatever the
// report's size.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "safe/TextReader.h"

namespace tav {

// The threads to read with: the number asked for, or one per core when 0, and never
// more than a few, which is where reading stops getting faster.
unsigned readingThreads(unsigned asked);

// The first line that begins after a byte offset: the reader is left at its start.
// False when the report ends before.
bool seekLineAfter(TextReader& reader, std::uint64_t offset);

// Runs work(block, result, worker) for blocks 0 to count - 1 on the given number of worker
// threads, and take(block, result) for each on the calling thread, in order, until take
// returns false; idle() runs on the calling thread while it waits. Each worker has its
// own number (0 to threads - 1), for things it keeps from one block to the next. Work
// must not throw: a block it cannot do is a result the owner does not use.
template <class Result>
class BlockRunner {
public:
    using Work = std::function<void(size_t block, Result& result, unsigned worker)>;
    using Take = std::function<bool(size_t block, Result& result)>;

    BlockRunner(unsigned threads, size_t count)
        : threads_(threads), count_(count), slots_(threads + 2), ready_(threads + 2, kNone) {}

    void run(const Work& work, const Take& take, const std::function<void()>& idle);

private:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    unsigned threads_;
    size_t count_;
    std::vector<Result> slots_;
    std::vector<size_t> ready_;  // the block whose result each slot holds
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t next_ = 0, taken_ = 0;
    bool stop_ = false;
};

template <class Result>
void BlockRunner<Result>::run(const Work& work, const Take& take,
                              const std::function<void()>& idle) {
    auto worker = [&](unsigned number) {
        for (;;) {
            size_t block;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] {
                    return stop_ || next_ >= count_ || next_ < taken_ + slots_.size();
                });
                if (stop_ || next_ >= count_) return;
                block = next_++;
            }
            Result& result = slots_[block % slots_.size()];
            work(block, result, number);
            {
                std::lock_guard lock(mutex_);
                ready_[block % slots_.size()] = block;
            }
            changed_.notify_all();
        }
    };
    // However the owner leaves (a result it cannot use, an exception), the workers stop
    // and are waited for.
    struct Workers {
        BlockRunner& runner;
        std::vector<std::thread> threads;
        ~Workers() {
            {
                std::lock_guard lock(runner.mutex_);
                runner.stop_ = true;
            }
            runner.changed_.notify_all();
            for (std::thread& t : threads) t.join();
        }
    } workers{*this, {}};
    for (unsigned i = 0; i < threads_; ++i) workers.threads.emplace_back(worker, i);

    for (size_t block = 0; block < count_; ++block) {
        const size_t slot = block % slots_.size();
        {
            std::unique_lock lock(mutex_);
            while (ready_[slot] != block) {
                // The owner's events are seen to while the workers work.
                if (changed_.wait_for(lock, std::chrono::milliseconds(50)) ==
                    std::cv_status::timeout) {
                    lock.unlock();
                    idle();
                    lock.lock();
                }
            }
        }
        const bool more = take(block, slots_[slot]);
        {
            std::lock_guard lock(mutex_);
            ready_[slot] = kNone;
            taken_ = block + 1;
        }
        changed_.notify_all();
        if (!more) break;
    }
}

}  // namespace tav
