#include "regression/cross_products.h"

#include <algorithm>
#include <stdexcept>

namespace {

// Rows are taken in blocks so that the columns of a block stay in cache
// while every pair is accumulated; each pair's running sum carries on from
// block to block, so the order of the additions is the plain ascending one.
constexpr std::size_t rowBlock = 512;

// Adds rows [begin, end) of every pair (a ≤ b) to sums. Column 0 is the
// intercept: 1.0 · v is v exactly, so its sums add the values themselves.
void accumulateBlock(const double* const* columns, std::size_t order, std::size_t begin, std::size_t end,
                     double* sums) {
    for (std::size_t b = 1; b < order; ++b) {
        const double* vb = columns[b];
        double s = sums[b];
        for (std::size_t r = begin; r < end; ++r) {
            s += vb[r];
        }
        sums[b] = s;
    }
    for (std::size_t a = 1; a < order; ++a) {
        const double* va = columns[a];
        for (std::size_t b = a; b < order; ++b) {
            const double* vb = columns[b];
            double s = sums[a * order + b];
            for (std::size_t r = begin; r < end; ++r) {
                s += va[r] * vb[r];
            }
            sums[a * order + b] = s;
        }
    }
}

}  // namespace

void formCrossProducts(const DataColumn& y, const DataColumn* const* columns, std::size_t count,
                       CrossProducts& products) {
    if (count > maxExplanatoryVariables) {
        throw std::invalid_argument("more than 64 explanatory variables");
    }
    const std::size_t n = y.size();
    const double* data[maxCrossProductOrder];
    data[0] = nullptr;  // the intercept
    for (std::size_t i = 0; i < count; ++i) {
        if (columns[i]->size() != n) {
            throw std::invalid_argument("an explanatory column and the dependent column differ in length");
        }
        data[i + 1] = columns[i]->data();
    }
    data[count + 1] = y.data();

    products.variables = count;
    products.rows = n;
    products.extended.reset();
    for (std::size_t a = 0; a < count + 2; ++a) {
        products.columns[a] = data[a];
    }
    const std::size_t order = products.order();
    double* sums = products.entries;
    std::fill(sums, sums + order * order, 0.0);
    for (std::size_t begin = 0; begin < n; begin += rowBlock) {
        accumulateBlock(data, order, begin, std::min(n, begin + rowBlock), sums);
    }
    // The sum of n ones, counted from 0.0: exact for any realistic n.
    sums[0] = static_cast<double>(n);
    // x·z and z·x are the same products (multiplication commutes exactly).
    for (std::size_t a = 0; a < order; ++a) {
        for (std::size_t b = a + 1; b < order; ++b) {
            sums[b * order + a] = sums[a * order + b];
        }
    }
}

void formCrossProducts(const DataColumn& y, const std::vector<DataColumn>& columns, CrossProducts& products) {
    if (columns.size() > maxExplanatoryVariables) {
        throw std::invalid_argument("more than 64 explanatory variables");
    }
    const DataColumn* addresses[maxExplanatoryVariables];
    for (std::size_t i = 0; i < columns.size(); ++i) {
        addresses[i] = &columns[i];
    }
    formCrossProducts(y, addresses, columns.size(), products);
}
