#include "options.h"

#include <charconv>

namespace {

// Reads a whole-number option value in 1 .. 65535.
bool parseKeepCount(const std::string& text, std::int32_t& value) {
    std::int32_t parsed = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != end) return false;
    if (parsed < 1 || parsed > 65535) return false;
    value = parsed;
    return true;
}

bool parseCriterion(const std::string& text, std::int32_t& code) {
    if (text == "rss") code = 0;
    else if (text == "mse") code = 1;
    else if (text == "aic") code = 2;
    else return false;
    return true;
}

bool parseFormat(const std::string& text, OutputFormat& format) {
    if (text == "text") format = OutputFormat::Text;
    else if (text == "csv") format = OutputFormat::Csv;
    else if (text == "tsv") format = OutputFormat::Tsv;
    else return false;
    return true;
}

// Applies one option that takes a value; false with an error message when
// the value is not acceptable.
bool applyValue(const std::string& name, const std::string& value, CliOptions& options, std::string& error) {
    if (name == "-y" || name == "--dependent") {
        options.dependents.push_back(value);
    } else if (name == "-x" || name == "--explanatory") {
        options.explanatory.push_back(value);
    } else if (name == "-k" || name == "--keep") {
        if (!parseKeepCount(value, options.keepCount)) {
            error = "--keep needs a whole number from 1 to 65535, not '" + value + "'";
            return false;
        }
    } else if (name == "-c" || name == "--criterion") {
        if (!parseCriterion(value, options.criterion)) {
            error = "--criterion must be rss, mse or aic, not '" + value + "'";
            return false;
        }
    } else if (name == "-f" || name == "--format") {
        if (!parseFormat(value, options.format)) {
            error = "--format must be text, csv or tsv, not '" + value + "'";
            return false;
        }
    } else {
        options.outputPath = value;  // -o / --output
    }
    return true;
}

bool takesValue(const std::string& name) {
    static const char* const names[] = {"-y", "--dependent", "-x", "--explanatory", "-k", "--keep", "-c",
                                        "--criterion", "-f", "--format", "-o", "--output"};
    for (const char* candidate : names) {
        if (name == candidate) return true;
    }
    return false;
}

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string>& arguments) {
    ParsedOptions parsed;
    CliOptions& options = parsed.options;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        std::string value;
        bool hasInlineValue = false;
        if (!onlyFiles && argument.rfind("--", 0) == 0 && argument.find('=') != std::string::npos) {
            value = argument.substr(argument.find('=') + 1);
            argument = argument.substr(0, argument.find('='));
            hasInlineValue = true;
        }
        if (onlyFiles || argument == "-" || argument.empty() || argument[0] != '-') {
            if (!options.dataPath.empty()) {
                parsed.error = "only one data file can be given";
                return parsed;
            }
            options.dataPath = arguments[i];
        } else if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "-h" || argument == "--help") {
            options.showHelp = true;
        } else if (argument == "--version") {
            options.showVersion = true;
        } else if (argument == "--drop-incomplete") {
            options.dropIncomplete = true;
        } else if (takesValue(argument)) {
            if (!hasInlineValue) {
                if (i + 1 >= arguments.size()) {
                    parsed.error = argument + " needs a value";
                    return parsed;
                }
                value = arguments[++i];
            }
            if (!applyValue(argument, value, options, parsed.error)) return parsed;
        } else {
            parsed.error = "unknown option " + argument;
            return parsed;
        }
    }
    if (options.showHelp || options.showVersion) return parsed;
    if (options.dataPath.empty()) parsed.error = "no data file given";
    else if (options.dependents.empty()) parsed.error = "no dependent variable given (-y NAME)";
    return parsed;
}

std::string usageText() {
    return "usage: tavrel [options] DATA.csv\n"
           "\n"
           "Fits an ordinary least-squares model with intercept on every non-empty subset of the\n"
           "explanatory variables and prints the best models for each dependent variable.\n"
           "\n"
           "DATA.csv  UTF-8, comma-separated; the first row names the variables, every other\n"
           "          cell is a number with '.' as decimal point.\n"
           "\n"
           "options:\n"
           "  -y, --dependent NAME    a dependent variable (repeat for several; required)\n"
           "  -x, --explanatory NAME  an explanatory variable (repeat; default: every other column)\n"
           "  -k, --keep N            models kept per dependent variable, 1 to 65535 (default 10)\n"
           "  -c, --criterion C       ranking: rss, mse or aic (default aic)\n"
           "  -f, --format F          text (default), csv or tsv\n"
           "  -o, --output FILE       write the table to FILE instead of standard output\n"
           "      --drop-incomplete   drop rows with an empty cell among the chosen variables\n"
           "  -h, --help              show this help\n"
           "      --version           show the version\n"
           "\n"
           "Names match after trimming spaces and folding a-z to upper case. Constant explanatory\n"
           "variables are dropped with a warning; at most 31 explanatory variables.\n"
           "Exit status: 0 done, 2 bad input or options, 130 interrupted (Ctrl-C).\n";
}
