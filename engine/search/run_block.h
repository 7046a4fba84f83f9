#pragma once
// Everything one analysis needs: the variables' names (narrow text in the
// front end's code page) and columns, how many models to keep per dependent
// variable, and the ranking criterion code (0 RSS, 1 residual mean square,
// anything else the information criterion).
#include <cstdint>
#include <string>
#include <vector>

#include "regression/data_column.h"

struct RunBlock {
    std::vector<std::string> dependentNames;
    std::vector<std::string> explanatoryNames;
    std::vector<DataColumn> dependentColumns;
    std::vector<DataColumn> explanatoryColumns;
    std::int32_t keepCount = 1;
    std::int32_t criterion = 2;
};
