// The bounded search against the exhaustive screening, and at k = 31.
//
// BM_Exhaustive and BM_Bounded search one dependent variable (keep count
// 10) on the same centred data: noise (y unrelated to the columns, the
// hardest case for the bounds) or signal (y a strong combination of every
// third column plus noise). Both report the time of one search.
//
// Two more modes serve the comparison with R's leaps in
// scripts/run-benchmarks.sh, on exactly the data the benchmarks use:
//   search_bench --write-csv=FILE k data        writes x1 … xk, y (data: noise, signal or few_rows_n20)
//   search_bench --print-kept k data criterion  prints the kept subsets, best first, one per line,
//                                               as 1-based variable numbers joined by '+'
//
// BM_BoundedHard searches the hard kinds of search_test_data.h (a total
// column, scaled copies, a dummy set, powers of a year, Longley, far apart
// scales, near-exact fits, a constant column, few rows) at n = 200, k = 31,
// keep count 10; search_bench --fallbacks prints how many of those data sets
// (and few_rows_n20 at k = 31) the bounded search leaves to the exhaustive
// screening. BM_FewRows searches few_rows_n20: n = 20 rows, k = 24, 28 or 31
// noise columns, y the first column plus noise, every criterion of the
// command line's -c but cp (which needs more rows than variables).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "subset_search/bounded_search.h"
#include "subset_search/screening.h"
#include "csv_sheet.h"
#include "search_test_data.h"

namespace {

constexpr std::size_t rows = 200;
constexpr std::uint32_t keepCount = 10;

// The centred data of one (k, data kind), made once.
const Dataset& benchmarkData(std::size_t k, bool signal) {
    static std::map<std::pair<std::size_t, bool>, Dataset> cache;
    auto found = cache.find({k, signal});
    if (found == cache.end()) {
        const std::uint64_t seed = 5000 + k;
        Dataset data = signal ? signalDataset(rows, k, seed) : noiseDataset(rows, k, seed);
        found = cache.emplace(std::make_pair(k, signal), std::move(data)).first;
    }
    return found->second;
}

using Search = bool (*)(const DataColumn&, const std::vector<DataColumn>&, std::vector<RankedSubset>&, std::uint32_t,
                       RankCriterion, RunProgress&);

// Arguments: k, criterion code, signal (0 or 1).
void timeSearch(benchmark::State& state, Search search) {
    const Dataset& data = benchmarkData(static_cast<std::size_t>(state.range(0)), state.range(2) != 0);
    const RankCriterion criterion = rankCriterionFromCode(static_cast<std::int32_t>(state.range(1)));
    std::vector<RankedSubset> kept;
    RunProgress progress;
    for (auto _ : state) {
        search(data.y, data.columns, kept, keepCount, criterion, progress);
        benchmark::DoNotOptimize(kept.data());
    }
}

void BM_Bounded(benchmark::State& state) { timeSearch(state, searchBestSubsets); }

const Dataset& hardData(std::size_t kind) {
    static std::map<std::size_t, Dataset> cache;
    auto found = cache.find(kind);
    if (found == cache.end()) {
        found = cache.emplace(kind, hardDataset(hardKinds[kind], rows, 31, 9000)).first;
    }
    return found->second;
}

// Arguments: kind (index into hardKinds), criterion code.
void BM_BoundedHard(benchmark::State& state) {
    const Dataset& data = hardData(static_cast<std::size_t>(state.range(0)));
    const RankCriterion criterion = rankCriterionFromCode(static_cast<std::int32_t>(state.range(1)));
    std::vector<RankedSubset> kept;
    RunProgress progress;
    for (auto _ : state) {
        searchBestSubsets(data.y, data.columns, kept, keepCount, criterion, progress);
        benchmark::DoNotOptimize(kept.data());
    }
    state.SetLabel(hardKindName(hardKinds[state.range(0)]));
}

// Few rows: n = 20 laboratory runs, k candidates, y the first column plus
// noise (search_test_data.h's fewRowsDataset), as the benchmark kind
// few_rows_n20.
constexpr std::size_t fewRows = 20;

const Dataset& fewRowsData(std::size_t k) {
    static std::map<std::size_t, Dataset> cache;
    auto found = cache.find(k);
    if (found == cache.end()) found = cache.emplace(k, fewRowsDataset(fewRows, k, 0.5, 2000 + k)).first;
    return found->second;
}

// Arguments: k, criterion (RankCriterion's value; 5 the corrected AIC).
void BM_FewRows(benchmark::State& state) {
    const Dataset& data = fewRowsData(static_cast<std::size_t>(state.range(0)));
    const SubsetRequest request = overallRequest(keepCount, static_cast<RankCriterion>(state.range(1)));
    std::vector<RankedSubset> kept;
    RunProgress progress;
    for (auto _ : state) {
        searchBestSubsets(data.y, data.columns, kept, request, progress);
        benchmark::DoNotOptimize(kept.data());
    }
    state.SetLabel(dropTreeTrustText(boundedSearchVerdict(data.y, data.columns, request.criterion)));
}

int countFallbacks() {
    int count = 0;
    for (std::size_t kind = 0; kind < std::size(hardKinds); ++kind) {
        const Dataset& data = hardData(kind);
        const DropTreeTrust verdict = boundedSearchVerdict(data.y, data.columns);
        if (verdict != DropTreeTrust::Trusted) {
            std::fprintf(stderr, "%s: %s\n", hardKindName(hardKinds[kind]), dropTreeTrustText(verdict));
            ++count;
        }
    }
    const Dataset& few = fewRowsData(31);
    const DropTreeTrust verdict = boundedSearchVerdict(few.y, few.columns);
    if (verdict != DropTreeTrust::Trusted) {
        std::fprintf(stderr, "few_rows_n20: %s\n", dropTreeTrustText(verdict));
        ++count;
    }
    return count;
}
void BM_Exhaustive(benchmark::State& state) { timeSearch(state, screenSubsets); }

void printKept(const Dataset& data, std::int32_t code) {
    std::vector<RankedSubset> kept;
    RunProgress progress;
    searchBestSubsets(data.y, data.columns, kept, keepCount, rankCriterionFromCode(code), progress);
    for (const RankedSubset& entry : kept) {
        std::string line;
        for (std::size_t j = 0; j < 32; ++j) {
            if (entry.mask & (SubsetMask{1} << j)) line += (line.empty() ? "" : "+") + std::to_string(j + 1);
        }
        std::printf("%s\n", line.c_str());
    }
}

}  // namespace

