#include "subset_search/drop_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <type_traits>
#include <vector>

#include "regression/centring.h"
#include "subset_search/bounded_search.h"
#include "regression/least_squares_fit.h"
#include "subset_search/subset_roots.h"
#include "regression/subset_mask.h"
#include "regression/subset_system.h"
#include "exact_rational.h"
#include "search_test_data.h"

namespace {

// Walks every root's whole tree (no pruning) and measures the approximate
// RSS of every subset against the exact fit the search ranks by, with the
// margin of the path that fit took (double or refitted). Node: the extended
// tree, or the double tree started at each root.
template <class Node>
struct TreeWalk {
    CrossProducts products;
    ScaledSystem system;
    SubsetPlan plan;
    SubsetMask excluded = 0;
    double offsetFactor = 1.0;
    std::vector<Node> levels;
    SubsetSystem subset;
    LeastSquaresFit fit;
    std::vector<SubsetMask> reached;
    double worstError = 0.0;  // max |approximate − exact| / (Δ·y·y)
    double worstSlack = 0.0;  // max (approximate(node) − least exact RSS in its subtree) / (Δ·y·y)
    double worstTrace = 0.0;
    double worstDoubleTrace = 0.0;  // the largest trace of a member fitted on the double path
    int refitted = 0;
    int refactorised = 0;  // nodes below a root with an inverse of their own

    // The least exact RSS of a subtree, apart for each path (+∞ if none).
    struct Least {
        double doublePath = INFINITY;
        double refitPath = INFINITY;
    };

