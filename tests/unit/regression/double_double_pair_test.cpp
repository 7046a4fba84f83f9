#include "regression/double_double_pair.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "regression/cross_products.h"
#include "regression/extended_fit.h"
#include "regression/factor_kernels.h"
#include "regression/fit_levels.h"
#include "regression/subset_system.h"
#include "search_test_data.h"

namespace {

std::uint64_t bitsOf(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The same bits, or both not numbers (whose payloads are not the point).
bool sameBits(double a, double b) { return bitsOf(a) == bitsOf(b) || (std::isnan(a) && std::isnan(b)); }
bool sameBits(DoubleDouble a, DoubleDouble b) { return sameBits(a.hi, b.hi) && sameBits(a.lo, b.lo); }

// Doubles of random sign and significand with binary exponents in
// [lowest, highest]; now and then a zero of either sign.
struct RandomDoubles {
    std::mt19937_64 engine;
    int lowest;
    int highest;

    double next() {
        const std::uint64_t draw = engine();
        if (draw % 64 == 0) return (draw & 64) != 0 ? -0.0 : 0.0;
        const double significand = std::uniform_real_distribution<double>(1.0, 2.0)(engine);
        const int exponent = std::uniform_int_distribution<int>(lowest, highest)(engine);
        const double value = std::ldexp(significand, exponent);
        return (draw & 128) != 0 ? -value : value;
    }

    // A normalised double-double: a tail of about 2^-53 of the head, or none.
    DoubleDouble nextPair() {
        const double hi = next();
        if (engine() % 8 == 0) return {hi, 0.0};
        const double tail = hi * std::ldexp(std::uniform_real_distribution<double>(-0.5, 0.5)(engine), -53);
        return quickTwoSum(hi, tail);
    }
};

// The pair operations against the scalar ones, lane by lane, for operands
// drawn from gen (first lane) and other (second lane).
int expectLanesMatchScalar(RandomDoubles& gen, RandomDoubles& other, int count) {
    int failures = 0;
    for (int i = 0; i < count && failures < 5; ++i) {
        const DoubleDouble a[2] = {gen.nextPair(), other.nextPair()};
        // The second operands: independent draws, or exact negations of the
        // first (sums that cancel to zero), or the first (squares).
        DoubleDouble b[2] = {gen.nextPair(), other.nextPair()};
        const int shape = i % 4;
        if (shape == 1) b[0] = -a[0];
        if (shape == 2) b[1] = -a[1];
        if (shape == 3) b[0] = a[0];
        const DoubleDoublePair x = pairOf(a[0], a[1]);
        const DoubleDoublePair y = pairOf(b[0], b[1]);
        const DoubleDoublePair sum = x + y;
        const DoubleDoublePair difference = x - y;
        const DoubleDoublePair product = x * y;
        const DoubleDoublePair quotient = x / y;
        const DoubleDoublePair prepared = factorOf(x) * y;
        const DoubleDoublePair negated = -x;
        DoubleLanes splitHi, splitLo;
        splitDouble(DoubleLanes{a[0].hi, a[1].hi}, splitHi, splitLo);
        const DoubleDoublePair exactProduct = twoProduct(DoubleLanes{a[0].hi, a[1].hi}, DoubleLanes{b[0].hi, b[1].hi});
        const DoubleLanes rounded = toDoubles(x);
        for (int lane = 0; lane < 2; ++lane) {
            const auto of = [lane](const DoubleDoublePair& p) { return lane == 0 ? firstOf(p) : secondOf(p); };
            double hi = 0.0, lo = 0.0;
            splitDouble(a[lane].hi, hi, lo);
            const bool same = sameBits(of(sum), a[lane] + b[lane]) && sameBits(of(difference), a[lane] - b[lane]) &&
                              sameBits(of(product), a[lane] * b[lane]) && sameBits(of(prepared), a[lane] * b[lane]) && sameBits(of(quotient), a[lane] / b[lane]) && sameBits(of(negated), -a[lane]) &&
                              sameBits(splitHi[lane], hi) && sameBits(splitLo[lane], lo) &&
                              sameBits(of(exactProduct), twoProduct(a[lane].hi, b[lane].hi)) &&
                              sameBits(rounded[lane], toDouble(a[lane]));
            if (!same) {
                ++failures;
                ADD_FAILURE() << "lane " << lane << ": a = " << a[lane].hi << " + " << a[lane].lo << ", b = " << b[lane].hi
                              << " + " << b[lane].lo;
            }
        }
    }
    return failures;
}

TEST(DoubleDoublePair, EachLaneIsTheScalarOperationBitForBit) {
    // Ordinary magnitudes; products over a wide range (their tails reach the
    // subnormals); subnormals themselves; and heads above 2^996, whose split
    // is scaled, alone and beside an ordinary lane (then both lanes take
    // the scalar split).
    RandomDoubles ordinary{std::mt19937_64(1), -60, 60};
    RandomDoubles wide{std::mt19937_64(2), -500, 500};
    RandomDoubles tiny{std::mt19937_64(3), -1074, -1000};
    RandomDoubles huge{std::mt19937_64(4), 990, 1023};
    RandomDoubles ordinary2{std::mt19937_64(5), -60, 60};
    EXPECT_EQ(expectLanesMatchScalar(ordinary, ordinary2, 20000), 0);
    EXPECT_EQ(expectLanesMatchScalar(wide, ordinary, 20000), 0);
    EXPECT_EQ(expectLanesMatchScalar(tiny, wide, 20000), 0);
    EXPECT_EQ(expectLanesMatchScalar(huge, ordinary, 20000), 0);
    EXPECT_EQ(expectLanesMatchScalar(ordinary, huge, 20000), 0);
    EXPECT_EQ(expectLanesMatchScalar(huge, huge, 20000), 0);
}

TEST(DoubleDoublePair, SignedZerosAndExactCancellationKeepTheScalarSigns) {
    const DoubleDouble cases[] = {{0.0, 0.0}, {-0.0, 0.0}, {-0.0, -0.0}, {1.0, 0x1p-60}, {-1.0, -0x1p-60},
                                  {0x1p1000, 0x1p940}, {-0x1p1000, 0x1p940}, {0x1p-1074, 0.0}};
    for (const DoubleDouble& a : cases) {
        for (const DoubleDouble& b : cases) {
            const DoubleDoublePair x = pairOf(a, b);
            const DoubleDoublePair y = pairOf(b, a);
            EXPECT_TRUE(sameBits(firstOf(x + y), a + b) && sameBits(secondOf(x + y), b + a));
            EXPECT_TRUE(sameBits(firstOf(x - x), a - a) && sameBits(secondOf(x - x), b - b));
            EXPECT_TRUE(sameBits(firstOf(x - y), a - b) && sameBits(secondOf(x - y), b - a));
            EXPECT_TRUE(sameBits(firstOf(x * -y), a * -b) && sameBits(secondOf(x * -y), b * -a));
            EXPECT_TRUE(sameBits(firstOf(x / y), a / b) && sameBits(secondOf(x / y), b / a));
        }
    }
}

// The refit of one subset in the order the solver takes its operations:
// centring, L·D·Lᵀ on the lower triangle with the target eliminated along, the diagonal of C⁻¹
// from the columns of L⁻¹, β, and C⁻¹ column by column with the intercept's
// row and corner. By the scalar operations one at a time, or (kernels) with
// the solver's row elimination, inverse diagonal and inverse columns.
struct ScalarRefit {
    bool kernels = false;
    bool factorised = false;
    std::size_t d = 0;
    std::vector<DoubleDouble> c, mean, spread, rhs, reciprocal, diagonal, beta, inverse;
    DoubleDouble n, sst, rss, intercept, corner;
    std::vector<DoubleDouble> interceptRow;

    DoubleDouble& at(std::size_t i, std::size_t j) { return c[i * d + j]; }

    void solve(const ExtendedCrossProducts& p, const std::size_t* source, std::size_t e, std::size_t target) {
        d = e - 1;
        c.assign(d * d, {});
        mean.assign(d, {});
        spread.assign(d, {});
        rhs.assign(d, {});
        reciprocal.assign(d, {});
        n = p.at(0, 0);
        for (std::size_t i = 0; i < d; ++i) mean[i] = p.at(0, source[i + 1]) / n;
        const DoubleDouble meanTarget = p.at(0, target) / n;
        for (std::size_t i = 0; i < d; ++i) {
            const std::size_t a = source[i + 1];
            for (std::size_t j = i; j < d; ++j) at(j, i) = p.at(a, source[j + 1]) - mean[i] * p.at(0, source[j + 1]);
            spread[i] = at(i, i);
            rhs[i] = p.at(a, target) - mean[i] * p.at(0, target);
        }
        sst = p.at(target, target) - meanTarget * p.at(0, target);
        rss = sst;
        factorised = isFinite(sst);
        for (std::size_t q = 0; q < d && factorised; ++q) {
            const DoubleDouble pivot = at(q, q);
            if (!(pivot.hi > rankTolerance * spread[q].hi) || !(spread[q].hi > 0.0)) factorised = false;
            if (!factorised) return;
            reciprocal[q] = toDoubleDouble(1.0) / pivot;
            // The lower triangle only: column q as it stands is, by
            // symmetry, the pivot row.
            std::vector<DoubleDouble> column(d);
            for (std::size_t i = q + 1; i < d; ++i) column[i] = at(i, q);
            for (std::size_t i = q + 1; i < d; ++i) {
                const DoubleDouble l = column[i] * reciprocal[q];
                if (kernels) {
                    eliminateRow(&at(i, 0), l, column.data(), q + 1, i + 1);
                } else {
                    for (std::size_t j = q + 1; j <= i; ++j) at(i, j) = at(i, j) - l * column[j];
                }
                rhs[i] = rhs[i] - l * rhs[q];
                at(i, q) = l;
            }
            rss = rss - rhs[q] * rhs[q] * reciprocal[q];
        }
        if (!factorised) return;
        diagonal.assign(d, {});
        std::vector<DoubleDouble> x(d);
        if (kernels) inverseDiagonalOfFactors(c.data(), d, reciprocal.data(), d, diagonal.data());
        for (std::size_t q = 0; q < d && !kernels; ++q) {
            DoubleDouble entry = reciprocal[q];
            for (std::size_t i = q + 1; i < d; ++i) {
                DoubleDouble sum = -at(i, q);
                for (std::size_t k = q + 1; k < i; ++k) sum = sum - at(i, k) * x[k];
                x[i] = sum;
                entry = entry + sum * sum * reciprocal[i];
            }
            diagonal[q] = entry;
        }
        beta.assign(d, {});
        for (std::size_t i = 0; i < d; ++i) beta[i] = rhs[i] * reciprocal[i];
        for (std::size_t i = d; i-- > 0;) {
            for (std::size_t k = i + 1; k < d; ++k) beta[i] = beta[i] - at(k, i) * beta[k];
        }
        intercept = meanTarget;
        for (std::size_t j = 0; j < d; ++j) intercept = intercept - mean[j] * beta[j];
        inverse.assign(d * d, {});
        std::size_t paired = 0;
        if (kernels) {
            for (; paired + 2 <= d; paired += 2) {
                std::vector<DoubleDoublePair> columns(d);
                inverseColumnPair(c.data(), d, reciprocal.data(), d, paired, columns.data());
                for (std::size_t i = 0; i < d; ++i) {
                    inverse[i * d + paired] = firstOf(columns[i]);
                    inverse[i * d + paired + 1] = secondOf(columns[i]);
                }
            }
        }
        for (std::size_t q = paired; q < d; ++q) {
            std::vector<DoubleDouble> column(d);
            for (std::size_t i = 0; i < d; ++i) column[i] = toDoubleDouble(i == q ? 1.0 : 0.0);
            for (std::size_t i = 0; i < d; ++i) {
                for (std::size_t k = 0; k < i; ++k) column[i] = column[i] - at(i, k) * column[k];
            }
            for (std::size_t i = 0; i < d; ++i) column[i] = column[i] * reciprocal[i];
            for (std::size_t i = d; i-- > 0;) {
                for (std::size_t k = i + 1; k < d; ++k) column[i] = column[i] - at(k, i) * column[k];
            }
            for (std::size_t i = 0; i < d; ++i) inverse[i * d + q] = column[i];
        }
        interceptRow.assign(d, {});
        corner = toDoubleDouble(1.0) / n;
        for (std::size_t j = 0; j < d; ++j) {
            DoubleDouble sum;
            for (std::size_t k = 0; k < d; ++k) sum = sum + mean[k] * inverse[k * d + j];
            interceptRow[j] = -sum;
            corner = corner + sum * mean[j];
        }
    }

    // The least 1 − R²_j over the variables up to the first that fails the
    // rank rule, as the solver reports it.
    double leastIndependence() const {
        double least = 1.0;
        for (std::size_t j = 0; j < d; ++j) {
            const double inflation = toDouble(diagonal[j] * spread[j]);
            if (!(inflation > 0.0) || !(inflation * rankTolerance < 1.0)) return inflation > 0.0 ? 1.0 / inflation : 0.0;
            least = std::min(least, 1.0 / inflation);
        }
        return least;
    }
};

bool sameBits(const std::vector<DoubleDouble>& a, const std::vector<DoubleDouble>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!sameBits(a[i], b[i])) return false;
    }
    return true;
}

