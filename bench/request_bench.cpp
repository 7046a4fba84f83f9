// The command line's requests through the bounded search at n = 200,
// k = 31 on the hard kinds of search_test_data.h: the 3 best models of each
// size (AIC), two forced variables (the first column and the last, which
// is the total, a copy or a dummy of the set where the kind has one; the
// one before it where the last is the constant column, which the command
// line leaves out; AIC, keep 10), and BIC and Mallows' Cp (keep 10, Cp against the model with
// every variable). One search per repetition.
#include <benchmark/benchmark.h>

#include <iterator>
#include <map>

#include "model_details.h"
#include "subset_search/bounded_search.h"
#include "search_test_data.h"

namespace {

constexpr std::size_t rows = 200;

struct RequestData {
    Dataset data;
    double cpScale = 0.0;
};

const RequestData& hardData(std::size_t kind) {
    static std::map<std::size_t, RequestData> cache;
    auto found = cache.find(kind);
    if (found == cache.end()) {
        RequestData entry;
        entry.data = hardDataset(hardKinds[kind], rows, 31, 9000);
        entry.cpScale = fullModelMeanSquare(centreData(entry.data.y, entry.data.columns));
        found = cache.emplace(kind, std::move(entry)).first;
    }
    return found->second;
}

// Request codes: 0 per size 3, 1 forced pair, 2 BIC, 3 Cp.
SubsetRequest requestOf(std::int64_t code, std::size_t kind, double cpScale) {
    SubsetRequest request;
    request.keepCount = 10;
    request.criterion = RankCriterion::InformationCriterion;
    if (code == 0) request.perSize = 3;
    const std::size_t last = hardKinds[kind] == HardKind::ConstantColumn ? 29 : 30;
    if (code == 1) request.forced = SubsetMask{1} | (SubsetMask{1} << last);
    if (code == 2) request.criterion = RankCriterion::BayesInformationCriterion;
    if (code == 3) request.criterion = RankCriterion::MallowsCp;
    request.cpScale = cpScale;
    return request;
}

// Arguments: kind (index into hardKinds), request code.
void BM_RequestHard(benchmark::State& state) {
    const RequestData& entry = hardData(static_cast<std::size_t>(state.range(0)));
    const SubsetRequest request =
        requestOf(state.range(1), static_cast<std::size_t>(state.range(0)), entry.cpScale);
    std::vector<RankedSubset> kept;
    RunProgress progress;
    for (auto _ : state) {
        searchBestSubsets(entry.data.y, entry.data.columns, kept, request, progress);
        benchmark::DoNotOptimize(kept.data());
    }
    state.SetLabel(hardKindName(hardKinds[state.range(0)]));
}

}  // namespace

BENCHMARK(BM_RequestHard)
    ->ArgNames({"kind", "request"})
    ->ArgsProduct({benchmark::CreateDenseRange(0, static_cast<int>(std::size(hardKinds)) - 1, 1), {0, 1, 2, 3}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
