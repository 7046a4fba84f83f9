#pragma once
// A data set written as the sheet tavrel and R read: x1 … xk, then y, each
// value with 17 significant digits so that it reads back as the same double.
#include <cstdio>

#include "search_test_data.h"

inline bool writeCsv(const char* path, const Dataset& data) {
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr) return false;
    for (std::size_t j = 0; j < data.columns.size(); ++j) std::fprintf(file, "x%zu,", j + 1);
    std::fprintf(file, "y\n");
    for (std::size_t r = 0; r < data.y.size(); ++r) {
        for (const DataColumn& column : data.columns) std::fprintf(file, "%.17g,", column[r]);
        std::fprintf(file, "%.17g\n", data.y[r]);
    }
    return std::fclose(file) == 0;
}
