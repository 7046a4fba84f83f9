// The best models of each size (per-size lists ranked by RSS, as the
// command line's --per-size N -c rss asks for them) through the bounded
// search, on the hard kinds of search_test_data.h and on sheets read from
// CSV files (real data sets that scripts/run-benchmarks.sh writes from R's
// MASS and mlbench packages), for the comparison with R's leaps, whose
// regsubsets(nbest = N) answers the same question.
//
//   per_size_bench --write-csv=FILE kind k          writes hard kind `kind` (its name in
//                                                   hardKindName) with k columns as x1 … xk, y
//   per_size_bench --print-lists=FILE nbest         prints the lists of the sheet in FILE, one
//                                                   subset per line, sizes ascending, best first:
//                                                   "size: 1-based variable numbers joined by '+'"
//   per_size_bench --sheet=FILE --nbest=N [benchmark flags]
//                                                   times one search per iteration (BM_PerSize)
//   per_size_bench --exact-compare=FILE             reads pairs of subsets "a+b+c d+e+f", one pair
//                                                   a line, and prints for each how their RSS
//                                                   compare in exact rational arithmetic on the
//                                                   sheet's doubles as read (with an intercept):
//                                                   "<", "=" or ">", and both RSS values rounded
//
// A sheet is a header line and rows of numbers separated by commas, y in the
// last column. The columns are centred as the search driver centres them.
#include <benchmark/benchmark.h>

#include <boost/multiprecision/cpp_int.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "regression/centring.h"
#include "subset_search/bounded_search.h"
#include "csv_sheet.h"
#include "search_test_data.h"

