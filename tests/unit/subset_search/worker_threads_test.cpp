#include "subset_search/worker_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(RunOnWorkerThreads, RunsEveryIndexOnceOnThreadsOtherThanTheCaller) {
    for (std::size_t count : {1u, 2u, 7u}) {
        std::vector<std::atomic<int>> runs(count);
        std::atomic<int> onCaller{0};
        const std::thread::id caller = std::this_thread::get_id();
        runOnWorkerThreads(
            count,
            [&](std::size_t index) {
                runs[index].fetch_add(1);
                if (std::this_thread::get_id() == caller) onCaller.fetch_add(1);
            },
            1ms, [] {});
        for (std::size_t index = 0; index < count; ++index) EXPECT_EQ(runs[index].load(), 1) << "index " << index;
        EXPECT_EQ(onCaller.load(), 0) << count << " threads";
    }
}

TEST(RunOnWorkerThreads, WatchesWhileTheWorkersRunAndOnceAtTheEnd) {
    std::atomic<bool> release{false};
    std::atomic<int> watched{0};
    int watchedBeforeRelease = 0;
    runOnWorkerThreads(
        2,
        [&](std::size_t) {
            while (!release.load()) std::this_thread::sleep_for(1ms);
        },
        2ms,
        [&] {
            // The third look lets the workers go: the watch must come while
            // they run, not only after.
            if (watched.fetch_add(1) + 1 == 3) {
                watchedBeforeRelease = 3;
                release = true;
            }
        });
    EXPECT_EQ(watchedBeforeRelease, 3);
    EXPECT_GE(watched.load(), 4) << "the last look after the workers end";
}

TEST(RunOnWorkerThreads, ThrowsTheFailureOnlyAfterEveryWorkerHasFinished) {
    std::atomic<int> finished{0};
    bool caught = false;
    try {
        runOnWorkerThreads(
            3,
            [&](std::size_t index) {
                if (index == 1) throw std::runtime_error("worker 1");
                std::this_thread::sleep_for(20ms);
                finished.fetch_add(1);
            },
            1ms, [] {});
    } catch (const std::runtime_error& error) {
        caught = std::string(error.what()) == "worker 1";
        EXPECT_EQ(finished.load(), 2) << "the other workers were still running";
    }
    EXPECT_TRUE(caught);
}

}  // namespace
