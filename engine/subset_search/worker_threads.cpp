#include "subset_search/worker_threads.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// What the workers report back to the watching thread.
struct Finish {
    std::mutex lock;
    std::condition_variable done;
    std::size_t running = 0;
    std::exception_ptr failure;  // the first one
};

void runOne(const std::function<void(std::size_t)>& work, std::size_t index, Finish& finish) {
    std::exception_ptr failure;
    try {
        work(index);
    } catch (...) {
        failure = std::current_exception();
    }
    const std::lock_guard<std::mutex> hold(finish.lock);
    if (failure && !finish.failure) finish.failure = failure;
    --finish.running;
    finish.done.notify_one();
}

}  // namespace

void runOnWorkerThreads(std::size_t count, const std::function<void(std::size_t)>& work,
                        std::chrono::milliseconds interval, const std::function<void()>& watch) {
    Finish finish;
    finish.running = count;
    std::vector<std::thread> threads;
    threads.reserve(count);
    std::size_t started = 0;
    for (; started < count; ++started) {
        try {
            threads.emplace_back(runOne, std::cref(work), started, std::ref(finish));
        } catch (const std::system_error&) {
            break;  // out of threads: the rest run here, below
        }
    }
    {
        std::unique_lock<std::mutex> hold(finish.lock);
        // The workers that did start count themselves off; the others are
        // counted off as they run here.
        while (finish.running > count - started) {
            finish.done.wait_for(hold, interval);
            hold.unlock();
            watch();
            hold.lock();
        }
    }
    for (std::thread& thread : threads) thread.join();
    for (std::size_t index = started; index < count; ++index) runOne(work, index, finish);
    watch();
    if (finish.failure) std::rethrow_exception(finish.failure);
}

unsigned machineThreads() {
    const unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1u : count;
}