namespace {

struct Sheet {
    DataColumn y;
    std::vector<DataColumn> columns;
};

// Reads a sheet; false on a malformed line (a cell that is not a number,
// or a row of another width than the header).
bool readSheet(const char* path, Sheet& sheet) {
    std::ifstream file(path);
    std::string line;
    if (!std::getline(file, line)) return false;
    const std::size_t width = static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
    if (width < 2) return false;
    std::vector<DataColumn> cells(width);
    while (std::getline(file, line)) {
        if (line.empty()) continue;
        std::stringstream row(line);
        std::string cell;
        std::size_t column = 0;
        while (std::getline(row, cell, ',')) {
            char* end = nullptr;
            const double value = std::strtod(cell.c_str(), &end);
            if (end == cell.c_str() || column >= width) return false;
            cells[column++].push_back(value);
        }
        if (column != width) return false;
    }
    sheet.y = cells.back();
    cells.pop_back();
    sheet.columns = std::move(cells);
    centreColumn(sheet.y);
    for (DataColumn& column : sheet.columns) centreColumn(column);
    return !sheet.y.empty();
}

SubsetRequest perSizeRequest(std::uint32_t nbest) {
    SubsetRequest request;
    request.criterion = RankCriterion::ResidualSumOfSquares;
    request.perSize = nbest;
    return request;
}

int writeHardKind(const char* path, const char* name, std::size_t k) {
    for (HardKind kind : hardKinds) {
        if (std::strcmp(hardKindName(kind), name) != 0) continue;
        if (k < hardKindLeastColumns(kind) || k > maxExplanatoryVariables) {
            std::fprintf(stderr, "per_size_bench: kind %s takes %zu to %zu columns, not %zu\n", name,
                         hardKindLeastColumns(kind), static_cast<std::size_t>(maxExplanatoryVariables), k);
            return 2;
        }
        return writeCsv(path, hardDataset(kind, 200, k, 9000)) ? 0 : 1;
    }
    std::fprintf(stderr, "per_size_bench: no hard kind %s\n", name);
    return 2;
}

int printLists(const char* path, std::uint32_t nbest) {
    Sheet sheet;
    if (!readSheet(path, sheet)) {
        std::fprintf(stderr, "per_size_bench: cannot read %s\n", path);
        return 2;
    }
    std::vector<RankedSubset> kept;
    RunProgress progress;
    searchBestSubsets(sheet.y, sheet.columns, kept, perSizeRequest(nbest), progress);
    for (const RankedSubset& entry : kept) {
        std::string line;
        for (std::size_t j = 0; j < sheet.columns.size(); ++j) {
            if (entry.mask & (SubsetMask{1} << j)) line += (line.empty() ? "" : "+") + std::to_string(j + 1);
        }
        std::printf("%d: %s\n", __builtin_popcountll(entry.mask), line.c_str());
    }
    return 0;
}

using Rational = boost::multiprecision::cpp_rational;

// The exact RSS of the regression of y on an intercept and the variables
// of mask, from the exact cross-products of the uncentred columns: the
// symmetric elimination of [XᵀX Xᵀy; yᵀX yᵀy] over the chosen rows, a pivot
// that is exactly 0 skipped (its column lies in the span of those before
// it, and its row is then 0 too in exact arithmetic), leaves yᵀy − ŷᵀŷ in
// the last place.
Rational exactRss(const std::vector<std::vector<Rational>>& products, const std::vector<std::size_t>& chosen) {
    const std::size_t e = chosen.size();
    std::vector<std::vector<Rational>> m(e, std::vector<Rational>(e));
    for (std::size_t i = 0; i < e; ++i) {
        for (std::size_t j = 0; j < e; ++j) m[i][j] = products[chosen[i]][chosen[j]];
    }
    for (std::size_t p = 0; p + 1 < e; ++p) {
        if (m[p][p] == 0) continue;
        for (std::size_t i = p + 1; i < e; ++i) {
            if (m[i][p] == 0) continue;
            const Rational factor = m[i][p] / m[p][p];
            for (std::size_t j = p + 1; j < e; ++j) m[i][j] -= factor * m[p][j];
        }
    }
    return m[e - 1][e - 1];
}

int exactCompare(const char* path) {
    std::ifstream file(path);
    // The doubles as read, uncentred: the sheet reader centres them.
    std::string line;
    std::getline(file, line);
    std::vector<std::vector<double>> rows;
    while (std::getline(file, line)) {
        if (line.empty()) continue;
        std::stringstream row(line);
        std::string cell;
        rows.emplace_back();
        while (std::getline(row, cell, ',')) rows.back().push_back(std::strtod(cell.c_str(), nullptr));
    }
    if (rows.empty()) return 2;
    // Column 0 the intercept, 1 … k the variables, k + 1 y.
    const std::size_t columns = rows.front().size() + 1;
    std::vector<std::vector<Rational>> products(columns, std::vector<Rational>(columns));
    for (const std::vector<double>& row : rows) {
        std::vector<Rational> values{Rational(1)};
        for (double value : row) values.emplace_back(value);
        for (std::size_t i = 0; i < columns; ++i) {
            for (std::size_t j = i; j < columns; ++j) products[i][j] += values[i] * values[j];
        }
    }
    for (std::size_t i = 0; i < columns; ++i) {
        for (std::size_t j = 0; j < i; ++j) products[i][j] = products[j][i];
    }
    const auto chosenOf = [&](const std::string& subset) {
        std::vector<std::size_t> chosen{0};
        std::stringstream names(subset);
        std::string name;
        while (std::getline(names, name, '+')) chosen.push_back(std::strtoul(name.c_str(), nullptr, 10));
        chosen.push_back(columns - 1);
        return chosen;
    };
    std::string first, second;
    while (std::cin >> first >> second) {
        const Rational a = exactRss(products, chosenOf(first));
        const Rational b = exactRss(products, chosenOf(second));
        std::printf("%s %.17g %.17g\n", a < b ? "<" : a == b ? "=" : ">", static_cast<double>(a), static_cast<double>(b));
    }
    return 0;
}

void timePerSize(benchmark::State& state, const Sheet* sheet, std::uint32_t nbest) {
    std::vector<RankedSubset> kept;
    RunProgress progress;
    const SubsetRequest request = perSizeRequest(nbest);
    SearchTally tally;
    for (auto _ : state) {
        tally = SearchTally{};
        searchBestSubsets(sheet->y, sheet->columns, kept, request, progress, &tally);
        benchmark::DoNotOptimize(kept.data());
    }
    // The tree's nodes of the last search, by arithmetic.
    state.counters["extended_nodes"] = static_cast<double>(tally.extendedNodes);
    state.counters["double_nodes"] = static_cast<double>(tally.doubleNodes);
    state.counters["exact_fits"] = static_cast<double>(tally.exactFits);
    state.counters["exact_fits_taken"] = static_cast<double>(tally.exactFitsTaken);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strncmp(argv[1], "--write-csv=", 12) == 0) {
        return writeHardKind(argv[1] + 12, argv[2], std::strtoul(argv[3], nullptr, 10));
    }
    if (argc == 3 && std::strncmp(argv[1], "--print-lists=", 14) == 0) {
        return printLists(argv[1] + 14, static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)));
    }
    if (argc == 2 && std::strncmp(argv[1], "--exact-compare=", 16) == 0) return exactCompare(argv[1] + 16);
    const char* path = nullptr;
    std::uint32_t nbest = 1;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--sheet=", 8) == 0) {
            path = argv[i] + 8;
        } else if (std::strncmp(argv[i], "--nbest=", 8) == 0) {
            nbest = static_cast<std::uint32_t>(std::strtoul(argv[i] + 8, nullptr, 10));
        } else {
            rest.push_back(argv[i]);
        }
    }
    Sheet sheet;
    if (path == nullptr || !readSheet(path, sheet)) {
        std::fprintf(stderr, "usage: per_size_bench --sheet=FILE --nbest=N [benchmark flags] (or see the source)\n");
        return 2;
    }
    benchmark::RegisterBenchmark("BM_PerSize", timePerSize, &sheet, nbest)->Unit(benchmark::kMillisecond)->Iterations(1);
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
