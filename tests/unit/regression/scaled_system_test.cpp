// The scaled system the bounded search's tree works on, against exact
// rational arithmetic on the data's own doubles: its sums must carry about
// twice the digits of a double, whatever the cancellation in the centring.
#include "subset_search/scaled_system.h"

#include <gtest/gtest.h>

#include <boost/multiprecision/cpp_int.hpp>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "exact_rational.h"
#include "test_data.h"

namespace {

using ::exactly;
Rational exactly(DoubleDouble value) { return exactly(value.hi) + exactly(value.lo); }

double toDouble(const Rational& r) { return static_cast<double>(r); }

// Exact centred cross-products of two columns, and Σ|a·b| (the scale the
// error of a running sum of the products is measured against).
struct ExactPair {
    Rational centred;
    double absoluteSum = 0.0;
};

ExactPair exactPair(const DataColumn& a, const DataColumn& b) {
    Rational products = 0, sumA = 0, sumB = 0;
    ExactPair pair;
    for (std::size_t r = 0; r < a.size(); ++r) {
        const Rational x = exactly(a[r]), y = exactly(b[r]);
        products += x * y;
        sumA += x;
        sumB += y;
        pair.absoluteSum += std::fabs(a[r] * b[r]);
    }
    pair.centred = products - sumA * sumB / Rational(static_cast<long long>(a.size()));
    return pair;
}

// For every pair of columns (y included), the squared correlation the
// scaled system implies, r² = C̃_ij² / (C̃_ii·C̃_jj), against the exact one:
// the scaling cancels, so this measures the sums and the centring alone.
// Each centred sum C_ab errs by at most about 3·(n + 1)·u²·Σ|x_a·x_b|; as a
// share of √(C_aa·C_bb) call that e_ab, and r² (|r| ≤ 1) moves by at most
// 2·e_ij + e_ii + e_jj. The allowance is that with the factor 16 for 3
// (room for the centring and the scaling's double-double products): some
// 1e-15 of what sums in double would err by. Returns the worst error as a
// share of the allowance.
double worstCorrelationError(const Dataset& data) {
    auto system = std::make_unique<ScaledSystem>();
    EXPECT_TRUE(formScaledSystem(data.y, data.columns, *system));
    const std::size_t k = data.columns.size();
    const double n = static_cast<double>(data.y.size());
    const double u = 0x1p-53;
    std::vector<const DataColumn*> all;
    for (const DataColumn& column : data.columns) all.push_back(&column);
    all.push_back(&data.y);
    const auto entry = [&](std::size_t i, std::size_t j) {
        if (i == k && j == k) return system->yyScaled;
        if (i == k) return system->xty[j];
        if (j == k) return system->xty[i];
        return system->at(i, j);
    };
    std::vector<Rational> squares(k + 1);
    std::vector<double> ownScale(k + 1);  // Σx_i² over the centred Σ(x_i − x̄_i)²
    for (std::size_t i = 0; i <= k; ++i) {
        const ExactPair pair = exactPair(*all[i], *all[i]);
        squares[i] = pair.centred;
        ownScale[i] = pair.absoluteSum / toDouble(pair.centred);
    }
    double worst = 0.0;
    for (std::size_t i = 0; i <= k; ++i) {
        for (std::size_t j = i + 1; j <= k; ++j) {
            const ExactPair pair = exactPair(*all[i], *all[j]);
            const Rational exact = pair.centred * pair.centred / (squares[i] * squares[j]);
            const Rational approximate =
                exactly(entry(i, j)) * exactly(entry(i, j)) / (exactly(entry(i, i)) * exactly(entry(j, j)));
            const double scale = pair.absoluteSum / std::sqrt(toDouble(squares[i]) * toDouble(squares[j]));
            const double allowance = 16.0 * n * u * u * (2.0 * scale + ownScale[i] + ownScale[j]);
            const double error = std::fabs(toDouble(approximate - exact));
            worst = std::max(worst, error / allowance);
        }
    }
    return worst;
}

// k columns: a large offset plus a small spread (values as typed, not
// centred), so that the centring cancels most digits of every sum.
Dataset offsetDataset(std::size_t n, std::size_t k, double offset, std::uint64_t seed) {
    Dataset data = randomDataset(n, k, seed);
    for (DataColumn& column : data.columns) {
        for (double& value : column) value = offset + value;
    }
    data.name = "offset " + std::to_string(offset);
    return data;
}

TEST(ScaledSystem, SumsCarryTwiceTheDigitsOfADoubleWhateverTheCentringCancels) {
    std::vector<Dataset> sets;
    sets.push_back(randomDataset(200, 6, 41));
    sets.push_back(offsetDataset(200, 5, 1e6, 42));
    sets.push_back(offsetDataset(97, 5, 3e9, 43));
    sets.push_back(offsetDataset(13, 4, 1e12, 44));
    Dataset mixed = randomDataset(150, 5, 45);
    for (double& value : mixed.columns[1]) value *= 1e-7;
    for (double& value : mixed.columns[3]) value = 1e8 + value * 1e3;
    mixed.name = "mixed scales";
    sets.push_back(mixed);
    for (const Dataset& data : sets) {
        const double worst = worstCorrelationError(data);
        EXPECT_LE(worst, 1.0) << data.name;
        std::printf("%s: largest error of a squared correlation %.3g of the allowance\n", data.name.c_str(), worst);
    }
}

}  // namespace
