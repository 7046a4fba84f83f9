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
    // Subsets of that variable decided so far (fitted, or excluded with a
    // whole subtree), out of 2^k − 1: the library's count (k ≤ 31), held at
    // 2^32 − 1 beyond.
    std::atomic<std::uint32_t> subsetsDone{0};
    // The same count in 64 bits, for searches of up to 64 variables.
    std::atomic<std::uint64_t> subsetsDecided{0};
    std::atomic<bool> stopRequested{false};

    void reset() {
        dependentsDone.store(0, std::memory_order_relaxed);
        publishDecided(0);
        stopRequested.store(false, std::memory_order_relaxed);
    }
    bool stopping() const { return stopRequested.load(std::memory_order_relaxed); }

    // Stores the count of decided subsets in both counters.
    void publishDecided(std::uint64_t decided) {
        constexpr std::uint64_t most32 = 0xFFFFFFFFu;
        subsetsDone.store(static_cast<std::uint32_t>(decided < most32 ? decided : most32), std::memory_order_relaxed);
        subsetsDecided.store(decided, std::memory_order_relaxed);
    }
};
