#include "table_output.h"

#include <algorithm>
#include <vector>

#include "csv.h"
#include "dataset.h"
#include "report/number_text.h"
#include "utf8.h"

namespace {

bool isWide(char16_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6);
}

// A row that only carries text in its first cell (title, footer) or none
// at all (separator) is not part of the aligned grid.
bool isGridRow(const ResultRow& row) {
    for (std::size_t i = 1; i < row.size(); ++i) {
        if (!row[i].empty()) return true;
    }
    return false;
}

std::vector<std::u16string> linesOf(const std::u16string& cell) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = cell.find(u'\n', start);
        lines.push_back(cell.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start));
        if (end == std::u16string::npos) return lines;
        start = end + 1;
    }
}

std::vector<std::size_t> columnWidths(const ResultTable& table) {
    std::vector<std::size_t> widths;
    for (const ResultRow& row : table) {
        if (!isGridRow(row)) continue;
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t c = 0; c < row.size(); ++c) {
            for (const std::u16string& line : linesOf(row[c])) widths[c] = std::max(widths[c], displayWidth(line));
        }
    }
    return widths;
}

// One grid row, right-aligned under the widths, over as many terminal lines
// as its tallest cell.
std::string gridLines(const ResultRow& row, const std::vector<std::size_t>& widths) {
    std::vector<std::vector<std::u16string>> cells;
    std::size_t height = 1;
    for (const std::u16string& cell : row) {
        cells.push_back(linesOf(cell));
        height = std::max(height, cells.back().size());
    }
    std::string out;
    for (std::size_t line = 0; line < height; ++line) {
        std::string text;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const std::u16string part = line < cells[c].size() ? cells[c][line] : u"";
            if (c > 0) text += "  ";
            text.append(widths[c] - displayWidth(part), ' ');
            text += toUtf8(part);
        }
        text.erase(text.find_last_not_of(' ') + 1);
        out += text + "\n";
    }
    return out;
}

std::string renderText(const ResultTable& table) {
    const std::vector<std::size_t> widths = columnWidths(table);
    std::string out;
    for (const ResultRow& row : table) {
        if (isGridRow(row)) out += gridLines(row, widths);
        else out += (row.empty() ? std::string() : toUtf8(row[0])) + "\n";
    }
    return out;
}

std::string tsvCell(const std::u16string& cell) {
    std::string text = toUtf8(cell);
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

std::string renderDelimited(const ResultTable& table, OutputFormat format) {
    std::string out;
    for (const ResultRow& row : table) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) out += format == OutputFormat::Csv ? "," : "\t";
            out += format == OutputFormat::Csv ? spreadsheetCsvCell(toUtf8(row[c])) : tsvCell(row[c]);
        }
        out += format == OutputFormat::Csv ? "\r\n" : "\n";
    }
    return out;
}

bool isTitleRow(const ResultRow& row) {
    return !row.empty() && row[0].rfind(u"\u3000従属変数: ", 0) == 0;
}

// Right-aligns the cells of rows under common widths; the last cell of each
// row is left as it is.
std::string alignedLines(const std::vector<std::vector<std::u16string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t c = 0; c + 1 < row.size(); ++c) widths[c] = std::max(widths[c], displayWidth(row[c]));
    }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) line += "  ";
            if (c + 1 < row.size()) line.append(widths[c] - displayWidth(row[c]), ' ');
            line += toUtf8(row[c]);
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out += line + "\n";
    }
    return out;
}

// One block's model rows as long lines: names from the header row.
std::string longBlock(const ResultRow& header, const std::vector<const ResultRow*>& models,
                      const std::vector<double>& criteria, const std::vector<std::size_t>& ranks) {
    const std::size_t k = header.size() >= 3 ? header.size() - 3 : 0;
    std::vector<std::vector<std::u16string>> rows;
    rows.push_back({u"順位", u"基準値", u"決定係数", u"調整済み決定係数", u"AIC", u""});
    for (std::size_t m = 0; m < models.size(); ++m) {
        const ResultRow& row = *models[m];
        const std::string rank = std::to_string(m < ranks.size() ? ranks[m] : m + 1);
        std::u16string variables;
        for (std::size_t i = 0; i < k; ++i) {
            if (row[i] == u"-") continue;
            variables += (variables.empty() ? u"" : u" ") + header[i] + u"=" + row[i];
        }
        const double criterion = m < criteria.size() ? criteria[m] : 0.0;
        rows.push_back({std::u16string(rank.begin(), rank.end()), formatNumber(criterion), row[k], row[k + 1],
                        row[k + 2], variables});
    }
    return alignedLines(rows);
}

}  // namespace

std::string renderLongText(const ResultTable& table, const std::vector<std::vector<double>>& criteria,
                           const std::vector<std::vector<std::size_t>>& ranks) {
    std::string out;
    std::size_t block = 0;
    for (std::size_t r = 0; r < table.size(); ++r) {
        const ResultRow& row = table[r];
        if (!isTitleRow(row) || r + 1 >= table.size()) {
            out += (row.empty() ? std::string() : toUtf8(row[0])) + "\n";
            continue;
        }
        out += toUtf8(row[0]) + "\n";
        const ResultRow& header = table[++r];
        std::vector<const ResultRow*> models;
        while (r + 1 < table.size() && isGridRow(table[r + 1])) models.push_back(&table[++r]);
        static const std::vector<double> none;
        static const std::vector<std::size_t> inOrder;
        out += longBlock(header, models, block < criteria.size() ? criteria[block] : none,
                         block < ranks.size() ? ranks[block] : inOrder);
        ++block;
    }
    return out;
}

std::size_t textTableWidth(const ResultTable& table) {
    const std::vector<std::size_t> widths = columnWidths(table);
    std::size_t width = 0;
    for (std::size_t c = 0; c < widths.size(); ++c) width += widths[c] + (c > 0 ? 2 : 0);
    for (const ResultRow& row : table) {
        if (!isGridRow(row) && !row.empty()) width = std::max(width, displayWidth(row[0]));
    }
    return width;
}

std::string spreadsheetCsvCell(const std::string& text) {
    double value = 0.0;
    const bool formulaLike = !text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@');
    if (formulaLike && !parseNumber(text, value)) return csvField("'" + text);
    return csvField(text);
}

std::string toUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        appendUtf8(out, code);
    }
    return out;
}

std::size_t displayWidth(const std::u16string& text) {
    std::size_t width = 0;
    for (char16_t c : text) {
        if (c >= 0xDC00 && c <= 0xDFFF) continue;  // second half of a pair: counted with the first
        width += isWide(c) || (c >= 0xD800 && c <= 0xDBFF) ? 2 : 1;
    }
    return width;
}

std::string renderTable(const ResultTable& table, OutputFormat format) {
    return format == OutputFormat::Text ? renderText(table) : renderDelimited(table, format);
}
