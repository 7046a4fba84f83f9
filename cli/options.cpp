#include "options.h"

#include <charconv>

namespace {

// Reads a whole-number option value in least .. most.
bool parseWholeNumber(const std::string& text, std::int32_t least, std::int32_t most, std::int32_t& value) {
    std::int32_t parsed = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != end) return false;
    if (parsed < least || parsed > most) return false;
    value = parsed;
    return true;
}

// A keep count: 1 .. 65535.
bool parseKeepCount(const std::string& text, std::int32_t& value) { return parseWholeNumber(text, 1, 65535, value); }

// --threads: 1 .. 256.
bool parseThreads(const std::string& text, std::int32_t& value) { return parseWholeNumber(text, 1, 256, value); }

bool parseCriterion(const std::string& text, std::int32_t& code) {
    if (text == "rss") code = 0;
    else if (text == "mse") code = 1;
    else if (text == "aic") code = 2;
    else if (text == "bic") code = 3;
    else if (text == "cp") code = 4;
    else if (text == "aicc") code = 5;
    else return false;
    return true;
}

bool parseFormat(const std::string& text, OutputFormat& format) {
    if (text == "text") format = OutputFormat::Text;
    else if (text == "csv") format = OutputFormat::Csv;
    else if (text == "tsv") format = OutputFormat::Tsv;
    else if (text == "models") format = OutputFormat::Models;
    else return false;
    return true;
}

bool parseEncoding(const std::string& text, InputEncoding& encoding) {
    if (text == "utf-8" || text == "utf8") encoding = InputEncoding::Utf8;
    else if (text == "cp932" || text == "sjis" || text == "shift_jis") encoding = InputEncoding::Cp932;
    else return false;
    return true;
}

bool parseDelimiter(const std::string& text, char& delimiter) {
    if (text == "comma" || text == ",") delimiter = ',';
    else if (text == "tab" || text == "\t") delimiter = '\t';
    else if (text == "semicolon" || text == ";") delimiter = ';';
    else return false;
    return true;
}

bool parseLayout(const std::string& text, TableLayout& layout) {
    if (text == "long") layout = TableLayout::Long;
    else if (text == "wide") layout = TableLayout::Wide;
    else return false;
    return true;
}

// A variable name given on the command line must name something: blank
// text (spaces, full-width spaces) would match no column, or the wrong one.
bool isBlankName(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')) ++i;
        else if (text.compare(i, 3, "\xE3\x80\x80") == 0) i += 3;
        else return false;
    }
    return true;
}

// Applies one option that takes a value; false with an error message when
// the value is not acceptable.
bool applyValue(const std::string& name, const std::string& value, CliOptions& options, std::string& error) {
    if ((name == "-y" || name == "--dependent" || name == "-x" || name == "--explanatory" || name == "--force") &&
        isBlankName(value)) {
        error = name + " needs a variable name, not '" + value + "'";
        return false;
    }
    if (name == "-y" || name == "--dependent") {
        options.dependents.push_back(value);
    } else if (name == "-x" || name == "--explanatory") {
        options.explanatory.push_back(value);
    } else if (name == "--force") {
        options.forced.push_back(value);
    } else if (name == "-k" || name == "--keep") {
        if (!parseKeepCount(value, options.keepCount)) {
            error = "--keep needs a whole number from 1 to 65535, not '" + value + "'";
            return false;
        }
        options.keepGiven = true;
    } else if (name == "--per-size") {
        if (!parseKeepCount(value, options.perSize)) {
            error = "--per-size needs a whole number from 1 to 65535, not '" + value + "'";
            return false;
        }
    } else if (name == "--threads") {
        if (!parseThreads(value, options.threads)) {
            error = "--threads needs a whole number from 1 to 256, not '" + value + "'";
            return false;
        }
    } else if (name == "-c" || name == "--criterion") {
        if (!parseCriterion(value, options.criterion)) {
            error = "--criterion must be rss, mse, aic, aicc, bic or cp, not '" + value + "'";
            return false;
        }
    } else if (name == "-f" || name == "--format") {
        if (!parseFormat(value, options.format)) {
            error = "--format must be text, csv, tsv or models, not '" + value + "'";
            return false;
        }
    } else if (name == "--encoding") {
        if (!parseEncoding(value, options.encoding)) {
            error = "--encoding must be utf-8 or cp932, not '" + value + "'";
            return false;
        }
    } else if (name == "--delimiter") {
        if (!parseDelimiter(value, options.delimiter)) {
            error = "--delimiter must be comma, tab or semicolon, not '" + value + "'";
            return false;
        }
    } else if (name == "--layout") {
        if (!parseLayout(value, options.layout)) {
            error = "--layout must be long or wide, not '" + value + "'";
            return false;
        }
    } else {
        if (value.empty()) {
            error = name + " needs a file name";
            return false;
        }
        options.outputPath = value;  // -o / --output
    }
    return true;
}

