#pragma once
// The results table as a terminal, a CSV or a TSV reader wants it.
#include <string>

#include "options.h"
#include "report/result_table.h"

// UTF-8 of a UTF-16 cell (an unpaired surrogate becomes U+FFFD).
std::string toUtf8(const std::u16string& text);

// csv: RFC 4180, cells exactly as the table holds them. tsv: cells joined by
// tabs; a tab or line break inside a cell becomes a space. text: aligned
// columns, a cell with a line break printed on two lines, the title and
// footer rows as single lines, the separator row as an empty line.
std::string renderTable(const ResultTable& table, OutputFormat format);

// Columns a text takes on a terminal: East Asian wide and full-width
// characters take two.
std::size_t displayWidth(const std::u16string& text);
