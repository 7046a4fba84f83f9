#include "interface/worker_thread.h"

#include <windows.h>

#include "interface/message_box.h"
#include "interface/run_state.h"
#include "search/search_driver.h"

unsigned __stdcall runSearchThread(void* argument) {
    RunState& state = *static_cast<RunState*>(argument);
    // Taken now: once the last reference goes the state goes with the library.
    const HMODULE module = state.workerModule;
    try {
        runSearch(state.block, state.progress, state.table);
    } catch (...) {
        showWorkerMessage(L"分析中にエラーが発生したため、分析を中断しました。", MB_OK | MB_ICONERROR);
    }
    if (module != nullptr) FreeLibraryAndExitThread(module, 1);
    return 1;
}
