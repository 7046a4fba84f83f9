#pragma once
// A small dense square matrix in fixed storage, for the systems of the fit:
// the cross-product matrix of a model (intercept plus at most 64 variables),
// its LU factors and its inverse. Row-major and packed: the row stride is
// the order, so a model of e coefficients uses the first e·e entries and
// stays in as few cache lines as possible. Nothing is allocated.
#include <cstddef>

// Intercept plus the largest number of explanatory variables a run can have.
constexpr std::size_t maxModelOrder = 65;

struct SquareMatrix {
    std::size_t order = 0;
    double entries[maxModelOrder * maxModelOrder];

    double* row(std::size_t i) { return entries + i * order; }
    const double* row(std::size_t i) const { return entries + i * order; }
    double& at(std::size_t i, std::size_t j) { return entries[i * order + j]; }
    double at(std::size_t i, std::size_t j) const { return entries[i * order + j]; }
};