    // The least exact RSS in the subtree of levels[depth].
    Least walk(std::size_t depth) {
        Node& node = levels[depth];
        reached.push_back(node.mask);
        if (depth > 0 && node.sourceTrace == 0.0) ++refactorised;
        const DropMargin margin =
            dropTreeMargin(system.variables, system.rows, node.trace, node.doubleTrace, node.rssError, toDouble(node.rss),
                           offsetFactor);
        const double approximate = toDouble(node.rss) * system.yy;
        Least least;
        if (node.mask != 0) {
            gatherSubsetSystem(products, node.mask, subset);
            // An exact fit is bounded as 0 by the search: its residue is no
            // error of the bound.
            if (solveSubsetSystem(subset, fit) && !fit.exactFit) {
                refitted += fit.refitted ? 1 : 0;
                if (!fit.refitted && std::is_same_v<Node, DropNode>) {
                    // A member the exact fit takes through its double path
                    // has a trace within the node's doubleTrace. (Double
                    // nodes hold their droppable slots only, and keep the
                    // doubleTrace of the extended node they started from,
                    // which the full walk checks.)
                    double trace = 0.0;
                    for (std::size_t j = 0; j < node.order; ++j) trace += toDouble(node.inverse[j * scaledStride + j]);
                    worstDoubleTrace = std::max(worstDoubleTrace, trace);
                    EXPECT_LE(trace, node.doubleTrace) << "mask " << node.mask << ", trace bound " << node.trace;
                }
                const double unit = (fit.refitted ? margin.refitPath : margin.doublePath) * system.yy;
                worstError = std::max(worstError, std::fabs(approximate - fit.rss) / unit);
                (fit.refitted ? least.refitPath : least.doublePath) = fit.rss;
            }
        }
        worstTrace = std::max(worstTrace, node.trace);
        rankDrops(node);
        for (std::size_t i = 0; i < node.droppableCount; ++i) {
            EXPECT_TRUE(i == 0 || toDouble(node.childRss[i]) <= toDouble(node.childRss[i - 1]));
            EXPECT_LE(node.childTrace[i], node.trace);
            EXPECT_LE(node.childDoubleTrace[i], node.doubleTrace);
            descendDropTree(node, i, levels[depth + 1]);
            EXPECT_EQ(toDouble(levels[depth + 1].rss), toDouble(node.childRss[i]));
            const Least below = walk(depth + 1);
            least.doublePath = std::min(least.doublePath, below.doublePath);
            least.refitPath = std::min(least.refitPath, below.refitPath);
        }
        if (std::isfinite(least.doublePath)) {
            worstSlack = std::max(worstSlack, (approximate - least.doublePath) / (margin.doublePath * system.yy));
        }
        if (std::isfinite(least.refitPath)) {
            worstSlack = std::max(worstSlack, (approximate - least.refitPath) / (margin.refitPath * system.yy));
        }
        return least;
    }
};

using FullWalk = TreeWalk<DropNode>;
using DoubleWalk = TreeWalk<DoubleDropNode>;

// Starts the walk's tree at root: the extended root itself, or the double
// tree from it where its conditioning allows one (false otherwise).
bool startWalk(const DropNode& root, FullWalk& walk) {
    walk.levels[0] = root;
    return true;
}
bool startWalk(const DropNode& root, DoubleWalk& walk) {
    if (!doubleTreeSuffices(walk.system.variables, root.trace, toDouble(root.rss))) return false;
    EXPECT_TRUE(startDoubleSubtree(root, walk.levels[0]));
    return true;
}

// Walks data's whole tree; false if the bound is not used on it.
template <class Walk>
bool walkAll(const Dataset& data, Walk& walk) {
    formCrossProducts(data.y, data.columns, walk.products);
    if (trustOf(data) != DropTreeTrust::Trusted) return false;
    SubsetMask zero = 0;
    formScaledSystem(data.y, data.columns, walk.system);
    checkDropTree(walk.products, walk.system.constant, zero);
    const std::size_t k = data.columns.size();
    walk.excluded = zero;
    walk.offsetFactor = uncentredFactor(walk.products, zero | walk.system.constant);
    planSubsetRoots(walk.system, static_cast<SubsetMask>(((std::uint64_t{1} << k) - 1u) & ~walk.excluded), 4096,
                    walk.plan);
    walk.levels.resize(k + 1);
    DropNode start;
    for (const SubsetRoot& root : walk.plan.roots) {
        EXPECT_TRUE(startDropTree(walk.system, root.mask, root.droppable, start)) << data.name;
        if (startWalk(start, walk)) walk.walk(0);
    }
    return true;
}

TEST(DropTree, ReachesEverySubsetExactlyOnce) {
    FullWalk walk;
    ASSERT_TRUE(walkAll(signalDataset(40, 10, 3), walk));
    ASSERT_EQ(walk.plan.roots.size(), 1u);
    std::sort(walk.reached.begin(), walk.reached.end());
    ASSERT_EQ(walk.reached.size(), 1024u);
    for (SubsetMask mask = 0; mask < 1024; ++mask) EXPECT_EQ(walk.reached[mask], mask);
}

TEST(DropTree, WithDependenciesTheRootsAndTheRejectedPartCoverEverySubsetOnce) {
    // A copy, a sum of two columns and a full set of three dummies (centred:
    // they sum to zero), with a constant column beside them.
    Dataset data = signalDataset(40, 11, 4);
    for (std::size_t r = 0; r < 40; ++r) {
        data.columns[9][r] = data.columns[2][r] * 2.54;
        data.columns[8][r] = data.columns[0][r] + data.columns[1][r];
        data.columns[5][r] = r % 3 == 0 ? 1.0 : 0.0;
        data.columns[6][r] = r % 3 == 1 ? 1.0 : 0.0;
        data.columns[7][r] = r % 3 == 2 ? 1.0 : 0.0;
        data.columns[10][r] = 0.1;
    }
    centreDataset(data);
    FullWalk walk;
    ASSERT_TRUE(walkAll(data, walk));
    // The constant column is centred to zeros (excluded) or to rounding
    // (a column like any other for the plan).
    EXPECT_TRUE(walk.excluded == 0 || walk.excluded == SubsetMask{1} << 10) << walk.excluded;
    EXPECT_GT(walk.plan.roots.size(), 1u);
    std::vector<SubsetMask> reached = walk.reached;
    std::sort(reached.begin(), reached.end());
    EXPECT_TRUE(std::adjacent_find(reached.begin(), reached.end()) == reached.end()) << "a subset reached twice";
    // Every subset without an excluded column is reached or rejected, and a
    // reached one never holds a whole dependent set.
    EXPECT_EQ(reached.size() + walk.plan.rejected, walk.excluded == 0 ? 2048u : 1024u);
    for (SubsetMask mask : reached) {
        EXPECT_EQ(mask & walk.excluded, 0u);
        EXPECT_NE(mask & 0x204u, 0x204u) << mask;  // the copy
        EXPECT_NE(mask & 0x103u, 0x103u) << mask;  // the sum
        EXPECT_NE(mask & 0xE0u, 0xE0u) << mask;    // the dummies
    }
}

TEST(DropTree, FewRowsLeaveTheSubsetsTooLargeForTheRowsOutOfThePlanWhole) {
    // 9 rows, 12 columns: the centred columns have rank 8, and a ranked
    // subset holds at most 7 variables.
    const Dataset data = fewRowsDataset(9, 12, 0.5, 21);
    auto system = std::make_unique<ScaledSystem>();
    ASSERT_TRUE(formScaledSystem(data.y, data.columns, *system));
    const SubsetMask all = 0xFFFu;
    SubsetPlan capped, uncapped;
    ASSERT_TRUE(planSubsetRoots(*system, all, 100000, capped, 7));
    ASSERT_TRUE(planSubsetRoots(*system, all, 100000, uncapped));
    EXPECT_LT(capped.roots.size(), uncapped.roots.size());
    std::vector<int> seen(all + 1u, 0);
    std::uint64_t reached = 0;
    for (const SubsetRoot& root : capped.roots) countRootMembers(root, seen, reached);
    // Every non-empty subset is in one tree or in the rejected count, and
    // every subset the rows allow (at most 7 variables; none singular on
    // such data) is in exactly one tree.
    EXPECT_EQ(reached + capped.rejected, all);
    for (SubsetMask mask = 1; mask <= all; ++mask) {
        EXPECT_LE(seen[mask], 1) << mask;
        if (__builtin_popcountll(mask) <= 7) {
            EXPECT_EQ(seen[mask], 1) << mask;
        }
    }
    // The rows fix the rank: the plan is refused before it is made when
    // the sets of n − 1 variables outnumber the roots allowed.
    SubsetPlan refused;
    EXPECT_FALSE(planSubsetRoots(*system, all, 494, refused, 7));  // C(12, 8) = 495 roots
    EXPECT_TRUE(refused.roots.empty());
}

// Chained columns x_j = x_{j−1} + step·u_j make the condition number grow
// like 1/step²; y lies along the worst-determined directions (differences of
// neighbours), the best-determined one, or both.
Dataset conditioned(std::size_t n, std::size_t k, double step, int direction, std::uint64_t seed) {
    Dataset data = randomDataset(n, k, seed);
    data.name = "chain step " + std::to_string(step) + " direction " + std::to_string(direction);
    for (std::size_t j = 1; j < k; ++j) {
        for (std::size_t r = 0; r < n; ++r) data.columns[j][r] = data.columns[j - 1][r] + step * data.columns[j][r];
    }
    for (std::size_t r = 0; r < n; ++r) {
        const double small = (data.columns[2][r] - data.columns[1][r]) / step;
        const double large = data.columns[0][r] + data.columns[k - 1][r];
        data.y[r] = (direction == 0 ? small : direction == 1 ? large : 10 * large + small) + 1e-3 * data.y[r];
    }
    centreDataset(data);
    return data;
}

// The columns and y multiplied by factors 10^u, u uniform in [−spread, spread].
Dataset rescaled(Dataset data, double spread, std::uint64_t seed) {
    TestRandom random(seed);
    data.name += " rescaled by up to 1e" + std::to_string(static_cast<int>(spread));
    data.columns.push_back(data.y);
    for (DataColumn& column : data.columns) {
        const double factor = std::pow(10.0, random.between(-spread, spread));
        for (double& value : column) value *= factor;
    }
    data.y = data.columns.back();
    data.columns.pop_back();
    return data;
}

TEST(DropTree, ApproximateRssStaysFarWithinTheMarginOfTheExactFit) {
    // The bound needs exact(T) ≥ approximate(N) − Δ for every subset T in the
    // subtree of every node N; both the error of each subset and that slack
    // must be far below Δ for the margin to be a safe one. Columns of far
    // apart scales make the exact fit pivot off the diagonal, which gives its
    // error a floor that does not shrink with the condition number.
    std::vector<Dataset> sets;
    for (std::size_t k : {5u, 8u, 11u}) {
        for (const SearchCase& test : searchCases(k, 700 + k)) {
            if (test.trust != ExpectedTrust::Trusted) continue;
            sets.push_back(test.data);
            for (double spread : {4.0, 12.0}) sets.push_back(rescaled(test.data, spread, 800 + k));
        }
        for (std::uint64_t seed : {1u, 2u}) sets.push_back(hardDataset(HardKind::YearPowers, 30 + 10 * seed, k + 1, 950 + k + seed));
        for (double step : {0.3, 0.03, 0.003, 0.0003}) {
            for (int direction : {0, 1, 2}) sets.push_back(conditioned(4 * k, k, step, direction, 900 + k));
        }
    }
    double worstError = 0.0, worstSlack = 0.0, worstTrace = 0.0, worstDoubleTrace = 0.0;
    int walked = 0, refitted = 0, refactorised = 0;
    for (const Dataset& data : sets) {
        FullWalk walk;
        if (!walkAll(data, walk)) continue;
        ++walked;
        EXPECT_LT(walk.worstError, 1.0 / 64) << data.name << ", trace " << walk.worstTrace;
        EXPECT_LT(walk.worstSlack, 1.0 / 64) << data.name << ", trace " << walk.worstTrace;
        worstError = std::max(worstError, walk.worstError);
        worstSlack = std::max(worstSlack, walk.worstSlack);
        worstTrace = std::max(worstTrace, walk.worstTrace);
        worstDoubleTrace = std::max(worstDoubleTrace, walk.worstDoubleTrace);
        refitted += walk.refitted;
        refactorised += walk.refactorised;
    }
    // Some rescaled sets pivot on rounding and are left to the screening.
    EXPECT_GE(walked, 100);
    EXPECT_GT(worstTrace, 1e12);
    EXPECT_GT(refitted, 1000);
    // Members up to traces far above a few per variable took the double path,
    // and nodes below inverses of large traces were factorised afresh.
    EXPECT_GT(worstDoubleTrace, 1e3);
    EXPECT_GT(refactorised, 100);
    std::printf("margin: %d data sets up to trace %.3g, %d refitted subsets; largest |approximate - exact| = %.3g "
                "of the margin, largest slack %.3g of it; double path up to trace %.3g; %d nodes factorised afresh\n",
                walked, worstTrace, refitted, worstError, worstSlack, worstDoubleTrace, refactorised);
}

TEST(DropTree, TheDoubleTreeStaysFarWithinItsMarginWhereItIsUsed) {
    // The double tree, walked whole from every root whose conditioning
    // allows it, on the data sets above that allow it (noise, signal,
    // integers, offsets, chains, far apart scales): every subset's RSS
    // and every node's slack against its subtree within 1/64 of the margin.
    // Near-exact fits and the worst conditioned roots do not allow it.
    double worstError = 0.0, worstSlack = 0.0, worstTrace = 0.0;
    int walked = 0, refused = 0;
    std::size_t nodes = 0;
    for (std::size_t k : {5u, 8u, 11u}) {
        std::vector<Dataset> sets;
        for (const SearchCase& test : searchCases(k, 710 + k)) {
            if (test.trust != ExpectedTrust::Trusted) continue;
            sets.push_back(test.data);
            sets.push_back(rescaled(test.data, 12.0, 810 + k));
        }
        for (double step : {1.0, 0.3, 0.03, 0.01, 0.005}) {
            for (int direction : {0, 1, 2}) sets.push_back(conditioned(4 * k, k, step, direction, 910 + k));
            // The same columns with y unrelated to them: large traces with an
            // RSS that leaves the double tree room.
            Dataset unrelated = conditioned(4 * k, k, step, 0, 910 + k);
            unrelated.y = randomDataset(4 * k, 1, 920 + k).y;
            centreDataset(unrelated);
            unrelated.name += ", y noise";
            sets.push_back(unrelated);
        }
        sets.push_back(hardDataset(HardKind::NearExact8, 40, k + 1, 960 + k));
        for (const Dataset& data : sets) {
            DoubleWalk walk;
            if (!walkAll(data, walk)) continue;
            if (walk.reached.empty()) {
                ++refused;
                continue;
            }
            ++walked;
            nodes += walk.reached.size();
            EXPECT_LT(walk.worstError, 1.0 / 64) << data.name << ", trace " << walk.worstTrace;
            EXPECT_LT(walk.worstSlack, 1.0 / 64) << data.name << ", trace " << walk.worstTrace;
            EXPECT_LE(walk.worstTrace, doubleTreeTrace) << data.name;
            worstError = std::max(worstError, walk.worstError);
            worstSlack = std::max(worstSlack, walk.worstSlack);
            worstTrace = std::max(worstTrace, walk.worstTrace);
        }
    }
    EXPECT_GE(walked, 40);
    EXPECT_GT(worstTrace, 1e5);  // collinear chains of large traces
    EXPECT_GE(refused, 3);  // the near-exact fits at least
    std::printf("double tree: %d data sets, %zu nodes, up to trace %.3g; largest |approximate - exact| = %.3g of the "
                "margin, largest slack %.3g of it; %d data sets kept extended\n",
                walked, nodes, worstTrace, worstError, worstSlack, refused);
}

// The relative RSS of mask in exact arithmetic on the scaled system's own
// double-double numbers: y·y − bᵀA⁻¹b by Gaussian elimination in rationals.
double exactScaledRss(const ScaledSystem& system, SubsetMask mask) {
    std::vector<std::size_t> slots;
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest)) slots.push_back(lowestVariable(rest));
    const std::size_t e = slots.size();
    const auto value = [](const DoubleDouble& x) { return exactly(x.hi) + exactly(x.lo); };
    std::vector<Rational> a(e * (e + 1));
    for (std::size_t i = 0; i < e; ++i) {
        for (std::size_t j = 0; j < e; ++j) a[i * (e + 1) + j] = value(system.at(slots[i], slots[j]));
        a[i * (e + 1) + e] = value(system.xty[slots[i]]);
    }
    const std::vector<Rational> b(a);
    for (std::size_t p = 0; p < e; ++p) {
        for (std::size_t i = p + 1; i < e; ++i) {
            const Rational factor = a[i * (e + 1) + p] / a[p * (e + 1) + p];
            for (std::size_t j = p; j <= e; ++j) a[i * (e + 1) + j] -= factor * a[p * (e + 1) + j];
        }
    }
    std::vector<Rational> x(e);
    Rational fitted = 0;
    for (std::size_t i = e; i-- > 0;) {
        Rational sum = a[i * (e + 1) + e];
        for (std::size_t j = i + 1; j < e; ++j) sum -= a[i * (e + 1) + j] * x[j];
        x[i] = sum / a[i * (e + 1) + i];
        fitted += b[i * (e + 1) + e] * x[i];
    }
    return static_cast<double>(value(system.yyScaled) - fitted);
}

