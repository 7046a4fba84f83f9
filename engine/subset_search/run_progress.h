#pragma once
// The counters a running search publishes and the stop request it obeys.
// Written by the search thread, read (and the stop request set) by whoever
// watches it. Relaxed atomics: plain loads and stores on x86, and no data
// race in the C++ sense; a stale pair of counters only moves the progress
// figure.
#include <atomic>
#include <cstdint>

struct RunProgress {
    std::atomic<std::uint32_t> dependentsDone{0};  // index of the dependent variable being searched
    std::atomic<std::uint32_t> subsetsDone{0};     // subsets of that variable decided so far
    std::atomic<bool> stopRequested{false};

    void reset() {
        dependentsDone.store(0, std::memory_order_relaxed);
        subsetsDone.store(0, std::memory_order_relaxed);
        stopRequested.store(false, std::memory_order_relaxed);
    }
    bool stopping() const { return stopRequested.load(std::memory_order_relaxed); }
};
