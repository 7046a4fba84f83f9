#pragma once
// The progress line tavrel draws on a terminal while the search runs.
#include <cstdint>
#include <string>

#include "subset_search/run_progress.h"

// Share of the search done, 0 to 1: the dependent variables finished plus
// the decided part of the current one's 2^k - 1 subsets (fitted, or
// excluded with a whole subtree; k up to 64).
double progressFraction(const RunProgress& progress, std::uint32_t dependentCount, std::uint32_t explanatoryCount);

// "[#######.............]  35%  0:12 elapsed, about 0:22 left" (no estimate
// before anything is done).
std::string progressLine(double fraction, double elapsedSeconds);