// Every sampled node of a double subtree against its exact RSS, within the
// error bound the tree tracks for it (rssError), which the scale sets.
struct TrackedErrors {
    const ScaledSystem* system = nullptr;
    std::vector<DoubleDropNode> levels;
    std::size_t visited = 0;
    std::size_t checked = 0;
    double worst = 0.0;  // the largest |rss − exact| / rssError

    void walk(std::size_t depth) {
        DoubleDropNode& node = levels[depth];
        if (visited++ % 16 == 0) {
            const double exact = exactScaledRss(*system, node.mask);
            const double difference = std::fabs(node.rss - exact);
            worst = std::max(worst, difference / node.rssError);
            ++checked;
            EXPECT_LE(difference, node.rssError) << "mask " << node.mask << ": tree " << node.rss << ", exact "
                                                 << exact << ", scale " << node.scale;
        }
        rankDrops(node);
        for (std::size_t i = 0; i < node.droppableCount; ++i) {
            descendDropTree(node, i, levels[depth + 1]);
            walk(depth + 1);
        }
    }
};

// Walks the extended tree below full.levels[depth] as the search goes
// down it: a child whose subtree may run in double in the units of its own
// scale (doubleSubtreeScale) is walked whole in double by dbl, which
// measures every member against the exact fit, and by tracked, which
// measures its nodes against exact arithmetic; the others are descended in
// the extended tree. smallestScale: the least scale a subtree took.
void walkAsTheSearch(FullWalk& full, DoubleWalk& dbl, TrackedErrors& tracked, std::size_t depth, int& starts,
                     double& smallestScale) {
    DropNode& node = full.levels[depth];
    rankDrops(node);
    for (std::size_t i = 0; i < node.droppableCount; ++i) {
        const double scale = doubleSubtreeScale(node, i);
        EXPECT_GT(scale, 0.0);
        EXPECT_LE(scale, 1.0);
        if (doubleTreeSuffices(full.system.variables, node.childTrace[i], toDouble(node.childRss[i]), scale) &&
            startDoubleSubtree(node, i, dbl.levels[0], scale)) {
            ++starts;
            smallestScale = std::min(smallestScale, scale);
            ASSERT_TRUE(startDoubleSubtree(node, i, tracked.levels[0], scale));
            tracked.walk(0);
            dbl.walk(0);
            continue;
        }
        descendDropTree(node, i, full.levels[depth + 1]);
        walkAsTheSearch(full, dbl, tracked, depth + 1, starts, smallestScale);
    }
}

