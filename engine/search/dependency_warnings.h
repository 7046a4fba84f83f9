#pragma once
// The one-line warnings a front end shows about a run's data before the
// search: which explanatory columns are exact linear combinations of others
// (the search leaves out every model that holds one with its whole
// combination) and which dependent variables some columns fit exactly.
#include <string>
#include <vector>

#include "search/run_block.h"

// One line per dependency, then one per exactly fitted dependent variable,
// in the run's order, for example
//   s is a linear combination of a, b: models that contain all of them are left out
//   y is fitted exactly by a, b
// The columns are centred first, as the search sees them. No line for data
// without either.
std::vector<std::string> dependencyWarnings(const RunBlock& block);
