// The cost of laying out one block of the results table: the statistics and
// the row of every kept model. BM_ResultBlock builds the block of a large
// run (n = 100000 rows, k = 20 variables, keep count 65535) once per
// iteration; the kept list comes from the bounded search, made once. The
// block's statistics are gathered from cross-products formed once for it,
// so the time is that of one pass over the data plus the models' own work,
// not keep count passes over the rows.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "regression/bounded_search.h"
#include "regression/centring.h"
#include "report/result_block.h"
#include "test_data.h"

namespace {

constexpr std::size_t rows = 100000;
constexpr std::size_t variables = 20;
constexpr std::uint32_t keepCount = 65535;

struct BlockData {
    Dataset data;
    std::vector<std::string> names;
    std::vector<RankedSubset> kept;
};

const BlockData& blockData() {
    static const BlockData made = [] {
        BlockData block;
        block.data = randomDataset(rows, variables, 4242);
        centreColumn(block.data.y);
        for (DataColumn& column : block.data.columns) centreColumn(column);
        for (std::size_t i = 0; i < variables; ++i) block.names.push_back("x" + std::to_string(i + 1));
        RunProgress progress;
        searchBestSubsets(block.data.y, block.data.columns, block.kept, keepCount,
                          RankCriterion::InformationCriterion, progress);
        return block;
    }();
    return made;
}

void BM_ResultBlock(benchmark::State& state) {
    const BlockData& block = blockData();
    const std::string dependent = "y";
    for (auto _ : state) {
        ResultTable table;
        ModelResult result;
        appendResultBlock({dependent, block.names, block.kept, static_cast<std::uint32_t>(rows), block.data.y,
                           block.data.columns},
                          result, table);
        benchmark::DoNotOptimize(table.data());
    }
    state.counters["models"] = static_cast<double>(block.kept.size());
}

}  // namespace

BENCHMARK(BM_ResultBlock)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
