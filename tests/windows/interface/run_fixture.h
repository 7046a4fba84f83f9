#pragma once
// Shared pieces of the run-control tests: the exports, small data sets, and
// a finished run's handed-back table.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "expect_box.h"
#include "message_box_script.h"
#include "process_dialogs.h"
#include "safe_arrays.h"
#include "tavrel_library.h"

struct Exports {
    MultiRegFn multiReg = tavrelFunction<MultiRegFn>("MultiReg");
    GetProgressFn getProgress = tavrelFunction<GetProgressFn>("GetProgress");
    AbortRegFn abortReg = tavrelFunction<AbortRegFn>("AbortReg");
};

inline const Exports& exports() {
    static const Exports loaded;
    return loaded;
}

// Inputs of one MultiReg call.
struct RunInput {
    OwnedArray dependentData, dependentNames, explanatoryData, explanatoryNames;
    std::int32_t keepCount = 3;
    std::int32_t criterion = 0;

    std::int32_t start() {
        return exports().multiReg(dependentData.ref(), dependentNames.ref(), explanatoryData.ref(),
                                  explanatoryNames.ref(), keepCount, criterion);
    }
};

// Column c of n rows with values that are not constant.
inline std::vector<double> varyingColumn(std::size_t n, int seed) {
    std::vector<double> column(n);
    for (std::size_t r = 0; r < n; ++r) column[r] = static_cast<double>((r * 7 + static_cast<std::size_t>(seed) * 13) % 11) + seed;
    return column;
}

// A run with one dependent variable and k explanatory ones over n rows.
inline RunInput simpleRun(std::size_t k, std::size_t n = 12) {
    RunInput input;
    input.dependentData = makeDataArray({varyingColumn(n, 100)});
    input.dependentNames = makeNameArray({"Y"});
    std::vector<std::vector<double>> columns;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < k; ++i) {
        columns.push_back(varyingColumn(n, static_cast<int>(i)));
        names.push_back("X" + std::to_string(i + 1));
    }
    input.explanatoryData = makeDataArray(columns);
    input.explanatoryNames = makeNameArray(names);
    return input;
}

// Values spread over [-1, 1) by a fixed generator (splitmix64), so that no
// column is constant or a combination of others.
inline std::vector<double> noiseColumn(std::size_t n, std::uint64_t seed) {
    std::vector<double> column(n);
    std::uint64_t state = seed * 0x2545F4914F6CDD1Dull;
    for (double& value : column) {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        value = static_cast<double>(z >> 11) * 0x1.0p-52 - 1.0;
    }
    return column;
}

// One dependent variable over k noise columns of n rows.
inline RunInput noiseRun(std::size_t k, std::size_t n, std::int32_t keepCount) {
    std::vector<std::vector<double>> columns;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < k; ++i) {
        columns.push_back(noiseColumn(n, i + 1));
        names.push_back("X" + std::to_string(i + 1));
    }
    RunInput input;
    input.dependentData = makeDataArray({noiseColumn(n, 1000)});
    input.dependentNames = makeNameArray({"Y"});
    input.explanatoryData = makeDataArray(columns);
    input.explanatoryNames = makeNameArray(names);
    input.keepCount = keepCount;
    input.criterion = 2;
    return input;
}

// A handed-back table, read out of its VARIANT.
struct HandedBack {
    VARTYPE type = VT_EMPTY;
    UINT dimensions = 0;
    LONG rowLower = 0, rowUpper = -1, columnLower = 0, columnUpper = -1;
    std::vector<std::vector<std::wstring>> cells;
};

inline HandedBack readHandedBack(VARIANT& result) {
    HandedBack table;
    table.type = V_VT(&result);
    SAFEARRAY* array = V_ARRAY(&result);
    if (!(table.type & VT_ARRAY) || array == nullptr) return table;
    table.dimensions = SafeArrayGetDim(array);
    if (table.dimensions != 2) return table;
    SafeArrayGetLBound(array, 1, &table.rowLower);
    SafeArrayGetUBound(array, 1, &table.rowUpper);
    SafeArrayGetLBound(array, 2, &table.columnLower);
    SafeArrayGetUBound(array, 2, &table.columnUpper);
    for (LONG r = table.rowLower; r <= table.rowUpper; ++r) {
        std::vector<std::wstring> row;
        for (LONG c = table.columnLower; c <= table.columnUpper; ++c) row.push_back(stringElement(array, r, c));
        table.cells.push_back(row);
    }
    return table;
}

// A message box that the worker thread shows (the test's own hook does not
// see that thread) fails the test and is answered, so the run can end.
inline void failOnWorkerMessageBox() {
    if (HWND box = findProcessDialog(GetCurrentProcessId())) {
        SeenMessageBox seen = readMessageBox(box);
        seen.answered = IDOK;
        pressButton(box, IDOK);
        waitUntilWindowGone(box, 5000);
        ADD_FAILURE() << "unexpected message box during the run: " << describe(seen);
    }
}

// Polls until the run ends (at most timeoutPolls answers) and returns the
// table; the progress answers seen on the way are appended to answers.
inline HandedBack waitForTable(std::vector<std::int32_t>* answers = nullptr, int timeoutPolls = 240) {
    VARIANT result;
    VariantInit(&result);
    for (int i = 0; i < timeoutPolls; ++i) {
        const std::int32_t answer = exports().getProgress(&result);
        if (answer == -1) break;
        if (answers) answers->push_back(answer);
        failOnWorkerMessageBox();
    }
    HandedBack table = readHandedBack(result);
    VariantClear(&result);
    return table;
}
