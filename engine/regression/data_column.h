#pragma once
// One variable's values in row order, and the bit mask that selects a subset
// of the explanatory variables (bit i = entry i of the run's explanatory list).
#include <cstdint>
#include <vector>

using DataColumn = std::vector<double>;
// 64 bits: the command line searches up to 64 variables; the library's runs
// (at most 31) leave the high half zero, so masks compare as they did in 32.
using SubsetMask = std::uint64_t;