TEST(DropTree, DoubleSubtreesInUnitsOfTheirOwnScaleStayFarWithinTheirMargin) {
    // Near-exact fits: the subtrees that keep the fitting variables have
    // RSS values of 1e-16 to 1e-24 of y·y, and run in double in units of
    // their own scale. Every member within 1/64 of its margin, as the
    // double tree from a root is held.
    std::vector<Dataset> sets;
    for (std::size_t k : {8u, 11u}) {
        for (std::uint64_t seed : {1u, 2u}) {
            sets.push_back(hardDataset(HardKind::NearExact8, 40 + 20 * seed, k, 1810 + k + seed));
            sets.push_back(hardDataset(HardKind::NearExact12, 40 + 20 * seed, k, 1820 + k + seed));
        }
        for (double step : {0.3, 0.03}) {
            // A chain of correlated columns with y one of them plus noise of 1e-9.
            Dataset chain = conditioned(4 * k, k, step, 1, 1830 + k);
            const Dataset noise = randomDataset(4 * k, 1, 1840 + k);
            for (std::size_t r = 0; r < chain.y.size(); ++r) chain.y[r] = chain.columns[2][r] + 1e-9 * noise.y[r];
            centreDataset(chain);
            chain.name += ", y a column plus noise of 1e-9";
            sets.push_back(chain);
        }
    }
    int starts = 0, walked = 0;
    double smallestScale = 1.0, worstError = 0.0, worstSlack = 0.0, worstTracked = 0.0;
    std::size_t checked = 0;
    std::size_t nodes = 0;
    for (const Dataset& data : sets) {
        FullWalk full;
        formCrossProducts(data.y, data.columns, full.products);
        if (trustOf(data) != DropTreeTrust::Trusted) continue;
        SubsetMask zero = 0;
        ASSERT_TRUE(formScaledSystem(data.y, data.columns, full.system));
        checkDropTree(full.products, full.system.constant, zero);
        full.offsetFactor = uncentredFactor(full.products, zero | full.system.constant);
        const std::size_t k = data.columns.size();
        ASSERT_TRUE(planSubsetRoots(full.system, firstVariables(k) & ~zero, 4096, full.plan));
        full.levels.resize(k + 1);
        auto dbl = std::make_unique<DoubleWalk>();
        dbl->products = full.products;
        dbl->system = full.system;
        dbl->offsetFactor = full.offsetFactor;
        dbl->levels.resize(k + 1);
        TrackedErrors tracked;
        tracked.system = &full.system;
        tracked.levels.resize(k + 1);
        for (const SubsetRoot& root : full.plan.roots) {
            ASSERT_TRUE(startDropTree(full.system, root.mask, root.droppable, full.levels[0])) << data.name;
            walkAsTheSearch(full, *dbl, tracked, 0, starts, smallestScale);
        }
        checked += tracked.checked;
        worstTracked = std::max(worstTracked, tracked.worst);
        ++walked;
        nodes += dbl->reached.size();
        EXPECT_LT(dbl->worstError, 1.0 / 64) << data.name;
        EXPECT_LT(dbl->worstSlack, 1.0 / 64) << data.name;
        worstError = std::max(worstError, dbl->worstError);
        worstSlack = std::max(worstSlack, dbl->worstSlack);
    }
    EXPECT_EQ(walked, 12);
    EXPECT_GT(starts, 100);
    EXPECT_LT(smallestScale, 1e-20);  // the subtrees of the fits to 1e-12
    EXPECT_GT(checked, 500u);
    std::printf("double subtrees in their own units: %d started, %zu nodes, scales down to %.3g; largest "
                "|approximate - exact| = %.3g of the margin, largest slack %.3g of it; %zu nodes against exact "
                "arithmetic, largest error %.3g of the bound tracked\n",
                starts, nodes, smallestScale, worstError, worstSlack, checked, worstTracked);
}

TEST(DropTree, TheDoubleTreeIsOnlyTakenWhereItsErrorIsASmallShareOfTheRss) {
    // Noise at k = 31 (trace about 37, RSS most of y·y) runs in double, and
    // so do collinear subtrees up to traces of about 6.7e7 times their
    // relative RSS (squares of uncentred measurements: traces of 1e6 to 1e7
    // at R² ≈ 0.7); a near-exact fit (RSS 1e-7 of y·y, or 1e-9 at a trace of
    // 1e3), a trace too large for its RSS, or above 1e8, do not.
    EXPECT_TRUE(doubleTreeSuffices(31, 40.0, 0.5));
    EXPECT_TRUE(doubleTreeSuffices(31, 40.0, 1e-4));
    EXPECT_FALSE(doubleTreeSuffices(31, 40.0, 1e-7));
    EXPECT_TRUE(doubleTreeSuffices(31, 1e5, 0.2));
    EXPECT_TRUE(doubleTreeSuffices(31, 3e6, 1.0));
    EXPECT_TRUE(doubleTreeSuffices(31, 1e6, 0.1));
    EXPECT_TRUE(doubleTreeSuffices(31, 1e7, 0.3));
    EXPECT_FALSE(doubleTreeSuffices(31, 1e7, 0.1));
    EXPECT_FALSE(doubleTreeSuffices(31, 1e5, 1e-3));
    EXPECT_FALSE(doubleTreeSuffices(31, 1e3, 1e-9));
    EXPECT_FALSE(doubleTreeSuffices(8, 2e8, 1.0));
    EXPECT_FALSE(doubleTreeSuffices(31, 1e12, 1.0));
}

TEST(DropTree, UsesTheBoundOnCollinearAndIllConditionedDataButNotWhereTheExactFitPivotsOnRounding) {
    Dataset duplicated = signalDataset(30, 6, 4);
    duplicated.columns[5] = duplicated.columns[0];
    EXPECT_EQ(trustOf(duplicated), DropTreeTrust::Trusted);
    EXPECT_EQ(trustOf(conditioned(30, 6, 0.003, 1, 5)), DropTreeTrust::Trusted);
    EXPECT_EQ(trustOf(conditioned(30, 6, 1e-5, 1, 5)), DropTreeTrust::Trusted);
    Dataset fewRows = noiseDataset(6, 6, 6);  // six rows, seven coefficients: one dependency
    EXPECT_EQ(trustOf(fewRows), DropTreeTrust::Trusted);

    // A column near 1e19 that varies by 1e12, less its plain mean: its sum
    // with the intercept is rounding (of the mean) that outweighs n. Centred
    // and scaled as the driver prepares it, the same column is searched
    // like any other.
    Dataset coarse = signalDataset(30, 6, 1);
    for (double& value : coarse.columns[2]) value = 1e19 + 1e12 * value;
    Dataset prepared = coarse;
    double sum = 0.0;
    for (double value : coarse.columns[2]) sum += value;
    for (double& value : coarse.columns[2]) value -= sum / 30.0;
    EXPECT_EQ(trustOf(coarse), DropTreeTrust::UnstablePivoting);
    prepareColumn(prepared.columns[2]);
    EXPECT_EQ(trustOf(prepared), DropTreeTrust::Trusted);

    // Far fewer rows than variables: the dependent sets split the subsets
    // into more subtrees than the search takes on.
    EXPECT_EQ(trustOf(noiseDataset(8, 24, 6)), DropTreeTrust::TooManyRoots);

    // A constant y is no reason to fall back: no subset is a model then.
    Dataset constant = signalDataset(30, 6, 7);
    constant.y.assign(30, 0.0);
    EXPECT_EQ(trustOf(constant), DropTreeTrust::Trusted);
    Dataset huge = signalDataset(30, 6, 7);
    for (double& value : huge.columns[3]) value *= 1e110;
    EXPECT_EQ(trustOf(huge), DropTreeTrust::ScaleOutOfRange);
}

// Walks the extended tree below levels[depth] and compares every node
// factorised afresh (which takes over the leading part of its parent's
// factors) with the same subset factorised from nothing: inverse and
// coefficients bit for bit. Counts the nodes compared.
void compareFreshNodes(const ScaledSystem& system, std::vector<DropNode>& levels, std::size_t depth, int& compared) {
    DropNode& node = levels[depth];
    rankDrops(node);
    for (std::size_t i = 0; i < node.droppableCount; ++i) {
        DropNode& child = levels[depth + 1];
        descendDropTree(node, i, child);
        if (child.sourceTrace == 0.0) {
            const auto fresh = std::make_unique<DropNode>();
            ASSERT_TRUE(startDropTree(system, child.mask, child.mask, *fresh));
            ASSERT_EQ(fresh->order, child.order);
            for (std::size_t a = 0; a < child.order; ++a) {
                for (std::size_t b = 0; b < child.order; ++b) {
                    const DoubleDouble x = child.inverse[a * scaledStride + b];
                    const DoubleDouble y = fresh->inverse[a * scaledStride + b];
                    ASSERT_TRUE(x.hi == y.hi && x.lo == y.lo) << "mask " << child.mask << " entry " << a << ", " << b;
                }
                const DoubleDouble x = child.beta[a];
                const DoubleDouble y = fresh->beta[a];
                ASSERT_TRUE(x.hi == y.hi && x.lo == y.lo) << "mask " << child.mask << " coefficient " << a;
            }
            ++compared;
        }
        compareFreshNodes(system, levels, depth + 1, compared);
    }
}

