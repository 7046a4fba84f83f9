#pragma once
// Data sets for the regression tests and benchmarks: a small portable
// random generator (the same numbers on every platform) and the kinds of
// data the fit must handle exactly as the reference does.
#include <cstdint>
#include <string>
#include <vector>

#include "regression/data_column.h"

// splitmix64: a fixed, portable sequence.
struct TestRandom {
    std::uint64_t state;
    explicit TestRandom(std::uint64_t seed) : state(seed) {}
    std::uint64_t next();
    double uniform();                        // [0, 1)
    double between(double low, double high);  // [low, high)
    int integer(int low, int high);          // [low, high]
};

struct Dataset {
    std::string name;
    DataColumn y;
    std::vector<DataColumn> columns;
};

// n rows of k columns and y, uniform in [-1, 1).
Dataset randomDataset(std::size_t n, std::size_t k, std::uint64_t seed);

// Every kind of data the fit is compared on: random data of several sizes
// (fewer rows than coefficients included), the collinear four-row example
// (x2 = 2·x1), duplicated columns, a column that is the sum of two others,
// columns proportional only up to rounding, integer data as typed into a
// worksheet, magnitudes near 1e±150, cross-products that overflow, a
// constant dependent variable, and values with a large common offset.
std::vector<Dataset> differentialDatasets();
