#include "dataset.h"

#include <cmath>
#include <cstdlib>
#include <locale>
#include <sstream>

#include "names/lead_byte.h"
#include "names/name_resolution.h"
#include "names/name_text.h"
#include "search/constant_column.h"

namespace {

constexpr std::size_t maxExplanatory = 31;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skipDigits(const std::string& s, std::size_t i) {
    while (i < s.size() && isDigit(s[i])) ++i;
    return i;
}

// Whether s is [+-]? (d+ (. d*)? | . d+) ([eE] [+-]? d+)?
bool hasNumberSyntax(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t integerEnd = skipDigits(s, i);
    bool digits = integerEnd > i;
    i = integerEnd;
    if (i < s.size() && s[i] == '.') {
        const std::size_t fractionEnd = skipDigits(s, i + 1);
        digits = digits || fractionEnd > i + 1;
        i = fractionEnd;
    }
    if (!digits) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const std::size_t exponentEnd = skipDigits(s, j);
        if (exponentEnd == j) return false;
        i = exponentEnd;
    }
    return i == s.size();
}

std::string quoted(const std::string& name) { return "'" + name + "'"; }

std::string location(const std::string& fileName, std::size_t line, std::size_t column,
                     const std::string& columnName) {
    return fileName + ":" + std::to_string(line) + ": column " + std::to_string(column) + " (" +
           quoted(columnName) + ")";
}

std::string knownNames(const CsvRecord& header) {
    std::string list;
    for (const CsvField& field : header) list += (list.empty() ? "" : ", ") + quoted(field.text);
    return list;
}

// The header's names are distinct after folding, since the command line
// matches names only in folded form.
bool checkHeader(const CsvRecord& header, const std::string& fileName, std::string& error) {
    NameTable seen;
    for (std::size_t c = 0; c < header.size(); ++c) {
        const std::string folded = foldName(trimWhitespace(header[c].text), isAnsiLeadByte);
        const auto found = seen.find(folded);
        if (found != seen.end()) {
            error = location(fileName, header[c].line, c + 1, header[c].text) + ": duplicate column name, " +
                    "already column " + std::to_string(found->second + 1);
            return false;
        }
        seen.emplace(folded, static_cast<std::int32_t>(c));
    }
    return true;
}

bool checkRowLengths(const std::vector<CsvRecord>& records, const std::string& fileName, std::string& error) {
    const std::size_t width = records.front().size();
    for (std::size_t r = 1; r < records.size(); ++r) {
        if (records[r].size() != width) {
            error = fileName + ":" + std::to_string(records[r].front().line) + ": the row has " +
                    std::to_string(records[r].size()) + " cells, the header " + std::to_string(width);
            return false;
        }
    }
    return true;
}

// The column indices the names choose, matched the way the add-in matches
// names; a repeated name is dropped with a warning.
bool chooseColumns(const std::vector<std::string>& wanted, const CsvRecord& header, const char* role,
                   std::vector<std::int32_t>& chosen, Dataset& out) {
    std::vector<std::string> names;
    for (const CsvField& field : header) names.push_back(field.text);
    const NameTable table = buildNameTable(names, 0, isAnsiLeadByte);
    std::string text;
    for (const std::string& name : wanted) text += name + "\n";
    const NameChoice choice =
        chooseVariables(text, table, isAnsiLeadByte, [&out, role](const std::string& folded) {
            out.warnings.push_back(std::string(role) + " variable " + quoted(folded) + " is named twice; " +
                                   "the repetition is ignored");
            return true;
        });
    if (choice.outcome != ChoiceOutcome::chosen) {
        out.error = "unknown variable " + quoted(choice.unknownName) + "; the columns are " + knownNames(header);
        return false;
    }
    chosen = choice.ids;
    return true;
}

bool contains(const std::vector<std::int32_t>& ids, std::int32_t id) {
    for (std::int32_t x : ids) {
        if (x == id) return true;
    }
    return false;
}

// Every column that is not a dependent variable.
std::vector<std::int32_t> otherColumns(std::size_t width, const std::vector<std::int32_t>& dependents) {
    std::vector<std::int32_t> ids;
    for (std::size_t c = 0; c < width; ++c) {
        if (!contains(dependents, static_cast<std::int32_t>(c))) ids.push_back(static_cast<std::int32_t>(c));
    }
    return ids;
}