TEST(DropTree, NodesFactorisedAfreshBelowAnotherEqualTheirOwnFactorisationBitForBit) {
    int compared = 0;
    for (const HardKind kind : {HardKind::YearPowers, HardKind::Longley, HardKind::NearExact12}) {
        const Dataset data = hardDataset(kind, 60, 12, 7);
        ScaledSystem system;
        ASSERT_TRUE(formScaledSystem(data.y, data.columns, system));
        SubsetPlan plan;
        ASSERT_TRUE(planSubsetRoots(system, static_cast<SubsetMask>((1u << 12) - 1u) & ~system.constant, 4096, plan));
        std::vector<DropNode> levels(13);
        for (const SubsetRoot& root : plan.roots) {
            if (!startDropTree(system, root.mask, root.droppable, levels[0])) continue;
            compareFreshNodes(system, levels, 0, compared);
        }
    }
    // Powers of a year at 12 columns have inverses of traces far above the
    // level where children are factorised afresh.
    EXPECT_GT(compared, 200);
}


// The slot of variable v among a node's slotted variables (ascending).
template <class Node>
std::size_t slotIn(const Node& node, std::size_t v) {
    std::size_t slot = 0;
    for (std::size_t w = 0; w < v; ++w) slot += (node.slotMask >> w) & 1u;
    return slot;
}

// The downdate of parent's inverse and β without its variable dropped, at
// the child's slots a and b (the formula of one downdated entry).
double downdatedEntry(const DoubleDropNode& parent, std::size_t dropped, const DoubleDropNode& child, std::size_t a,
                      std::size_t b) {
    const std::size_t s = slotIn(parent, dropped);
    const auto parentSlot = [&](std::size_t slot) {
        SubsetMask rest = child.slotMask;
        for (std::size_t j = 0; j < slot; ++j) rest &= rest - 1u;
        return slotIn(parent, lowestVariable(rest));
    };
    const double* g = parent.inverse;
    const std::size_t pa = parentSlot(a), pb = parentSlot(b);
    return g[pa * scaledStride + pb] - g[pa * scaledStride + s] / g[s * scaledStride + s] * g[s * scaledStride + pb];
}

double downdatedBeta(const DoubleDropNode& parent, std::size_t dropped, const DoubleDropNode& child, std::size_t a) {
    const std::size_t s = slotIn(parent, dropped);
    SubsetMask rest = child.slotMask;
    for (std::size_t j = 0; j < a; ++j) rest &= rest - 1u;
    const std::size_t pa = slotIn(parent, lowestVariable(rest));
    const double* g = parent.inverse;
    return parent.beta[pa] - g[pa * scaledStride + s] * (parent.beta[s] / g[s * scaledStride + s]);
}

// An extended downdate entry by the scalar operations: the parent's entry
// (pa, pb) less the row's factor G_{pa,s}·(1/G_ss) times G_{s,pb}, where pa
// is the parent's slot of the smaller of the child's two slots (the row an
// entry above the diagonal is formed in, then mirrored).
DoubleDouble extendedDowndate(const DropNode& parent, std::size_t s, std::size_t pa, std::size_t pb) {
    const DoubleDouble* g = parent.inverse;
    const DoubleDouble reciprocal = DoubleDouble{1.0} / g[s * scaledStride + s];
    const DoubleDouble factor = g[pa * scaledStride + s] * reciprocal;
    return g[pa * scaledStride + pb] - factor * g[s * scaledStride + pb];
}

