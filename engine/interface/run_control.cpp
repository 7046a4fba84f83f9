// The run-control exports: MultiReg starts a run, GetProgress reports on it
// and finally hands its table back, AbortReg cancels it.
#include <windows.h>
#include <oleauto.h>
#include <process.h>

#include <cstdint>

#include "interface/input_arrays.h"
#include "interface/message_box.h"
#include "interface/result_handback.h"
#include "interface/run_state.h"
#include "interface/value_check.h"
#include "interface/worker_thread.h"
#include "names/whole_number.h"
#include "search/constant_column.h"
#include "search/progress_percent.h"

namespace {

constexpr std::int32_t maxExplanatoryCount = 31;

// Drops every constant variable of one kind that the user agrees to drop,
// asking once per variable. False when the user cancels (removals made so
// far stay).
bool dropConstantColumns(std::vector<std::string>& names, std::vector<DataColumn>& columns) {
    static const std::string question = codePage932(
        L"の分散は0です。この変数を除いて分析を続けますか？\nキャンセルを押すと分析を中断します。");
    std::size_t i = 0;
    while (i < names.size() && i < columns.size()) {
        if (!isConstantColumn(columns[i])) {
            ++i;
            continue;
        }
        if (showNarrowMessage(names[i] + question, MB_OKCANCEL | MB_ICONWARNING) == IDCANCEL) return false;
        names.erase(names.begin() + static_cast<std::ptrdiff_t>(i));
        columns.erase(columns.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return true;
}

// Refuses data holding a value the regression cannot compute with, naming
// the first such variable (explanatory ones first, as the later checks go).
bool allValuesComputable(const RunBlock& block) {
    static const std::string suffix = codePage932(L"に計算できない値が含まれています。");
    const std::vector<std::string>* names[2] = {&block.explanatoryNames, &block.dependentNames};
    const std::vector<DataColumn>* columns[2] = {&block.explanatoryColumns, &block.dependentColumns};
    for (int kind = 0; kind < 2; ++kind) {
        const std::size_t bad = firstUncomputableColumn(*columns[kind]);
        if (bad == columns[kind]->size()) continue;
        showNarrowMessage((*names[kind])[bad] + suffix, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

// The constant-variable prompts, explanatory variables first; false when
// the run is abandoned (Cancel, or no variable of a kind left).
bool dropConstantVariables(RunBlock& block) {
    if (!dropConstantColumns(block.explanatoryNames, block.explanatoryColumns)) return false;
    if (block.explanatoryColumns.empty()) {
        showNarrowMessage(codePage932(L"独立変数が0個になりました。分析を中断します。"), MB_OK | MB_ICONERROR);
        return false;
    }
    const bool hadDependents = !block.dependentColumns.empty();
    if (!dropConstantColumns(block.dependentNames, block.dependentColumns)) return false;
    if (hadDependents && block.dependentColumns.empty()) {
        showNarrowMessage(codePage932(L"従属変数が0個になりました。分析を中断します。"), MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

// The dependent and the explanatory data must describe the same rows.
bool sameRowCount(const RunBlock& block) {
    if (block.dependentColumns.empty() || block.explanatoryColumns.empty()) return true;
    return block.dependentColumns.front().size() == block.explanatoryColumns.front().size();
}

void closeWorker(RunState& state) {
    CloseHandle(state.workerThread);
    state.workerThread = nullptr;
}

// Frees the table's memory, not only its rows: a large run's table is
// tens of megabytes, and it is of no use once handed back or dropped.
void releaseTable(RunState& state) {
    ResultTable().swap(state.table);
}

bool workerEnded(HANDLE thread) {
    DWORD exitCode = 0;
    if (!GetExitCodeThread(thread, &exitCode)) return true;
    return exitCode != STILL_ACTIVE;
}

// The worker takes its own reference to this library, released as it exits,
// so that the host's FreeLibrary during a run cannot unmap the code it runs.
bool startWorker(RunState& state) {
    releaseTable(state);
    state.progress.reset();
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&runSearchThread)), &self)) {
        return false;
    }
    state.workerModule = self;
    const std::uintptr_t handle =
        _beginthreadex(nullptr, 0, runSearchThread, &state, 0, &state.workerThreadId);
    state.workerThread = reinterpret_cast<HANDLE>(handle);
    if (handle == 0) {
        state.workerModule = nullptr;
        FreeLibrary(self);
    }
    return handle != 0;
}

// A worker that still runs keeps the run state; one that has ended without
// handing its table back (the caller's polling was broken off) is put away,
// so the next run can start. False while the worker runs.
bool retireEndedWorker(RunState& state) {
    if (state.workerThread == nullptr) return true;
    if (!workerEnded(state.workerThread)) return false;
    closeWorker(state);
    releaseTable(state);
    return true;
}

}  // namespace

extern "C" std::int32_t __stdcall MultiReg(SAFEARRAY** dependentData, SAFEARRAY** dependentNames,
                                           SAFEARRAY** explanatoryData, SAFEARRAY** explanatoryNames,
                                           std::int32_t keepCount, std::int32_t criterion) {
    RunState& state = runState();
    if (!retireEndedWorker(state)) {
        showWideMessage(L"前回の分析がまだ終了していません。", MB_OK | MB_ICONERROR);
        return 0;
    }
    RunBlock& block = state.block;
    if (!readNameArray(dependentNames, block.dependentNames)) return 0;
    if (!readNameArray(explanatoryNames, block.explanatoryNames)) return 0;
    if (!readDataArray(dependentData, block.dependentColumns)) return 0;
    if (!readDataArray(explanatoryData, block.explanatoryColumns)) return 0;
    if (block.dependentColumns.size() != block.dependentNames.size()) return 0;
    if (block.explanatoryColumns.size() != block.explanatoryNames.size()) return 0;
    if (!sameRowCount(block)) return 0;
    if (block.explanatoryNames.size() > static_cast<std::size_t>(maxExplanatoryCount)) {
        showWideMessage(L"選択された説明変数が多すぎます。31個以下にしてください。", MB_OK | MB_ICONERROR);
        return 0;
    }
    if (keepCount < smallestWholeNumber || keepCount > largestWholeNumber) {
        showWideMessage(numberOutOfRangeText,
                        MB_OK | MB_ICONERROR);
        return 0;
    }
    if (!allValuesComputable(block)) return 0;
    block.keepCount = keepCount;
    block.criterion = criterion;
    if (!dropConstantVariables(block)) return 0;
    if (!startWorker(state)) {
        showNarrowMessage(codePage932(L"スレッドの生成に失敗しました。"), MB_OK | MB_ICONERROR);
        return 0;
    }
    return 1;
}

extern "C" std::int32_t __stdcall GetProgress(VARIANT* resultVariant) {
    RunState& state = runState();
    if (state.workerThread == nullptr) return -1;
    if (workerEnded(state.workerThread)) {
        if (resultVariant != nullptr) handBackResults(state.table, resultVariant);
        closeWorker(state);
        releaseTable(state);
        return -1;
    }
    Sleep(500);
    return progressPercent(state.progress.subsetsDone.load(std::memory_order_relaxed),
                           state.progress.dependentsDone.load(std::memory_order_relaxed),
                           static_cast<std::uint32_t>(state.block.dependentNames.size()),
                           static_cast<std::uint32_t>(state.block.explanatoryNames.size()));
}

extern "C" std::int32_t __stdcall AbortReg() {
    RunState& state = runState();
    if (state.workerThread == nullptr) return 0;
    // Stop the search at its next check (between two subsets) rather than
    // killing the thread, which could leave the runtime's locks held.
    state.progress.stopRequested.store(true, std::memory_order_relaxed);
    WaitForSingleObject(state.workerThread, INFINITE);
    closeWorker(state);
    releaseTable(state);
    return 0;
}
