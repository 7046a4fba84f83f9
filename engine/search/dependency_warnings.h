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
//
// With n rows and at least n − 1 explanatory columns the first line says
// how many variables a model can hold,
//   with 20 rows a model holds at most 18 explanatory variables
// and the dependencies and exact fits that the row count alone makes (n
// columns or more, or y fitted by n − 1 of them) are not listed: they say
// nothing about the data.
std::vector<std::string> dependencyWarnings(const RunBlock& block);
