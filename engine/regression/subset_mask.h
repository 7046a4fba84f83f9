#pragma once
// Walking the variables of a subset. Inside a model the variables stand in
// ascending bit order: coefficient 0 is the intercept, coefficient j the
// variable of the j-th set bit counted from the least significant bit.
#include <cstddef>

#include "regression/data_column.h"

// The number of explanatory variables in the subset (its set bits).
inline std::size_t subsetSize(SubsetMask mask) {
    return static_cast<std::size_t>(__builtin_popcount(mask));
}

// The index of the lowest variable of a non-empty subset: the number of zero
// bits below its lowest set bit.
inline std::size_t lowestVariable(SubsetMask mask) {
    return static_cast<std::size_t>(__builtin_ctz(mask));
}

// The subset without its lowest variable.
inline SubsetMask withoutLowestVariable(SubsetMask mask) { return mask & (mask - 1u); }