bool takesValue(const std::string& name) {
    static const char* const names[] = {"-y", "--dependent", "-x", "--explanatory", "-k", "--keep", "-c",
                                        "--criterion", "-f", "--format", "-o", "--output",
                                        "--encoding", "--delimiter", "--layout", "--per-size", "--force", "--threads"};
    for (const char* candidate : names) {
        if (name == candidate) return true;
    }
    return false;
}

bool isFlag(const std::string& name) {
    static const char* const names[] = {"-h", "--help", "--version", "--drop-incomplete", "--no-bom"};
    for (const char* candidate : names) {
        if (name == candidate) return true;
    }
    return false;
}

void setFlag(const std::string& name, CliOptions& options) {
    if (name == "-h" || name == "--help") options.showHelp = true;
    else if (name == "--version") options.showVersion = true;
    else if (name == "--drop-incomplete") options.dropIncomplete = true;
    else options.byteOrderMark = false;  // --no-bom
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
        } else if (isFlag(argument)) {
            // A flag is on by being named; "--drop-incomplete=no" must not
            // quietly mean yes.
            if (hasInlineValue) {
                parsed.error = argument + " takes no value";
                return parsed;
            }
            setFlag(argument, options);
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
    else if (options.keepGiven && options.perSize > 0) {
        parsed.error = "--keep and --per-size cannot be combined: --per-size N keeps the N best models of each size";
    }
    return parsed;
}

std::string usageText() {
    return "usage: tavrel [options] DATA.csv\n"
           "\n"
           "Fits an ordinary least-squares model with intercept on every non-empty subset of the\n"
           "explanatory variables and prints the best models for each dependent variable.\n"
           "\n"
           "DATA.csv  the first row names the variables, every other row is an observation. Read as\n"
           "          Excel saves it: UTF-8 (with or without a byte order mark), code page 932\n"
           "          (\"CSV (コンマ区切り)\"), or UTF-16 with a byte order mark (\"Unicode テキスト\",\n"
           "          tab-separated). Numbers use '.' as decimal point and may group thousands\n"
           "          (\"1,234.5\"); Excel's error values (#N/A, #DIV/0!, ...) count as empty cells.\n"
           "          Columns the run does not use may hold anything. '-' reads standard input.\n"
           "\n"
           "options:\n"
           "  -y, --dependent NAME    a dependent variable (repeat for several; required)\n"
           "  -x, --explanatory NAME  an explanatory variable (repeat; default: every other named\n"
           "                          column that holds numbers)\n"
           "  -k, --keep N            models kept per dependent variable, 1 to 65535 (default 10)\n"
           "  -c, --criterion C       ranking: rss, mse, aic (default), aicc (AIC corrected for small\n"
           "                          samples), bic (n ln(RSS/n) + d ln n) or cp (Mallows' Cp\n"
           "                          against the model with every variable)\n"
           "      --per-size N        keep the N best models of each size instead of -k's list\n"
           "                          (sizes ascending; the rank counts within each size)\n"
           "      --force NAME        keep an explanatory variable in every model (repeat for several)\n"
           "      --threads N         search on N threads, 1 to 256 (default: the machine's cores);\n"
           "                          the models found are the same for any N\n"
           "  -f, --format F          text (default), csv, tsv, or models (one CSV row per model with\n"
           "                          raw coefficients, standard errors, t and p, BIC, Mallows' Cp, F)\n"
           "  -o, --output FILE       write to FILE instead of standard output (checked before the\n"
           "                          search: the folder must exist and FILE must not be the input)\n"
           "      --layout L          text format: wide (one column per variable) or long (one line\n"
           "                          per model); default long when the table is wider than the\n"
           "                          terminal (COLUMNS or the terminal's width), else wide\n"
           "      --no-bom            csv and models output without the UTF-8 byte order mark that\n"
           "                          Excel needs to recognise UTF-8\n"
           "      --encoding E        utf-8 or cp932 for a file without a byte order mark (default:\n"
           "                          UTF-8 when the bytes are valid UTF-8, else cp932)\n"
           "      --delimiter D       comma, tab or semicolon (default comma; tab for UTF-16 files)\n"
           "      --drop-incomplete   drop rows with an empty cell or an Excel error value among the\n"
           "                          chosen variables\n"
           "  -h, --help              show this help\n"
           "      --version           show the version\n"
           "\n"
           "Names are trimmed of spaces (full-width ones too) and match a column's exact name first;\n"
           "where none fits exactly, a-z are folded to upper case. A name that fits two columns is\n"
           "refused.\n"
           "Constant explanatory variables are dropped with a warning; a constant dependent variable\n"
           "is refused. At most 64 explanatory variables; above 31 the search must be able to bound\n"
           "the subsets (it cannot fit every one of 2^32 or more), and data where it cannot (far too\n"
           "few rows, for one) are refused with the reason.\n"
           "\n"
           "exit status:\n"
           "  0    done\n"
           "  1    the search failed, or the output could not be written at the end\n"
           "  2    bad options or bad input (the message names the file, line, column and reason),\n"
           "       or an output file that cannot be written\n"
           "  130  interrupted (Ctrl-C); nothing is written\n";
}
