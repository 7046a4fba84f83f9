#include "regression/extended_cross_products.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "regression/linear_dependencies.h"

namespace {

// A column's values split into Dekker halves (splitDouble), once for every
// product the column takes part in.
struct SplitColumn {
    const double* value = nullptr;
    std::vector<double> hi, lo;
};

SplitColumn splitColumn(const double* value, std::size_t n) {
    SplitColumn column;
    column.value = value;
    column.hi.resize(n);
    column.lo.resize(n);
    for (std::size_t r = 0; r < n; ++r) splitDouble(value[r], column.hi[r], column.lo[r]);
    return column;
}

// Σ a_r·b_r over rows in ascending order, Dot2: the running double sum s
// with its rounding error and the products' errors (Dekker's two-product of
// the split halves) accumulated in c. Up to four columns b at once: each
// chain does the operations of a single one in the same order, and the
// interleaved rows hide the latency of each chain's dependent additions.
constexpr std::size_t dotChains = 4;

void dot2(const SplitColumn& a, const SplitColumn* const* b, std::size_t count, std::size_t n, DoubleDouble* sums) {
    double s[dotChains] = {};
    double c[dotChains] = {};
    for (std::size_t r = 0; r < n; ++r) {
        const double x = a.value[r], xHigh = a.hi[r], xLow = a.lo[r];
        for (std::size_t j = 0; j < count; ++j) {
            const SplitColumn& other = *b[j];
            const double p = x * other.value[r];
            const double e = ((xHigh * other.hi[r] - p) + xHigh * other.lo[r] + xLow * other.hi[r]) + xLow * other.lo[r];
            const DoubleDouble t = twoSum(s[j], p);
            s[j] = t.hi;
            c[j] += t.lo + e;
        }
    }
    for (std::size_t j = 0; j < count; ++j) sums[j] = quickTwoSum(s[j], c[j]);
}

// Σ a_r in ascending order, Sum2 (the same accumulation without products).
DoubleDouble sum2(const double* a, std::size_t n) {
    double s = 0.0;
    double c = 0.0;
    for (std::size_t r = 0; r < n; ++r) {
        const DoubleDouble t = twoSum(s, a[r]);
        s = t.hi;
        c += t.lo;
    }
    return quickTwoSum(s, c);
}

}  // namespace

void formExtendedCrossProducts(const CrossProducts& products, ExtendedCrossProducts& extended) {
    extended.variables = products.variables;
    extended.rows = products.rows;
    const std::size_t order = products.order();
    const std::size_t n = products.rows;
    extended.entries[0] = toDoubleDouble(static_cast<double>(n));
    for (std::size_t b = 1; b < order; ++b) {
        extended.entries[b] = sum2(products.columns[b], n);
        extended.entries[b * order] = extended.entries[b];
    }
    std::vector<SplitColumn> split;
    split.reserve(order);
    split.emplace_back();  // the intercept's: its sums are the plain ones above
    for (std::size_t a = 1; a < order; ++a) split.push_back(splitColumn(products.columns[a], n));
    for (std::size_t a = 1; a < order; ++a) {
        for (std::size_t b = a; b < order; b += dotChains) {
            const std::size_t count = std::min(dotChains, order - b);
            const SplitColumn* others[dotChains];
            DoubleDouble sums[dotChains];
            for (std::size_t j = 0; j < count; ++j) others[j] = &split[b + j];
            dot2(split[a], others, count, n, sums);
            for (std::size_t j = 0; j < count; ++j) {
                extended.entries[a * order + b + j] = sums[j];
                extended.entries[(b + j) * order + a] = sums[j];
            }
        }
    }
    centreExtendedCrossProducts(extended);
}

void centreExtendedCrossProducts(ExtendedCrossProducts& extended) {
    const std::size_t order = extended.order();
    const DoubleDouble n = extended.at(0, 0);
    for (std::size_t a = 0; a < order; ++a) extended.means[a] = extended.at(0, a) / n;
    for (std::size_t a = 0; a < order; ++a) {
        for (std::size_t b = 0; b < order; ++b) {
            extended.centredEntries[a * order + b] = extended.at(a, b) - extended.means[a] * extended.at(0, b);
        }
    }
}

// The products are formed on first use, and threads of one search may ask
// at the same moment: the pointer is read and published atomically, and the
// forming is done once, under a lock.
const ExtendedCrossProducts& extendedCrossProducts(const CrossProducts& products) {
    if (const std::shared_ptr<ExtendedCrossProducts> formed = std::atomic_load(&products.extended)) return *formed;
    static std::mutex forming;
    const std::lock_guard<std::mutex> hold(forming);
    if (const std::shared_ptr<ExtendedCrossProducts> formed = std::atomic_load(&products.extended)) return *formed;
    const auto extended = std::make_shared<ExtendedCrossProducts>();
    formExtendedCrossProducts(products, *extended);
    // The dependent sets only: whether y is fitted exactly is the fit's own
    // question, subset by subset.
    for (const LinearDependency& dependency : columnDependencies(*extended)) {
        SubsetMask whole = SubsetMask{1} << dependency.column;
        for (std::size_t c : dependency.combination) whole |= SubsetMask{1} << c;
        extended->dependentSets.push_back(whole);
    }
    std::atomic_store(&products.extended, extended);
    return *extended;
}