// Reads every data cell; an empty cell of a chosen column makes its row
// incomplete (an error unless such rows are dropped).
bool readValues(const CsvParse& csv, const std::string& fileName, const std::vector<std::int32_t>& chosen,
                bool dropIncomplete, std::vector<std::vector<double>>& rows, std::size_t& dropped,
                std::string& error) {
    const CsvRecord& header = csv.records.front();
    for (std::size_t r = 1; r < csv.records.size(); ++r) {
        const CsvRecord& record = csv.records[r];
        std::vector<double> values(record.size(), 0.0);
        bool complete = true;
        for (std::size_t c = 0; c < record.size(); ++c) {
            const std::string cell = trimWhitespace(record[c].text);
            const bool used = contains(chosen, static_cast<std::int32_t>(c));
            if (cell.empty()) {
                if (used && !dropIncomplete) {
                    error = location(fileName, record[c].line, c + 1, header[c].text) +
                            ": empty cell (use --drop-incomplete to drop such rows)";
                    return false;
                }
                complete = complete && !used;
            } else if (!parseNumber(cell, values[c])) {
                error = location(fileName, record[c].line, c + 1, header[c].text) + ": " + quoted(record[c].text) +
                        " is not a number";
                return false;
            }
        }
        if (complete) rows.push_back(std::move(values));
        else ++dropped;
    }
    return true;
}

DataColumn columnOf(const std::vector<std::vector<double>>& rows, std::int32_t c) {
    DataColumn column;
    column.reserve(rows.size());
    for (const auto& row : rows) column.push_back(row[static_cast<std::size_t>(c)]);
    return column;
}

// Fills the run block; constant explanatory variables are left out with a
// warning, as the add-in does when the user agrees.
bool fillBlock(const CsvRecord& header, const std::vector<std::vector<double>>& rows,
               const std::vector<std::int32_t>& dependents, const std::vector<std::int32_t>& explanatory,
               Dataset& out) {
    for (std::int32_t c : dependents) {
        out.block.dependentNames.push_back(header[static_cast<std::size_t>(c)].text);
        out.block.dependentColumns.push_back(columnOf(rows, c));
    }
    for (std::int32_t c : explanatory) {
        DataColumn column = columnOf(rows, c);
        const std::string& name = header[static_cast<std::size_t>(c)].text;
        if (isConstantColumn(column)) {
            out.warnings.push_back("explanatory variable " + quoted(name) + " is constant and is left out");
            continue;
        }
        out.block.explanatoryNames.push_back(name);
        out.block.explanatoryColumns.push_back(std::move(column));
    }
    if (out.block.explanatoryColumns.empty()) {
        out.error = "no explanatory variable is left";
        return false;
    }
    if (out.block.explanatoryColumns.size() > maxExplanatory) {
        out.error = std::to_string(out.block.explanatoryColumns.size()) +
                    " explanatory variables; at most 31 can be searched (choose them with -x)";
        return false;
    }
    return true;
}

}  // namespace

bool parseNumber(const std::string& text, double& value) {
    const std::string s = trimWhitespace(text);
    if (!hasNumberSyntax(s)) return false;
    // The syntax is checked; the classic locale makes '.' the decimal point
    // whatever the environment says.
    std::istringstream stream(s);
    stream.imbue(std::locale::classic());
    double parsed = 0.0;
    stream >> parsed;
    if (stream.fail() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

Dataset buildDataset(const CsvParse& csv, const std::string& fileName, const CliOptions& options) {
    Dataset out;
    if (csv.records.empty()) {
        out.error = fileName + ": the file is empty; its first row must name the variables";
        return out;
    }
    const CsvRecord& header = csv.records.front();
    if (!checkHeader(header, fileName, out.error) || !checkRowLengths(csv.records, fileName, out.error)) return out;
    std::vector<std::int32_t> dependents, explanatory;
    if (!chooseColumns(options.dependents, header, "dependent", dependents, out)) return out;
    if (options.explanatory.empty()) {
        explanatory = otherColumns(header.size(), dependents);
    } else if (!chooseColumns(options.explanatory, header, "explanatory", explanatory, out)) {
        return out;
    }
    for (std::int32_t c : explanatory) {
        if (contains(dependents, c)) {
            out.error = "variable " + quoted(header[static_cast<std::size_t>(c)].text) +
                        " cannot be both dependent and explanatory";
            return out;
        }
    }
    std::vector<std::int32_t> chosen = dependents;
    chosen.insert(chosen.end(), explanatory.begin(), explanatory.end());
    std::vector<std::vector<double>> rows;
    std::size_t dropped = 0;
    if (!readValues(csv, fileName, chosen, options.dropIncomplete, rows, dropped, out.error)) return out;
    if (options.dropIncomplete) {
        out.warnings.push_back("dropped " + std::to_string(dropped) + " incomplete row" + (dropped == 1 ? "" : "s"));
    }
    if (rows.empty()) {
        out.error = fileName + ": no data rows";
        return out;
    }
    if (!fillBlock(header, rows, dependents, explanatory, out)) return out;
    out.block.keepCount = options.keepCount;
    out.block.criterion = options.criterion;
    return out;
}
