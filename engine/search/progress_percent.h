#pragma once
// The percentage a front end shows for a running search, from the two
// progress counters.
#include <cstdint>

// ((s / (2^k - 1)) / n + d / n) * 100 in double precision, in that order,
// truncated toward zero. 2^k - 1 is formed in 32-bit arithmetic (k <= 31).
// A value that is not finite or does not fit a 32-bit signed integer gives
// the smallest 32-bit signed integer.
std::int32_t progressPercent(std::uint32_t subsetsDone, std::uint32_t dependentsDone,
                             std::uint32_t dependentCount, std::uint32_t explanatoryCount);
