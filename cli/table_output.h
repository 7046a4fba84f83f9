#pragma once
// The results table as a terminal, a CSV or a TSV reader wants it.
#include <string>
#include <vector>

#include "options.h"
#include "report/result_table.h"

// UTF-8 of a UTF-16 cell (an unpaired surrogate becomes U+FFFD).
std::string toUtf8(const std::u16string& text);

// csv: RFC 4180, cells as the table holds them except that a spreadsheet
// must not evaluate them (spreadsheetCsvCell). tsv: cells joined by
// tabs; a tab or line break inside a cell becomes a space. text: aligned
// columns, a cell with a line break printed on two lines, the title and
// footer rows as single lines, the separator row as an empty line.
std::string renderTable(const ResultTable& table, OutputFormat format);

// Columns a text takes on a terminal: East Asian wide and full-width
// characters take two.
std::size_t displayWidth(const std::u16string& text);

// One CSV cell that a spreadsheet shows as the text it is: a cell that
// begins with '=', '+', '-' or '@' and is not a number would be read as a
// formula, so it gets a leading apostrophe, the spreadsheets' mark for
// "text" (Excel hides it). Then quoted as RFC 4180 needs.
std::string spreadsheetCsvCell(const std::string& text);

// Columns the text table takes on a terminal: the widest line.
std::size_t textTableWidth(const ResultTable& table);

// The text table with one line per model, for tables wider than the
// terminal: rank, the ranking criterion's value (criteria[b][m] for model m
// of block b), R² with its marks, adjusted R², AIC, then name=coefficient
// with marks for the variables in the model. Title and footer lines as in
// the wide layout.
// ranks: per block, the rank shown for each model (default: 1, 2, … in
// the order of the rows).
std::string renderLongText(const ResultTable& table, const std::vector<std::vector<double>>& criteria,
                           const std::vector<std::vector<std::size_t>>& ranks = {});
