#include "interface/value_check.h"

#include <cmath>

bool isComputableValue(double value) {
    // A NaN fails the comparison, an infinity exceeds the limit.
    return std::fabs(value) <= largestComputableMagnitude;
}

std::size_t firstUncomputableColumn(const std::vector<DataColumn>& columns) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
        for (const double value : columns[c]) {
            if (!isComputableValue(value)) return c;
        }
    }
    return columns.size();
}
