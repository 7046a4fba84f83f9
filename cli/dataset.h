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

// Columns that the run does not use are never read as numbers. A column
// with neither a name nor any value (what a trailing delimiter makes) is
// ignored, and a row may lack its cells. Without -x, every other named
// column that holds a number is explanatory; text columns and unnamed ones
// are left out with a warning.
Dataset buildDataset(const CsvParse& csv, const std::string& fileName, const CliOptions& options);

// The largest magnitude a value may have: its square, and the sums of
// squares of up to 2^32 such values, stay far inside the range of a double.
constexpr double largestValue = 1e150;

enum class CellKind {
    Number,       // a finite number with |x| <= largestValue
    Empty,        // nothing but spaces
    ExcelError,   // #N/A, #DIV/0!, #VALUE!, #REF!, #NAME?, #NUM!, #NULL!
    NotFinite,    // inf, nan, or a number beyond the range of a double
    TooLarge,     // |x| > largestValue
    NotNumber,    // anything else
};

// What a data cell holds; value is set for Number and TooLarge. Spaces and
// full-width spaces (U+3000) around the text are ignored.
CellKind classifyCell(const std::string& text, double& value);

// Strict number syntax of a data cell: optional sign, digits with an optional
// '.' fraction, optional exponent, or digits grouped in thousands by commas
// ("1,234.5", as Excel writes a number formatted that way; no exponent
// then); spaces around it are ignored. False for anything else and for
// values beyond the range of a double.
bool parseNumber(const std::string& text, double& value);

// The text without ASCII whitespace and full-width spaces (U+3000 in UTF-8)
// at either end.
std::string trimName(const std::string& text);