// Compares the refit through the solver's kernels with the scalar one, every
// double-double of it, and both kinds of solve with the scalar refit
// (rounded to double, as they report it); counts the subsets solved.
void expectRefitMatchesScalar(const CrossProducts& products, SubsetMask mask, const char* name, int& solved) {
    const ExtendedCrossProducts& extended = extendedCrossProducts(products);
    SubsetSystem system;
    gatherSubsetSystem(products, mask, system);
    ScalarRefit reference;
    reference.solve(extended, system.source, system.order(), extended.yIndex());
    ScalarRefit paired;
    paired.kernels = true;
    paired.solve(extended, system.source, system.order(), extended.yIndex());
    ASSERT_EQ(paired.factorised, reference.factorised) << name << ", mask " << mask;
    EXPECT_TRUE(sameBits(paired.c, reference.c) && sameBits(paired.rhs, reference.rhs) &&
                sameBits(paired.reciprocal, reference.reciprocal) && sameBits(paired.rss, reference.rss))
        << name << ", mask " << mask << ": factors";
    EXPECT_TRUE(sameBits(paired.diagonal, reference.diagonal)) << name << ", mask " << mask << ": inverse diagonal";
    EXPECT_TRUE(sameBits(paired.beta, reference.beta) && sameBits(paired.inverse, reference.inverse))
        << name << ", mask " << mask << ": coefficients and inverse";
    ExtendedSolution whole, ranking;
    solveExtended(extended, system.source, system.order(), extended.yIndex(), whole);
    solveExtended(extended, system.source, system.order(), extended.yIndex(), ranking, ExtendedParts::Ranking);
    if (!reference.factorised) {
        EXPECT_NE(int(whole.verdict), int(ExtendedVerdict::Solved)) << name << ", mask " << mask;
        return;
    }
    const double least = reference.leastIndependence();
    EXPECT_TRUE(sameBits(whole.leastIndependence, least)) << name << ", mask " << mask;
    EXPECT_TRUE(sameBits(ranking.leastIndependence, least)) << name << ", mask " << mask;
    if (whole.verdict != ExtendedVerdict::Solved) return;
    ++solved;
    const double share = toDouble(reference.rss / reference.sst);
    EXPECT_TRUE(sameBits(whole.residualShare, share)) << name << ", mask " << mask;
    EXPECT_TRUE(sameBits(ranking.residualShare, share)) << name << ", mask " << mask;
    EXPECT_TRUE(whole.exactFit || sameBits(whole.rss, toDouble(reference.rss))) << name << ", mask " << mask;
    EXPECT_TRUE(ranking.exactFit || sameBits(ranking.rss, toDouble(reference.rss))) << name << ", mask " << mask;
    const std::size_t d = reference.d;
    bool same = sameBits(whole.beta[0], toDouble(reference.intercept)) &&
                sameBits(whole.inverse.at(0, 0), toDouble(reference.corner));
    for (std::size_t j = 0; j < d; ++j) {
        same = same && sameBits(whole.beta[j + 1], toDouble(reference.beta[j])) &&
               sameBits(whole.inverse.at(0, j + 1), toDouble(reference.interceptRow[j]));
        for (std::size_t k = 0; k < d; ++k) {
            same = same && sameBits(whole.inverse.at(j + 1, k + 1), toDouble(reference.inverse[j * d + k]));
        }
    }
    EXPECT_TRUE(same) << name << ", mask " << mask << ": coefficients or inverse";
}

