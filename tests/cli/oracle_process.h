#pragma once
// What the oracle tests share: tavrel run as a process on a committed data
// set, and its CSV output read back by header name.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "csv.h"

inline std::string oracle(const std::string& name) { return std::string(std::getenv("TAVREL_ORACLE")) + "/" + name; }

inline std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// Standard output of tavrel with the arguments (no quoting needed: plain
// words and paths).
inline std::string runTavrel(const std::string& arguments, int& status) {
    const std::string command = std::string(std::getenv("TAVREL_CLI")) + " " + arguments;
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    std::size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    status = pclose(pipe);
    return out;
}

// A CSV table as maps from header name to cell, one per row.
inline std::vector<std::map<std::string, std::string>> rowsOf(const std::string& text) {
    const CsvParse parse = parseCsv(text);
    std::vector<std::map<std::string, std::string>> rows;
    if (parse.records.empty()) return rows;
    for (std::size_t r = 1; r < parse.records.size(); ++r) {
        std::map<std::string, std::string> row;
        for (std::size_t c = 0; c < parse.records[0].size() && c < parse.records[r].size(); ++c) {
            row[parse.records[0][c].text] = parse.records[r][c].text;
        }
        rows.push_back(row);
    }
    return rows;
}

// Agreement to about eight significant digits: the normal equations in
// double lose some of the sixteen on collinear data such as Longley's.
inline bool agrees(double ours, double reference) {
    return std::fabs(ours - reference) <= 1e-8 * std::fabs(reference) + 1e-300;
}

