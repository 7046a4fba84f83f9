#include "regression/centring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "regression/model_statistics.h"
#include "subset_search/screening.h"
#include "statistics_reference.h"
#include "test_data.h"

namespace {

TEST(CentreColumn, SubtractsTheMeanAndLeavesAnEmptyColumnAlone) {
    DataColumn column{1, 2, 3, 6};
    centreColumn(column);
    EXPECT_EQ(column, (DataColumn{-2, -1, 0, 3}));
    DataColumn empty;
    centreColumn(empty);
    EXPECT_TRUE(empty.empty());
}

// Calendar years, a price near ten million with a spread of one, a
// measurement with an offset of 5000 and a spread below one: the raw normal
// equations of such data lose most of their digits.
Dataset offsetData() {
    TestRandom random(4242);
    Dataset data{"large offsets", DataColumn(40), std::vector<DataColumn>(4, DataColumn(40))};
    for (std::size_t r = 0; r < 40; ++r) {
        data.columns[0][r] = 1985.0 + static_cast<double>(r);
        data.columns[1][r] = 1e7 + random.between(-1, 1);
        data.columns[2][r] = 5000.0 + random.between(-0.5, 0.5);
        data.columns[3][r] = random.between(-1, 1);
        data.y[r] = 3e5 + 2.0 * data.columns[0][r] + 3.0 * data.columns[1][r] + 40.0 * data.columns[2][r] +
                    random.between(-5, 5);
    }
    return data;
}

Dataset centred(Dataset data) {
    centreColumn(data.y);
    for (DataColumn& column : data.columns) {
        centreColumn(column);
    }
    return data;
}

Dataset shifted(Dataset data) {
    for (double& value : data.y) {
        value += 1e5;
    }
    for (double& value : data.columns[0]) {
        value += 500.0;
    }
    for (double& value : data.columns[1]) {
        value += 1e7;
    }
    return data;
}

std::vector<SubsetMask> ranking(const Dataset& data, std::int32_t code) {
    std::vector<RankedSubset> kept;
    RunProgress progress;
    EXPECT_TRUE(screenSubsets(data.y, data.columns, kept, 100, rankCriterionFromCode(code), progress));
    std::vector<SubsetMask> masks;
    for (const RankedSubset& entry : kept) {
        masks.push_back(entry.mask);
    }
    return masks;
}

// The table shows five decimals; these tolerances are far finer.
constexpr double tableTolerance = 1e-7;

void expectSameStatistics(const ModelResult& a, const ModelResult& b, const std::string& where) {
    ASSERT_EQ(a.coefficients.size(), b.coefficients.size()) << where;
    for (std::size_t j = 0; j < a.coefficients.size(); ++j) {
        EXPECT_NEAR(a.coefficients[j], b.coefficients[j], tableTolerance) << where << ", j " << j;
        EXPECT_NEAR(a.pValues[j], b.pValues[j], tableTolerance) << where << ", j " << j;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(a.statistics[i], b.statistics[i], tableTolerance) << where << ", statistic " << i;
    }
}

TEST(Centring, LargeOffsetsAgreeWithAHouseholderQrSolveOfTheRawData) {
    const Dataset raw = offsetData();
    const Dataset data = centred(raw);
    for (SubsetMask mask = 1; mask < 16; ++mask) {
        const int d = __builtin_popcountll(mask);
        const int df = 40 - d - 1;
        ModelResult result;
        ASSERT_TRUE(computeModelStatistics(data.y, data.columns, mask, result)) << "mask " << mask;
        const ReferenceModel reference = referenceModel(raw.y, raw.columns, mask);
        ModelResult expected;
        expected.coefficients = reference.standardized;
        expected.pValues.assign(1, d == 1 || d % 2 == 0 ? referenceUpperTailF(reference.f, d, df) : result.pValues[0]);
        for (int j = 1; j <= d; ++j) {
            expected.pValues.push_back(referenceTwoSidedT(reference.t[j], df));
        }
        expected.statistics = {reference.rSquared, reference.adjustedRSquared, reference.aic};
        expectSameStatistics(result, expected, "mask " + std::to_string(mask));
    }
}

TEST(Centring, LargeOffsetsRankLikeAHouseholderQrSolveOfTheRawData) {
    const Dataset raw = offsetData();
    const Dataset data = centred(raw);
    for (std::int32_t code : {0, 1, 2}) {
        std::vector<std::pair<double, SubsetMask>> reference;
        for (SubsetMask mask = 1; mask < 16; ++mask) {
            const double rss = referenceModel(raw.y, raw.columns, mask).rss;
            const double d = __builtin_popcountll(mask);
            reference.push_back({code == 0 ? rss : code == 1 ? rss / (40 - d - 1) : 40 * std::log(rss / 40) + 2 * d, mask});
        }
        std::sort(reference.begin(), reference.end());
        std::vector<SubsetMask> expected;
        for (const auto& entry : reference) {
            expected.push_back(entry.second);
        }
        EXPECT_EQ(ranking(data, code), expected) << "criterion " << code;
    }
}

TEST(Centring, AddingAConstantToAColumnChangesNeitherRankingNorStatistics) {
    const Dataset before = centred(offsetData());
    const Dataset after = centred(shifted(offsetData()));
    for (std::int32_t code : {0, 1, 2}) {
        const std::vector<SubsetMask> masks = ranking(before, code);
        ASSERT_EQ(ranking(after, code), masks) << "criterion " << code;
        for (SubsetMask mask : masks) {
            ModelResult a;
            ModelResult b;
            ASSERT_TRUE(computeModelStatistics(before.y, before.columns, mask, a));
            ASSERT_TRUE(computeModelStatistics(after.y, after.columns, mask, b));
            expectSameStatistics(a, b, "criterion " + std::to_string(code) + ", mask " + std::to_string(mask));
        }
    }
}

TEST(Centring, TheOffsetDataDefeatTheRawNormalEquations) {
    // Without centring the same fit is visibly wrong on these data, so the
    // two tests above show what centring buys.
    const Dataset raw = offsetData();
    double worst = 0.0;
    for (SubsetMask mask = 1; mask < 16; ++mask) {
        ModelResult result;
        if (!computeModelStatistics(raw.y, raw.columns, mask, result)) {
            worst = std::numeric_limits<double>::infinity();
            continue;
        }
        const ReferenceModel reference = referenceModel(raw.y, raw.columns, mask);
        for (std::size_t j = 1; j < result.coefficients.size(); ++j) {
            worst = std::max(worst, std::fabs(result.coefficients[j] - reference.standardized[j]));
        }
    }
    EXPECT_GT(worst, 1e-4);
}

}  // namespace