TEST(DoubleDoublePair, RefitsOfHardSubsetsAreTheScalarRefitsBitForBit) {
    // Every subset of each hard kind at 9 columns (even and odd orders, so
    // the column pairs end both ways), and random subsets of up to 31
    // variables of the near-exact and badly scaled kinds.
    int solved = 0;
    for (const HardKind kind : hardKinds) {
        const Dataset data = hardDataset(kind, 40, 9, 11);
        CrossProducts products;
        formCrossProducts(data.y, data.columns, products);
        const SubsetMask last = (SubsetMask{1} << data.columns.size()) - 1;
        for (SubsetMask mask = 1; mask <= last; ++mask) expectRefitMatchesScalar(products, mask, hardKindName(kind), solved);
    }
    std::mt19937_64 engine(17);
    for (const HardKind kind : {HardKind::NearExact8, HardKind::NearExact12, HardKind::YearPowers, HardKind::FarScales}) {
        const Dataset data = hardDataset(kind, 80, 31, 5);
        CrossProducts products;
        formCrossProducts(data.y, data.columns, products);
        for (int draw = 0; draw < 150; ++draw) {
            const SubsetMask mask = static_cast<SubsetMask>(engine() & ((SubsetMask{1} << 31) - 1u)) | (SubsetMask{1} << (draw % 31));
            expectRefitMatchesScalar(products, mask, hardKindName(kind), solved);
        }
        expectRefitMatchesScalar(products, (SubsetMask{1} << 31) - 1u, hardKindName(kind), solved);
    }
    EXPECT_GT(solved, 2000);
}

}  // namespace
