#pragma once
// The product of a run: rows of UTF-16 text cells, every row of a run equally
// wide (number of explanatory variables + 3). Empty cells are empty strings.
#include <string>
#include <vector>

using ResultRow = std::vector<std::u16string>;
using ResultTable = std::vector<ResultRow>;
