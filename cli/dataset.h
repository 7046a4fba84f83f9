#pragma once
// From a parsed CSV file and the command line to the run of one analysis:
// the chosen variables' columns, checked and complete.
#include <string>
#include <vector>

#include "csv.h"
#include "options.h"
#include "search/run_block.h"

struct Dataset {
    RunBlock block;
    std::vector<std::string> warnings;
    std::string error;  // empty when the run can start; otherwise names the file, line and column
};

Dataset buildDataset(const CsvParse& csv, const std::string& fileName, const CliOptions& options);

// Strict number syntax of a data cell: optional sign, digits with an optional
// '.' fraction, optional exponent; spaces around it are ignored. False for
// anything else and for values beyond the range of a double.
bool parseNumber(const std::string& text, double& value);
