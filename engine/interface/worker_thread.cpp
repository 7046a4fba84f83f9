#include "interface/worker_thread.h"

#include "interface/message_box.h"
#include "interface/run_state.h"
#include "search/search_driver.h"

unsigned __stdcall runSearchThread(void* argument) {
    RunState& state = *static_cast<RunState*>(argument);
    try {
        runSearch(state.block, state.progress, state.table);
    } catch (...) {
        showWideMessage(L"分析中にエラーが発生したため、分析を中断しました。", MB_OK | MB_ICONERROR);
    }
    return 1;
}
