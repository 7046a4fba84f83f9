#include "search/progress_percent.h"

#include <cmath>
#include <limits>

std::int32_t progressPercent(std::uint32_t subsetsDone, std::uint32_t dependentsDone,
                             std::uint32_t dependentCount, std::uint32_t explanatoryCount) {
    if (explanatoryCount > 31) return std::numeric_limits<std::int32_t>::min();
    const std::int32_t subsetCount =
        static_cast<std::int32_t>((std::uint32_t{1} << explanatoryCount) - 1u);
    const double s = subsetsDone;
    const double d = dependentsDone;
    const double n = dependentCount;
    const double p = (s / static_cast<double>(subsetCount) / n + d / n) * 100.0;
    // Only values strictly inside (INT32_MIN - 1, INT32_MAX + 1) truncate to
    // a 32-bit integer; everything else (NaN, infinities, huge values) takes
    // the sentinel.
    constexpr double upper = 2147483648.0;
    constexpr double lower = -2147483649.0;
    if (!(p > lower && p < upper)) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(p);
}
