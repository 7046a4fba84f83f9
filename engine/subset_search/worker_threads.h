#pragma once
// Runs one piece of work on several threads while the calling thread
// watches: the caller's own thread does no part of the work, so that it can
// publish what the workers have done at a steady pace.
#include <chrono>
#include <cstddef>
#include <functional>

// Runs work(0) … work(count − 1) on count threads of their own and returns
// when all have finished. Until then the calling thread calls watch() about
// every interval (and once more at the end). The first exception a worker
// throws is thrown again here once every worker has finished (a worker that
// fails should tell the others to stop: they are not interrupted). If a
// thread cannot be started, the work of the ones that could not be started
// is run by the calling thread in turn.
void runOnWorkerThreads(std::size_t count, const std::function<void(std::size_t)>& work,
                        std::chrono::milliseconds interval, const std::function<void()>& watch);

// The threads this machine runs at once (at least 1).
unsigned machineThreads();
