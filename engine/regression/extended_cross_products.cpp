#include "regression/extended_cross_products.h"

#include <memory>
#include <mutex>

#include "regression/linear_dependencies.h"

namespace {

// Σ a_r·b_r over rows in ascending order, Dot2: the running double sum s
// with its rounding error and the products' errors accumulated in c.
DoubleDouble dot2(const double* a, const double* b, std::size_t n) {
    double s = 0.0;
    double c = 0.0;
    for (std::size_t r = 0; r < n; ++r) {
        const DoubleDouble p = twoProduct(a[r], b[r]);
        const DoubleDouble t = twoSum(s, p.hi);
        s = t.hi;
        c += t.lo + p.lo;
    }
    return quickTwoSum(s, c);
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
    for (std::size_t a = 1; a < order; ++a) {
        for (std::size_t b = a; b < order; ++b) {
            extended.entries[a * order + b] = dot2(products.columns[a], products.columns[b], n);
            extended.entries[b * order + a] = extended.entries[a * order + b];
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
