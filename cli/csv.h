#pragma once
// Delimited values as RFC 4180 describes them: fields separated by commas
// (or another delimiter: tab, semicolon), records by CR LF or LF, fields in
// double quotes may hold delimiters, line breaks and doubled quotes. A UTF-8
// byte order mark at the start is skipped; blank lines are ignored.
#include <cstddef>
#include <string>
#include <vector>

struct CsvField {
    std::string text;
    std::size_t line = 0;  // line of the file on which the field starts (1-based)
};

using CsvRecord = std::vector<CsvField>;

struct CsvParse {
    std::vector<CsvRecord> records;
    std::string error;       // empty on success
    std::size_t errorLine = 0;
};

CsvParse parseCsv(const std::string& content, char delimiter = ',');

// One field as RFC 4180 writes it: quoted when it holds the delimiter, a
// quote or a line break.
std::string csvField(const std::string& text, char delimiter = ',');
