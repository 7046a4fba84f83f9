// Screening throughput against the literal uBLAS fit.
//
// BM_Screening runs the whole exhaustive screening of one dependent variable
// (every non-empty subset of k centred columns, keep count 10, information
// criterion). BM_LiteralFit fits a fixed sample of subsets (uniform over
// the non-empty masks, so of the same average size) with the literal uBLAS
// transcription that builds the design matrix from the data for every fit.
// Both report subsets per second as items per second; the script turns that
// into nanoseconds per subset.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "regression/centring.h"
#include "subset_search/screening.h"
#include "report/result_block.h"
#include "test_data.h"
#include "ublas_literal_fit.h"

namespace {

constexpr std::size_t literalSampleSize = 32;

// Centred random data, made once per (n, k).
const Dataset& benchmarkData(std::size_t n, std::size_t k) {
    static std::map<std::pair<std::size_t, std::size_t>, Dataset> cache;
    auto found = cache.find({n, k});
    if (found == cache.end()) {
        Dataset data = randomDataset(n, k, 1000 * n + k);
        centreColumn(data.y);
        for (DataColumn& column : data.columns) {
            centreColumn(column);
        }
        found = cache.emplace(std::make_pair(n, k), std::move(data)).first;
    }
    return found->second;
}

void BM_Screening(benchmark::State& state) {
    const Dataset& data = benchmarkData(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1)));
    const std::int64_t subsets = (std::int64_t{1} << data.columns.size()) - 1;
    std::vector<RankedSubset> kept;
    RunProgress progress;
    for (auto _ : state) {
        screenSubsets(data.y, data.columns, kept, 10, RankCriterion::InformationCriterion, progress);
        benchmark::DoNotOptimize(kept.data());
    }
    state.SetItemsProcessed(state.iterations() * subsets);
}

void BM_LiteralFit(benchmark::State& state) {
    const Dataset& data = benchmarkData(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1)));
    const std::uint64_t subsets = (std::uint64_t{1} << data.columns.size()) - 1;
    TestRandom random(77);
    std::vector<SubsetMask> masks;
    for (std::size_t i = 0; i < literalSampleSize; ++i) {
        masks.push_back(static_cast<SubsetMask>(1 + random.next() % subsets));
    }
    for (auto _ : state) {
        for (SubsetMask mask : masks) {
            LiteralFit fit = literalFit(data.y, data.columns, mask);
            benchmark::DoNotOptimize(fit.rss);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(masks.size()));
}

// The block of one dependent variable with 65535 kept models of 20 columns
// over 100000 rows: the cross-products are formed once, then each model's
// statistics and row. Seconds per block.
void BM_ReportBlock(benchmark::State& state) {
    const Dataset& data = benchmarkData(100000, 20);
    TestRandom random(99);
    std::vector<RankedSubset> kept;
    for (std::size_t i = 0; i < 65535; ++i) {
        kept.push_back({static_cast<SubsetMask>(1 + random.next() % ((1u << 20) - 1)), 0.0});
    }
    const std::vector<std::string> names(20, "x");
    for (auto _ : state) {
        ResultTable table;
        ModelResult result;
        appendResultBlock({"y", names, kept, 100000, data.y, data.columns}, result, table);
        benchmark::DoNotOptimize(table.data());
    }
}

}  // namespace

BENCHMARK(BM_ReportBlock)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Screening)->ArgNames({"n", "k"})->Args({100, 20})->Args({1000, 20})->Args({100, 16})->Args({10000, 16})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiteralFit)->ArgNames({"n", "k"})->Args({100, 20})->Args({1000, 20})->Args({10000, 16})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
