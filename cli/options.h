#pragma once
// The command line of tavrel.
#include <cstdint>
#include <string>
#include <vector>

#include "text_encoding.h"

enum class OutputFormat { Text, Csv, Tsv, Models };

// How the text table is laid out: Automatic picks Long when the table is
// wider than the terminal.
enum class TableLayout { Automatic, Wide, Long };

struct CliOptions {
    std::vector<std::string> dependents;   // -y, in the order given
    std::vector<std::string> explanatory;  // -x; empty means every other column
    std::int32_t keepCount = 10;
    bool keepGiven = false;                // -k was given
    std::int32_t perSize = 0;              // --per-size; 0: one list of keepCount models
    std::vector<std::string> forced;       // --force, in the order given
    std::int32_t threads = 0;              // --threads; 0: the machine's cores
    std::int32_t criterion = 2;            // 0 rss, 1 mse, 2 aic, 3 bic, 4 cp, 5 aicc (RankCriterion's values)
    OutputFormat format = OutputFormat::Text;
    std::string outputPath;                // empty: standard output
    std::string dataPath;
    bool dropIncomplete = false;
    InputEncoding encoding = InputEncoding::Automatic;  // --encoding
    char delimiter = '\0';                 // --delimiter; '\0': comma, or tab for UTF-16 files
    bool byteOrderMark = true;             // csv and models output start with a UTF-8 byte order mark
    TableLayout layout = TableLayout::Automatic;
    bool showHelp = false;
    bool showVersion = false;
};

struct ParsedOptions {
    CliOptions options;
    std::string error;  // empty when the command line is valid
};

ParsedOptions parseOptions(const std::vector<std::string>& arguments);

std::string usageText();