BENCHMARK(BM_Exhaustive)->ArgNames({"k", "criterion", "signal"})->Args({22, 2, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bounded)
    ->ArgNames({"k", "criterion", "signal"})
    ->Args({22, 2, 0})
    ->ArgsProduct({{25, 30, 31}, {0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_BoundedHard)
    ->ArgNames({"kind", "criterion"})
    ->ArgsProduct({benchmark::CreateDenseRange(0, static_cast<int>(std::size(hardKinds)) - 1, 1), {0, 1, 2}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Few rows are bounded at k = 24, 28 and 31; at k = 31, 28.4 million
// roots of 19 variables that cover the sets of 18 (covering_roots.h) take
// about 15 seconds per criterion (the corrected AIC searches the plan split
// by count, 86.5 million roots): scripts/run-benchmarks.sh runs k = 31 once
// per criterion.
BENCHMARK(BM_FewRows)
    ->ArgNames({"k", "criterion"})
    ->ArgsProduct({{24, 28, 31}, {0, 1, 2, 5}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

namespace {

// The data of --write-csv and --print-kept: noise, signal or few_rows_n20.
const Dataset& namedData(const char* k, const char* name) {
    const std::size_t count = std::strtoul(k, nullptr, 10);
    if (std::strcmp(name, "few_rows_n20") == 0) return fewRowsData(count);
    return benchmarkData(count, std::strcmp(name, "signal") == 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--fallbacks") == 0) {
        std::printf("%d\n", countFallbacks());
        return 0;
    }
    if (argc == 4 && std::strncmp(argv[1], "--write-csv=", 12) == 0) {
        return writeCsv(argv[1] + 12, namedData(argv[2], argv[3])) ? 0 : 1;
    }
    if (argc == 5 && std::strcmp(argv[1], "--print-kept") == 0) {
        printKept(namedData(argv[2], argv[3]), static_cast<std::int32_t>(std::atoi(argv[4])));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