std::uint64_t bitsOf(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

bool sameBits(DoubleDouble a, DoubleDouble b) { return bitsOf(a.hi) == bitsOf(b.hi) && bitsOf(a.lo) == bitsOf(b.lo); }

// The parent's slot of each of child's slots.
template <class Child>
std::vector<std::size_t> parentSlots(const DropNode& parent, const Child& child) {
    std::vector<std::size_t> slots;
    for (SubsetMask rest = child.slotMask; rest != 0; rest = withoutLowestVariable(rest)) {
        slots.push_back(slotIn(parent, lowestVariable(rest)));
    }
    return slots;
}

// Walks the extended tree below levels[depth] and checks the cost of every
// drop, and every downdated child, extended and double (the double subtree
// started there), against the same by the scalar operations: each entry the child forms, and
// its β, bit for bit (a double child holds them rounded). Counts the
// children compared.
void compareDowndates(std::vector<DropNode>& levels, std::size_t depth, int& compared) {
    DropNode& node = levels[depth];
    rankDrops(node);
    // Each drop's cost: RSS + β_s²/G_ss.
    for (std::size_t i = 0; i < node.droppableCount; ++i) {
        const std::size_t s = slotIn(node, node.droppable[i]);
        const DoubleDouble rss = node.rss + node.beta[s] * node.beta[s] / node.inverse[s * scaledStride + s];
        EXPECT_TRUE(sameBits(node.childRss[i], rss)) << "mask " << node.mask << ", drop " << int(node.droppable[i]);
    }
    const auto doubleChild = std::make_unique<DoubleDropNode>();
    for (std::size_t i = 0; i < node.droppableCount; ++i) {
        const std::size_t s = slotIn(node, node.droppable[i]);
        const DoubleDouble* g = node.inverse;
        const DoubleDouble betaFactor = node.beta[s] * (DoubleDouble{1.0} / g[s * scaledStride + s]);
        DropNode& child = levels[depth + 1];
        descendDropTree(node, i, child);
        if (child.sourceTrace != 0.0) {
            const std::vector<std::size_t> kept = parentSlots(node, child);
            bool same = true;
            for (std::size_t a = 0; a < kept.size(); ++a) {
                const bool rowFormed = ((child.formedSlots >> a) & 1u) != 0;
                for (std::size_t b = a; b < kept.size(); ++b) {
                    if (b != a && !rowFormed && ((child.formedSlots >> b) & 1u) == 0) continue;
                    const DoubleDouble expected = extendedDowndate(node, s, kept[a], kept[b]);
                    same = same && sameBits(child.inverse[a * scaledStride + b], expected) &&
                           sameBits(child.inverse[b * scaledStride + a], expected);
                }
                if (rowFormed) {
                    const DoubleDouble expected = node.beta[kept[a]] - g[kept[a] * scaledStride + s] * betaFactor;
                    same = same && sameBits(child.beta[a], expected);
                }
            }
            EXPECT_TRUE(same) << "extended child, mask " << child.mask;
            ++compared;
        }
        if (startDoubleSubtree(node, i, *doubleChild)) {
            const std::vector<std::size_t> kept = parentSlots(node, *doubleChild);
            bool same = true;
            for (std::size_t a = 0; a < kept.size(); ++a) {
                for (std::size_t b = 0; b < kept.size(); ++b) {
                    const DoubleDouble expected = extendedDowndate(node, s, kept[std::min(a, b)], kept[std::max(a, b)]);
                    same = same && bitsOf(doubleChild->inverse[a * scaledStride + b]) == bitsOf(toDouble(expected));
                }
                const DoubleDouble expected = node.beta[kept[a]] - g[kept[a] * scaledStride + s] * betaFactor;
                same = same && bitsOf(doubleChild->beta[a]) == bitsOf(toDouble(expected));
            }
            EXPECT_TRUE(same) << "double child, mask " << doubleChild->mask;
            ++compared;
        }
        compareDowndates(levels, depth + 1, compared);
    }
}

TEST(DropTree, ExtendedDowndatesAreTheScalarOperationsBitForBit) {
    // Odd and even counts of slots and of droppable ones, on near-exact,
    // collinear and badly scaled sheets.
    int compared = 0;
    for (const HardKind kind : {HardKind::NearExact12, HardKind::NearExact8, HardKind::Longley, HardKind::FarScales}) {
        for (const std::size_t k : {std::size_t{9}, std::size_t{10}}) {
            const Dataset data = hardDataset(kind, 60, k, 3);
            ScaledSystem system;
            ASSERT_TRUE(formScaledSystem(data.y, data.columns, system));
            SubsetPlan plan;
            ASSERT_TRUE(planSubsetRoots(system, static_cast<SubsetMask>((1u << k) - 1u) & ~system.constant, 4096, plan));
            std::vector<DropNode> levels(k + 1);
            for (const SubsetRoot& root : plan.roots) {
                if (!startDropTree(system, root.mask, root.droppable, levels[0])) continue;
                compareDowndates(levels, 0, compared);
            }
        }
    }
    EXPECT_GT(compared, 2000);
}

// Walks the double tree below levels[depth], descending only into the
// children that keep an odd number of droppable variables other than 1 (so
// that the nodes with 3 have none of their children descended, and the
// others some), and checks what each node holds of its inverse against the
// downdate of its parent's.
struct LazyWalk {
    std::vector<DoubleDropNode> levels;
    std::vector<SubsetMask> dropped;  // dropped[d]: the variable levels[d] dropped from levels[d − 1]
    int completed = 0;                // nodes whose inverse was formed whole
    int leftPending = 0;              // nodes left with their diagonal and β only
    int entries = 0;

    void walk(std::size_t depth) {
        DoubleDropNode& node = levels[depth];
        rankDrops(node);
        bool descended = false;
        for (std::size_t i = 0; i < node.droppableCount; ++i) {
            const std::size_t below = node.droppableCount - 1 - i;
            if (below % 2 == 0 || below == 1) continue;
            const bool wasPending = node.pendingParent != nullptr;
            DoubleDropNode& child = levels[depth + 1];
            descendDropTree(node, i, child);
            ASSERT_EQ(node.pendingParent, nullptr) << "a node is whole once a child is descended";
            if (wasPending) {
                // Formed now: symmetric, and every entry the parent's downdate.
                const DoubleDropNode& parent = levels[depth - 1];
                for (std::size_t a = 0; a < node.slots; ++a) {
                    for (std::size_t b = a; b < node.slots; ++b) {
                        const double entry = node.inverse[a * scaledStride + b];
                        ASSERT_EQ(entry, node.inverse[b * scaledStride + a]) << "mask " << node.mask;
                        ASSERT_EQ(entry, downdatedEntry(parent, lowestVariable(dropped[depth]), node, a, b))
                            << "mask " << node.mask << " entry " << a << ", " << b;
                        ++entries;
                    }
                }
                ++completed;
            }
            // The child at once: its diagonal and β, and its parent to be
            // formed from where it has more than one slot.
            dropped[depth + 1] = node.mask & ~child.mask;
            for (std::size_t a = 0; a < child.slots; ++a) {
                ASSERT_EQ(child.inverse[a * scaledStride + a], downdatedEntry(node, node.droppable[i], child, a, a));
                ASSERT_EQ(child.beta[a], downdatedBeta(node, node.droppable[i], child, a));
            }
            EXPECT_EQ(child.pendingParent, child.slots > 1 ? &node : nullptr);
            descended = true;
            walk(depth + 1);
        }
        if (!descended && node.pendingParent != nullptr) ++leftPending;
    }
};

TEST(DropTree, TheDoubleTreeFormsAnInverseWhenAChildIsDescendedEqualToTheWholeDowndate) {
    LazyWalk lazy;
    for (std::uint64_t seed : {31u, 32u}) {
        const Dataset data = noiseDataset(60, 11, seed);
        ScaledSystem system;
        ASSERT_TRUE(formScaledSystem(data.y, data.columns, system));
        const SubsetMask all = firstVariables(11);
        DropNode root;
        ASSERT_TRUE(startDropTree(system, all, all, root));
        ASSERT_TRUE(doubleTreeSuffices(system.variables, root.trace, toDouble(root.rss)));
        lazy.levels.assign(12, DoubleDropNode{});
        lazy.dropped.assign(12, 0);
        ASSERT_TRUE(startDoubleSubtree(root, lazy.levels[0]));
        EXPECT_EQ(lazy.levels[0].pendingParent, nullptr);
        lazy.walk(0);
    }
    EXPECT_GE(lazy.completed, 10);
    EXPECT_GE(lazy.leftPending, 10);
    std::printf("double tree: %d inverses formed when a child was descended (%d entries checked), %d never needed\n",
                lazy.completed, lazy.entries, lazy.leftPending);
}

// A double node's drops ranked by rankDrops against a plain sort of the
// same costs: largest first, equal costs by variable, each child's RSS the
// node's RSS plus its β²/G. Costs made equal on purpose, and a cost that is
// not a number (then only a permutation with the right RSS is asked for).
TEST(DropTree, ADoubleNodeRanksItsDropsByCostAndEqualCostsByVariable) {
    for (std::size_t k : {1u, 2u, 5u, 12u, 13u, 31u}) {
        for (int variant = 0; variant < 3; ++variant) {
            const Dataset data = noiseDataset(60, k, 40 + k);
            ScaledSystem system;
            ASSERT_TRUE(formScaledSystem(data.y, data.columns, system));
            const SubsetMask all = firstVariables(k);
            DropNode root;
            ASSERT_TRUE(startDropTree(system, all, all, root));
            auto node = std::make_unique<DoubleDropNode>();
            ASSERT_TRUE(startDoubleSubtree(root, *node));
            // variant 1: every other variable costs the same; 2: one cost NaN.
            for (std::size_t v = 0; v < k; ++v) {
                const std::size_t s = slotIn(*node, v);
                if (variant == 1 && v % 2 == 0) {
                    node->beta[s] = 0.25;
                    node->inverse[s * scaledStride + s] = 0.5;
                }
                if (variant == 2 && v == k / 2) node->beta[s] = std::nan("");
            }
            std::vector<std::pair<double, std::uint8_t>> expected;
            for (std::size_t v = 0; v < k; ++v) {
                const std::size_t s = slotIn(*node, v);
                const double cost = node->rss + node->beta[s] * node->beta[s] / node->inverse[s * scaledStride + s];
                expected.emplace_back(cost, static_cast<std::uint8_t>(v));
            }
            rankDrops(*node);
            ASSERT_EQ(node->droppableCount, k);
            if (variant == 2) {
                std::vector<bool> seen(k, false);
                for (std::size_t i = 0; i < k; ++i) {
                    const std::uint8_t v = node->droppable[i];
                    ASSERT_LT(v, k);
                    EXPECT_FALSE(seen[v]) << "variable " << int(v) << " ranked twice, k " << k;
                    seen[v] = true;
                    const double cost = expected[v].first;
                    if (std::isnan(cost)) {
                        EXPECT_TRUE(std::isnan(node->childRss[i])) << "k " << k;
                    } else {
                        EXPECT_EQ(node->childRss[i], cost) << "variable " << int(v) << ", k " << k;
                    }
                }
                continue;
            }
            std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
                return a.first > b.first || (a.first == b.first && a.second < b.second);
            });
            for (std::size_t i = 0; i < k; ++i) {
                EXPECT_EQ(int(node->droppable[i]), int(expected[i].second)) << "place " << i << ", k " << k << ", variant " << variant;
                EXPECT_EQ(node->childRss[i], expected[i].first) << "place " << i << ", k " << k << ", variant " << variant;
            }
        }
    }
}

