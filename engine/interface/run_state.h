#pragma once
// The library-wide state of the one run that can exist at a time: the run
// block the worker reads, the worker's handle, the progress counters and the
// results table. One instance, alive from the library's load to its unload.
#include <windows.h>

#include "subset_search/run_progress.h"
#include "report/result_table.h"
#include "search/run_block.h"

struct RunState {
    RunBlock block;
    HANDLE workerThread = nullptr;  // null when no run is held
    unsigned workerThreadId = 0;
    // The reference to this library that the worker holds while it runs
    // (released by the worker as it exits), so that a host unloading the
    // library mid-run does not pull the code from under the worker.
    HMODULE workerModule = nullptr;
    RunProgress progress;
    ResultTable table;
};

RunState& runState();
