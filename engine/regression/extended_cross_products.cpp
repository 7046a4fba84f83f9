#include "regression/extended_cross_products.h"

#include <memory>
#include <mutex>
#include <vector>

#include "regression/linear_dependencies.h"
#include "regression/pair_sums.h"

void formExtendedCrossProducts(const CrossProducts& products, ExtendedCrossProducts& extended) {
    extended.variables = products.variables;
    extended.rows = products.rows;
    const std::size_t order = products.order();
    // The sums of the columns 1 … order − 1 (the variables and y), pairwise
    // and with the ones: index a of the products is column a − 1 of the
    // sums, and the intercept's row the sums with the ones.
    const std::unique_ptr<PairSums> sums(new PairSums);
    sumPairs(products.columns + 1, order - 1, products.rows, *sums);
    const std::size_t ones = order - 1;
    extended.entries[0] = toDoubleDouble(static_cast<double>(products.rows));
    for (std::size_t b = 1; b < order; ++b) {
        extended.entries[b] = sums->at(b - 1, ones);
        extended.entries[b * order] = extended.entries[b];
    }
    for (std::size_t a = 1; a < order; ++a) {
        for (std::size_t b = a; b < order; ++b) {
            extended.entries[a * order + b] = sums->at(a - 1, b - 1);
            extended.entries[b * order + a] = extended.entries[a * order + b];
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
    std::shared_ptr<ExtendedCrossProducts> extended = std::move(products.offered);
    if (extended == nullptr) {
        extended = std::make_shared<ExtendedCrossProducts>();
        formExtendedCrossProducts(products, *extended);
    }
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

void offerExtendedCrossProducts(const CrossProducts& products, std::shared_ptr<ExtendedCrossProducts> formed) {
    products.offered = std::move(formed);
}