TEST(DropTree, ACompletedCopyOfADoubleNodeNeedsNoParent) {
    const Dataset data = noiseDataset(40, 8, 33);
    ScaledSystem system;
    ASSERT_TRUE(formScaledSystem(data.y, data.columns, system));
    const SubsetMask all = firstVariables(8);
    DropNode root;
    ASSERT_TRUE(startDropTree(system, all, all, root));
    std::vector<DoubleDropNode> levels(3);
    ASSERT_TRUE(startDoubleSubtree(root, levels[0]));
    rankDrops(levels[0]);
    descendDropTree(levels[0], 0, levels[1]);
    ASSERT_NE(levels[1].pendingParent, nullptr);
    // Completed and copied away from its parent, the node descends as the
    // one in place does, whatever becomes of the parent's storage.
    completeDropNode(levels[1]);
    EXPECT_EQ(levels[1].pendingParent, nullptr);
    DoubleDropNode copy = levels[1];
    rankDrops(levels[1]);
    rankDrops(copy);
    levels[0] = DoubleDropNode{};
    for (std::size_t a = 0; a < scaledStride * scaledStride; ++a) levels[0].inverse[a] = std::nan("");
    DoubleDropNode inPlace, fromCopy;
    descendDropTree(levels[1], 2, inPlace);
    descendDropTree(copy, 2, fromCopy);
    ASSERT_EQ(inPlace.slots, fromCopy.slots);
    ASSERT_GT(inPlace.slots, 1u);
    for (std::size_t a = 0; a < inPlace.slots; ++a) {
        EXPECT_EQ(inPlace.inverse[a * scaledStride + a], fromCopy.inverse[a * scaledStride + a]);
        EXPECT_EQ(inPlace.beta[a], fromCopy.beta[a]);
        EXPECT_TRUE(std::isfinite(fromCopy.beta[a]));
    }
    EXPECT_EQ(inPlace.rss, fromCopy.rss);
}

// The estimates in double of a root's drops against the extended tree's RSS
// of the same children, whose own error is some 1e-25 of y·y: every
// estimate within its bound, on well and badly conditioned systems, and
// the systems beyond the estimate's reach declined rather than estimated.
TEST(DropTree, RootEstimatesInDoubleStayWithinTheirErrorBound) {
    std::vector<Dataset> sets;
    for (const SearchCase& test : searchCases(9, 1709)) {
        if (test.trust == ExpectedTrust::Trusted) sets.push_back(test.data);
    }
    sets.push_back(hardDataset(HardKind::YearPowers, 40, 9, 1719));
    sets.push_back(hardDataset(HardKind::NearExact8, 40, 9, 1729));
    for (double step : {0.3, 0.003, 0.00003}) sets.push_back(conditioned(36, 9, step, 2, 1739));
    sets.push_back(fewRowsDataset(10, 9, 0.5, 1749));
    sets.push_back(fewRowsDataset(10, 9, 1e-7, 1759));
    int estimated = 0, declined = 0;
    double worst = 0.0;
    auto system = std::make_unique<ScaledSystem>();
    auto factors = std::make_unique<RootFactorsInDouble>();
    auto root = std::make_unique<DropNode>();
    RootDropEstimates estimates;
    for (const Dataset& data : sets) {
        if (trustOf(data) != DropTreeTrust::Trusted || !formScaledSystem(data.y, data.columns, *system)) continue;
        const SubsetMask all = firstVariables(data.columns.size());
        for (SubsetMask mask = 3; mask <= all; ++mask) {
            if (subsetSize(mask) < 2 || (mask & system->constant) != 0) continue;
            if (!startDropTree(*system, mask, mask, *root)) continue;
            rankDrops(*root);
            // Every other root with its leading factor taken over from the
            // last one, as in a plan.
            if (mask % 3 == 0) factors->mask = 0;
            if (!estimateRootDrops(*system, mask, mask, *factors, estimates)) {
                ++declined;
                continue;
            }
            ++estimated;
            ASSERT_EQ(estimates.count, root->droppableCount);
            EXPECT_GE(estimates.trace, root->trace * (1.0 - 0x1p-29)) << data.name << ", mask " << mask;
            for (std::size_t i = 0; i < estimates.count; ++i) {
                std::size_t j = 0;
                while (root->droppable[j] != estimates.variable[i]) ++j;
                const double difference = std::fabs(estimates.rss[i] - toDouble(root->childRss[j]));
                worst = std::max(worst, difference / estimates.error);
                EXPECT_LE(difference, estimates.error + root->childError[j])
                    << data.name << ", mask " << mask << ", without " << int{estimates.variable[i]} << ": estimate "
                    << estimates.rss[i] << ", extended " << toDouble(root->childRss[j]) << ", trace "
                    << estimates.trace;
                if (i > 0) {
                    EXPECT_LE(estimates.rss[i], estimates.rss[i - 1]) << data.name << ", mask " << mask;
                }
            }
        }
    }
    EXPECT_GT(estimated, 5000);
    EXPECT_GT(declined, 100);
    std::printf("root estimates: %d estimated, %d declined; largest error %.3g of the bound\n", estimated, declined,
                worst);
}

// A drop refined in double-double from a root's estimate is within its own
// bound of the exact RSS (exact rational arithmetic on the scaled system,
// for a sample of drops) and of the extended tree's, and on near-exact
// fits that bound is far below the estimate's.
TEST(DropTree, RefinedDropsStayWithinTheirBoundOfTheExactRss) {
    std::vector<Dataset> sets;
    sets.push_back(hardDataset(HardKind::NearExact8, 40, 9, 1729));
    for (double step : {0.3, 0.00003}) sets.push_back(conditioned(36, 9, step, 2, 1739));
    sets.push_back(fewRowsDataset(10, 9, 0.5, 1749));
    sets.push_back(fewRowsDataset(10, 9, 1e-7, 1759));
    auto system = std::make_unique<ScaledSystem>();
    auto factors = std::make_unique<RootFactorsInDouble>();
    auto root = std::make_unique<DropNode>();
    RootDropEstimates estimates;
    int refinedDrops = 0, exactChecks = 0, muchTighter = 0;
    for (const Dataset& data : sets) {
        ASSERT_TRUE(formScaledSystem(data.y, data.columns, *system)) << data.name;
        const SubsetMask all = firstVariables(data.columns.size());
        for (SubsetMask mask = 3; mask <= all; ++mask) {
            if (subsetSize(mask) < 2 || (mask & system->constant) != 0) continue;
            if (!startDropTree(*system, mask, mask, *root)) continue;
            rankDrops(*root);
            if (!estimateRootDrops(*system, mask, mask, *factors, estimates)) continue;
            for (std::size_t j = 0; j < root->droppableCount; ++j) {
                const std::size_t v = root->droppable[j];
                RefinedDrop refined;
                ASSERT_TRUE(refineRootDrop(*system, *factors, v, estimates.trace, refined))
                    << data.name << ", mask " << mask << ", without " << v;
                ++refinedDrops;
                const double extended = toDouble(root->childRss[j]);
                EXPECT_LE(std::fabs(refined.rss - extended), refined.error + root->childError[j])
                    << data.name << ", mask " << mask << ", without " << v << ": refined " << refined.rss << " ± "
                    << refined.error << ", extended " << extended;
                if (refined.error * 1e4 < estimates.error) ++muchTighter;
                if ((mask * 7 + v) % 61 == 0) {
                    ++exactChecks;
                    // (The exact value rounded to double: u of it more.)
                    const double exact = exactScaledRss(*system, mask & ~variableMask(v));
                    EXPECT_LE(std::fabs(refined.rss - exact), refined.error + 0x1p-52 * std::fabs(exact))
                        << data.name << ", mask " << mask << ", without " << v << ": refined " << refined.rss
                        << " ± " << refined.error << ", exact " << exact;
                }
            }
        }
    }
    EXPECT_GT(refinedDrops, 5000);
    EXPECT_GT(exactChecks, 50);
    EXPECT_GT(muchTighter, refinedDrops / 2);
}

