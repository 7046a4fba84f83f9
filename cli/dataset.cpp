#include "dataset.h"

#include <charconv>
#include <cmath>
#include <map>

#include "column_names.h"
#include "names/lead_byte.h"
#include "names/name_text.h"
#include "search/constant_column.h"

namespace {

constexpr std::size_t maxExplanatory = 64;
const std::string fullWidthSpace = "\xE3\x80\x80";

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

// s without its thousands separators when it is [+-]? d{1,3} (,ddd)+ (. d*)?;
// empty otherwise.
std::string withoutGrouping(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t first = skipDigits(s, i);
    if (first == i || first - i > 3 || first >= s.size() || s[first] != ',') return "";
    std::string plain = s.substr(0, first);
    i = first;
    while (i < s.size() && s[i] == ',') {
        const std::size_t end = skipDigits(s, i + 1);
        if (end - (i + 1) != 3) return "";
        plain.append(s, i + 1, 3);
        i = end;
    }
    if (i < s.size() && s[i] == '.') {
        const std::size_t end = skipDigits(s, i + 1);
        plain.append(s, i, end - i);
        i = end;
    }
    return i == s.size() ? plain : "";
}

// The value of a text of number syntax; false when it lies beyond the range
// of a double. from_chars reads '.' as the decimal point whatever the locale.
bool convert(const std::string& s, double& value) {
    const char* begin = s.data() + (s[0] == '+' ? 1 : 0);
    const char* end = s.data() + s.size();
    double parsed = 0.0;
    const auto result = std::from_chars(begin, end, parsed);
    if (result.ec == std::errc::result_out_of_range && s.find_first_of("eE") != std::string::npos &&
        s[s.find_first_of("eE") + 1] == '-') {
        // Below the smallest subnormal: the nearest double is zero.
        value = s[0] == '-' ? -0.0 : 0.0;
        return true;
    }
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

// The plain form of a cell that has number syntax, with or without grouping;
// empty when it has neither.
std::string numberText(const std::string& s) {
    if (hasNumberSyntax(s)) return s;
    return withoutGrouping(s);
}

std::string lowerAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

bool isExcelError(const std::string& s) {
    static const char* const errors[] = {"#N/A", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#NULL!"};
    for (const char* e : errors) {
        if (s == e) return true;
    }
    return false;
}

// Texts that programs write for values that are not finite (R, pandas, C).
bool namesNonFinite(const std::string& s) {
    std::string t = lowerAscii(s);
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) t.erase(0, 1);
    return t == "inf" || t == "infinity" || t == "nan";
}

std::string quoted(const std::string& name) { return "'" + name + "'"; }

std::string location(const std::string& fileName, std::size_t line, std::size_t column,
                     const std::string& columnName) {
    return fileName + ":" + std::to_string(line) + ": column " + std::to_string(column) + " (" +
           quoted(columnName) + ")";
}

// The file's columns: trimmed names, and which columns are ignored because
// they hold neither a name nor a value.
struct Columns {
    std::vector<std::string> names;
    std::vector<bool> ignored;
    std::size_t headerLine = 1;
};

bool isEmptyCell(const CsvRecord& record, std::size_t c) {
    return c >= record.size() || trimName(record[c].text).empty();
}

Columns describeColumns(const std::vector<CsvRecord>& records) {
    Columns columns;
    std::size_t width = 0;
    for (const CsvRecord& record : records) width = std::max(width, record.size());
    const CsvRecord& header = records.front();
    columns.headerLine = header.front().line;
    for (std::size_t c = 0; c < width; ++c) {
        columns.names.push_back(c < header.size() ? trimName(header[c].text) : "");
        bool empty = columns.names.back().empty();
        for (std::size_t r = 1; r < records.size() && empty; ++r) empty = isEmptyCell(records[r], c);
        columns.ignored.push_back(empty);
    }
    return columns;
}

// A row may differ in length from the header only by cells of ignored
// columns.
bool checkRowLengths(const std::vector<CsvRecord>& records, const Columns& columns, const std::string& fileName,
                     std::string& error) {
    const std::size_t width = records.front().size();
    for (std::size_t r = 1; r < records.size(); ++r) {
        const std::size_t size = records[r].size();
        for (std::size_t c = std::min(size, width); c < std::max(size, width); ++c) {
            if (columns.ignored[c]) continue;
            error = fileName + ":" + std::to_string(records[r].front().line) + ": the row has " +
                    std::to_string(size) + " cells, the header " + std::to_string(width);
            return false;
        }
    }
    return true;
}

std::string knownNames(const Columns& columns) {
    std::string list;
    for (std::size_t c = 0; c < columns.names.size(); ++c) {
        if (columns.ignored[c] || columns.names[c].empty()) continue;
        list += (list.empty() ? "" : ", ") + quoted(columns.names[c]);
    }
    return list;
}

bool contains(const std::vector<std::int32_t>& ids, std::int32_t id) {
    for (std::int32_t x : ids) {
        if (x == id) return true;
    }
    return false;
}

// The column indices the names choose: a name means the column that carries
// exactly that name, or else the one column that matches it with a-z folded;
// a name that fits two columns is refused with both named, and a repeated
// variable is dropped with a warning.
bool chooseColumns(const std::vector<std::string>& wanted, const Columns& columns, const char* role,
                   std::vector<std::int32_t>& chosen, Dataset& out) {
    chosen.clear();
    for (const std::string& name : wanted) {
        if (trimName(name).empty()) continue;
        const ColumnMatch match = matchColumnName(name, columns.names, columns.ignored);
        if (match.outcome == NameMatch::none) {
            out.error = "unknown variable " + quoted(foldName(trimName(name), isAnsiLeadByte)) +
                        "; the columns are " + knownNames(columns);
            return false;
        }
        if (match.outcome == NameMatch::ambiguous) {
            out.error = ambiguityMessage(name, columns.names, match, true);
            return false;
        }
        const auto id = static_cast<std::int32_t>(match.index);
        if (contains(chosen, id)) {
            out.warnings.push_back(std::string(role) + " variable " + quoted(columns.names[match.index]) +
                                   " is named twice; the repetition is ignored");
        } else {
            chosen.push_back(id);
        }
    }
    if (chosen.empty()) {
        out.error = "no " + std::string(role) + " variable is named";
        return false;
    }
    return true;
}

// Whether some cell of column c reads as a number (error values and empty
// cells do not count either way).
bool holdsNumbers(const std::vector<CsvRecord>& records, std::size_t c) {
    for (std::size_t r = 1; r < records.size(); ++r) {
        if (c >= records[r].size()) continue;
        double value = 0.0;
        const CellKind kind = classifyCell(records[r][c].text, value);
        if (kind != CellKind::Empty && kind != CellKind::ExcelError && kind != CellKind::NotNumber) return true;
    }
    return false;
}

// Every column that is neither a dependent variable nor ignored, and has a
// name and numbers; the others are reported.
std::vector<std::int32_t> defaultExplanatory(const std::vector<CsvRecord>& records, const Columns& columns,
                                             const std::vector<std::int32_t>& dependents, Dataset& out) {
    std::vector<std::int32_t> ids;
    for (std::size_t c = 0; c < columns.names.size(); ++c) {
        const auto id = static_cast<std::int32_t>(c);
        if (columns.ignored[c] || contains(dependents, id)) continue;
        if (columns.names[c].empty()) {
            out.warnings.push_back("column " + std::to_string(c + 1) +
                                   " has no name in the header and is left out");
        } else if (!holdsNumbers(records, c)) {
            out.warnings.push_back("column " + quoted(columns.names[c]) + " holds no numbers and is left out");
        } else {
            ids.push_back(id);
        }
    }
    return ids;
}

// The names of the columns in use must differ from every other column's, or
// the table and a name on the command line could mean either. Names that
// differ only in case are two variables.
bool checkDuplicates(const Columns& columns, const std::vector<std::int32_t>& used, const std::string& fileName,
                     std::string& error) {
    std::map<std::string, std::int32_t> seen;
    for (std::size_t c = 0; c < columns.names.size(); ++c) {
        if (columns.ignored[c] || columns.names[c].empty()) continue;
        const auto found = seen.find(columns.names[c]);
        if (found == seen.end()) {
            seen.emplace(columns.names[c], static_cast<std::int32_t>(c));
        } else if (contains(used, found->second) || contains(used, static_cast<std::int32_t>(c))) {
            error = location(fileName, columns.headerLine, c + 1, columns.names[c]) + ": duplicate column name, " +
                    "already column " + std::to_string(found->second + 1);
            return false;
        }
    }
    return true;
}

// Why a cell of a used column is not a value, as the message says it.
std::string refusal(CellKind kind, const std::string& text) {
    switch (kind) {
    case CellKind::Empty:
        return "empty cell (use --drop-incomplete to drop such rows)";
    case CellKind::ExcelError:
        return "Excel error value " + trimName(text) + " (use --drop-incomplete to drop such rows)";
    case CellKind::NotFinite:
        return quoted(text) + " is not a finite number";
    case CellKind::TooLarge:
        return quoted(text) + " is too large: values beyond 1e150 in magnitude overflow the sums of squares";
    default:
        return quoted(text) + " is not a number";
    }
}

bool isBlankRecord(const CsvRecord& record) {
    for (std::size_t c = 0; c < record.size(); ++c) {
        if (!isEmptyCell(record, c)) return false;
    }
    return true;
}

// Reads the used cells of every row; an empty or error cell of a used column
// makes its row incomplete (an error unless such rows are dropped). A row
// with no value at all is no observation and is skipped.
bool readValues(const std::vector<CsvRecord>& records, const Columns& columns, const std::string& fileName,
                const std::vector<std::int32_t>& used, bool dropIncomplete,
                std::vector<std::vector<double>>& rows, std::size_t& dropped, std::string& error) {
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        if (isBlankRecord(record)) continue;
        std::vector<double> values(columns.names.size(), 0.0);
        bool complete = true;
        for (std::int32_t id : used) {
            const auto c = static_cast<std::size_t>(id);
            const CellKind kind = classifyCell(record[c].text, values[c]);
            if (kind == CellKind::Number) continue;
            if (dropIncomplete && (kind == CellKind::Empty || kind == CellKind::ExcelError)) {
                complete = false;
                continue;
            }
            error = location(fileName, record[c].line, c + 1, columns.names[c]) + ": " + refusal(kind, record[c].text);
            return false;
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

// Fills the run block. A constant dependent variable is refused: every
// model would have a zero total sum of squares, nothing to explain. Constant
// explanatory variables are left out with a warning, as the add-in does when
// the user agrees.
bool fillBlock(const Columns& columns, const std::vector<std::vector<double>>& rows,
               const std::vector<std::int32_t>& dependents, const std::vector<std::int32_t>& explanatory,
               Dataset& out) {
    for (std::int32_t c : dependents) {
        const std::string& name = columns.names[static_cast<std::size_t>(c)];
        DataColumn column = columnOf(rows, c);
        if (isConstantColumn(column)) {
            out.error = "dependent variable " + quoted(name) + " is constant (" +
                        (column.size() < 2 ? "fewer than two rows" : "every value is the same") +
                        "): there is nothing to explain";
            return false;
        }
        out.block.dependentNames.push_back(name);
        out.block.dependentColumns.push_back(std::move(column));
    }
    for (std::int32_t c : explanatory) {
        DataColumn column = columnOf(rows, c);
        const std::string& name = columns.names[static_cast<std::size_t>(c)];
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
                    " explanatory variables; at most 64 can be searched (choose them with -x)";
        return false;
    }
    return true;
}

}  // namespace

std::string trimName(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (true) {
        if (begin < end && isNameSpace(text[begin])) ++begin;
        else if (end - begin >= 3 && text.compare(begin, 3, fullWidthSpace) == 0) begin += 3;
        else break;
    }
    while (true) {
        if (end > begin && isNameSpace(text[end - 1])) --end;
        else if (end - begin >= 3 && text.compare(end - 3, 3, fullWidthSpace) == 0) end -= 3;
        else break;
    }
    return text.substr(begin, end - begin);
}

CellKind classifyCell(const std::string& text, double& value) {
    const std::string s = trimName(text);
    if (s.empty()) return CellKind::Empty;
    if (isExcelError(s)) return CellKind::ExcelError;
    if (namesNonFinite(s)) return CellKind::NotFinite;
    const std::string plain = numberText(s);
    if (plain.empty()) return CellKind::NotNumber;
    double parsed = 0.0;
    if (!convert(plain, parsed)) return CellKind::NotFinite;
    value = parsed;
    return std::fabs(parsed) > largestValue ? CellKind::TooLarge : CellKind::Number;
}

bool parseNumber(const std::string& text, double& value) {
    const std::string plain = numberText(trimWhitespace(text));
    if (plain.empty()) return false;
    return convert(plain, value);
}

Dataset buildDataset(const CsvParse& csv, const std::string& fileName, const CliOptions& options) {
    Dataset out;
    if (csv.records.empty()) {
        out.error = fileName + ": the file is empty; its first row must name the variables";
        return out;
    }
    const Columns columns = describeColumns(csv.records);
    if (!checkRowLengths(csv.records, columns, fileName, out.error)) return out;
    std::vector<std::int32_t> dependents, explanatory;
    if (!chooseColumns(options.dependents, columns, "dependent", dependents, out)) return out;
    if (options.explanatory.empty()) {
        explanatory = defaultExplanatory(csv.records, columns, dependents, out);
    } else if (!chooseColumns(options.explanatory, columns, "explanatory", explanatory, out)) {
        return out;
    }
    for (std::int32_t c : explanatory) {
        if (contains(dependents, c)) {
            out.error = "variable " + quoted(columns.names[static_cast<std::size_t>(c)]) +
                        " cannot be both dependent and explanatory";
            return out;
        }
    }
    std::vector<std::int32_t> used = dependents;
    used.insert(used.end(), explanatory.begin(), explanatory.end());
    if (!checkDuplicates(columns, used, fileName, out.error)) return out;
    std::vector<std::vector<double>> rows;
    std::size_t dropped = 0;
    if (!readValues(csv.records, columns, fileName, used, options.dropIncomplete, rows, dropped, out.error)) {
        return out;
    }
    if (options.dropIncomplete) {
        out.warnings.push_back("dropped " + std::to_string(dropped) + " incomplete row" + (dropped == 1 ? "" : "s"));
    }
    if (rows.empty()) {
        out.error = fileName + ": no data rows";
        return out;
    }
    if (!fillBlock(columns, rows, dependents, explanatory, out)) return out;
    out.block.keepCount = options.keepCount;
    out.block.criterion = options.criterion;
    return out;
}
