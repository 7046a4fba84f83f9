#pragma once
// One variable's values in row order, and the bit mask that selects a subset
// of the explanatory variables (bit i = entry i of the run's explanatory list).
#include <cstdint>
#include <vector>

using DataColumn = std::vector<double>;
using SubsetMask = std::uint32_t;