// Roots that share their leading variables share the leading columns of
// the estimate's factor, and the rows of a variable's column below the
// rows they share: the estimates are the same, bit for bit, as from a
// factor formed afresh for each root. In the plan's order consecutive roots
// mostly differ in their last variables; shuffled, a variable held before
// comes back at another slot after any number of shared rows.
TEST(DropTree, RootEstimatesFromASharedFactorEqualFreshOnesBitForBit) {
    const Dataset data = fewRowsDataset(12, 16, 0.5, 1777);
    auto system = std::make_unique<ScaledSystem>();
    ASSERT_TRUE(formScaledSystem(data.y, data.columns, *system));
    SubsetPlan plan;
    ASSERT_TRUE(planSubsetRoots(*system, firstVariables(16), 100000, plan, 10));
    ASSERT_GT(plan.roots.size(), 1000u);
    std::vector<SubsetRoot> roots = plan.roots;
    std::vector<SubsetRoot> shuffled = plan.roots;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(41));
    roots.insert(roots.end(), shuffled.begin(), shuffled.end());
    auto shared = std::make_unique<RootFactorsInDouble>();
    auto fresh = std::make_unique<RootFactorsInDouble>();
    RootDropEstimates fromShared, fromFresh;
    int compared = 0;
    for (const SubsetRoot& root : roots) {
        const bool sharedMade = estimateRootDrops(*system, root.mask, root.droppable, *shared, fromShared);
        fresh->mask = 0;
        ASSERT_EQ(estimateRootDrops(*system, root.mask, root.droppable, *fresh, fromFresh), sharedMade) << root.mask;
        if (!sharedMade) continue;
        ++compared;
        ASSERT_EQ(fromShared.count, fromFresh.count);
        EXPECT_EQ(fromShared.trace, fromFresh.trace) << root.mask;
        EXPECT_EQ(fromShared.doubleTrace, fromFresh.doubleTrace) << root.mask;
        EXPECT_EQ(fromShared.error, fromFresh.error) << root.mask;
        for (std::size_t i = 0; i < fromShared.count; ++i) {
            EXPECT_EQ(fromShared.variable[i], fromFresh.variable[i]) << root.mask;
            EXPECT_EQ(fromShared.rss[i], fromFresh.rss[i]) << root.mask << ", child " << i;
        }
    }
    EXPECT_GT(compared, 2000);
}

// One root's estimate in plain scalar code: R column by column, z, and
// W = R⁻¹ column by column, each sum in ascending order, then the drops.
// Answers the drop of each droppable variable (by variable), and the
// trace; false where a pivot is not positive.
bool scalarRootEstimate(const ScaledSystem& system, SubsetMask mask, SubsetMask droppable,
                        std::vector<double>& dropByVariable, double& trace) {
    std::vector<std::size_t> slots;
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest)) slots.push_back(lowestVariable(rest));
    const std::size_t e = slots.size();
    std::vector<double> r(e * e, 0.0), w(e * e, 0.0), z(e, 0.0);
    trace = 0.0;
    double fitted = 0.0;
    for (std::size_t j = 0; j < e; ++j) {
        for (std::size_t i = 0; i <= j; ++i) {
            double sum = toDouble(system.at(slots[i], slots[j]));
            for (std::size_t p = 0; p < i; ++p) sum -= r[p * e + i] * r[p * e + j];
            if (i < j) {
                r[i * e + j] = sum * w[i * e + i];
            } else {
                if (!(sum > 0.0)) return false;
                r[j * e + j] = std::sqrt(sum);
            }
        }
        w[j * e + j] = 1.0 / r[j * e + j];
        double sum = toDouble(system.xty[slots[j]]);
        for (std::size_t p = 0; p < j; ++p) sum -= r[p * e + j] * z[p];
        z[j] = sum * w[j * e + j];
        for (std::size_t i = j; i-- > 0;) {
            double dot = 0.0;
            for (std::size_t p = i + 1; p <= j; ++p) dot += r[i * e + p] * w[p * e + j];
            w[i * e + j] = -dot * w[i * e + i];
        }
        double column = 0.0;
        for (std::size_t i = 0; i <= j; ++i) column += w[i * e + j] * w[i * e + j];
        trace += column;
        fitted += z[j] * z[j];
    }
    const double rootRss = toDouble(system.yyScaled) - fitted;
    dropByVariable.assign(maxExplanatoryVariables, std::nan(""));
    for (std::size_t j = 0; j < e; ++j) {
        if (!(droppable & variableMask(slots[j]))) continue;
        double g = 0.0;
        double b = 0.0;
        for (std::size_t p = j; p < e; ++p) {
            g += w[j * e + p] * w[j * e + p];
            b += w[j * e + p] * z[p];
        }
        dropByVariable[slots[j]] = rootRss + b * b / g;
    }
    return true;
}

// The estimate's factor is formed with shared columns and rows, several
// columns at a time and sums taken up where they stood: every drop and the
// trace are still those of the plain scalar factorisation of the root
// alone, bit for bit, which its error bound is derived for. Roots of two
// few-rows sets, in the plan's order and shuffled, through one factor.
TEST(DropTree, RootEstimatesAreThoseOfThePlainScalarFactorisationBitForBit) {
    int compared = 0;
    for (const auto& [n, k] : {std::pair<std::size_t, std::size_t>{12, 16}, {16, 19}}) {
        const Dataset data = fewRowsDataset(n, k, 0.5, 1900 + k);
        auto system = std::make_unique<ScaledSystem>();
        ASSERT_TRUE(formScaledSystem(data.y, data.columns, *system));
        SubsetPlan plan;
        ASSERT_TRUE(planSubsetRoots(*system, firstVariables(k), 1000000, plan, n - 2));
        std::vector<SubsetRoot> roots = plan.roots;
        std::vector<SubsetRoot> shuffled = plan.roots;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(static_cast<unsigned>(k)));
        roots.insert(roots.end(), shuffled.begin(), shuffled.end());
        auto factors = std::make_unique<RootFactorsInDouble>();
        RootDropEstimates estimates;
        std::vector<double> reference;
        for (const SubsetRoot& root : roots) {
            if (!estimateRootDrops(*system, root.mask, root.droppable, *factors, estimates)) continue;
            double trace = 0.0;
            ASSERT_TRUE(scalarRootEstimate(*system, root.mask, root.droppable, reference, trace)) << root.mask;
            EXPECT_EQ(estimates.trace, trace * (1.0 + 0x1p-9)) << "n = " << n << ", root " << root.mask;
            ASSERT_EQ(estimates.count, subsetSize(root.droppable)) << root.mask;
            for (std::size_t i = 0; i < estimates.count; ++i) {
                EXPECT_EQ(estimates.rss[i], reference[estimates.variable[i]])
                    << "n = " << n << ", root " << root.mask << ", without x" << int(estimates.variable[i]);
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 5000);
}

}  // namespace
