#pragma once
// The kept models as one CSV row each, for a spreadsheet or a data frame:
// dependent, rank, size, variables ("+"-joined), the ranking criterion's
// value, rss, mse, r2, adj_r2, aic, bic, cp, f, f_p, then for every
// explanatory variable its raw coefficient, standard error, t and p (empty
// where the model leaves the variable out), then the intercept and its
// standard error. Numbers are plain numbers in the shortest form that reads
// back to the same double; a value that is not finite is an empty cell.
#include <string>

#include "analysis.h"
#include "search/run_block.h"

std::string renderModelTable(const RunBlock& block, const Analysis& analysis);

// The shortest decimal text that reads back to value ("0.1", "1e-20",
// "-3"); empty for NaN and ±∞.
std::string plainNumber(double value);

// The same for a long double that is a double; one beyond a double's range
// (the RSS of y near 1e-200) in the 17 significant digits of the double it
// was scaled from ("1.8000000000000007e-400").
std::string plainNumber(long double value);
