#pragma once
// A run block as the library's input arrays, and the table the portable
// engine makes of it in this process, as the handed-back array's text: what
// the library must hand back for the same input.
#include <string>
#include <vector>

#include "run_fixture.h"
#include "search/search_driver.h"

inline std::vector<std::vector<std::wstring>> expectedCells(const RunBlock& block) {
    RunProgress progress;
    ResultTable table;
    runSearch(block, progress, table);
    std::vector<std::vector<std::wstring>> cells;
    for (const ResultRow& row : table) {
        std::vector<std::wstring> out;
        for (const std::u16string& cell : row) out.emplace_back(cell.begin(), cell.end());
        cells.push_back(out);
    }
    return cells;
}

inline RunInput inputOf(const RunBlock& block) {
    RunInput input;
    input.dependentData = makeDataArray(block.dependentColumns);
    input.dependentNames = makeNameArray(block.dependentNames);
    input.explanatoryData = makeDataArray(block.explanatoryColumns);
    input.explanatoryNames = makeNameArray(block.explanatoryNames);
    input.keepCount = block.keepCount;
    input.criterion = block.criterion;
    return input;
}
