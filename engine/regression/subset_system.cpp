#include "regression/subset_system.h"

#include "regression/subset_mask.h"

void gatherSubsetSystem(const CrossProducts& products, SubsetMask mask, SubsetSystem& system) {
    // Row/column of the cross-products for each coefficient: 0 for the
    // intercept, 1 + bit index for each variable, lowest bit first.
    std::size_t* source = system.source;
    std::size_t e = 1;
    source[0] = 0;
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest)) {
        source[e++] = 1 + lowestVariable(rest);
    }

    SquareMatrix& a = system.crossProducts;
    a.order = e;
    const std::size_t yIndex = products.yIndex();
    for (std::size_t i = 0; i < e; ++i) {
        const double* from = products.row(source[i]);
        double* to = a.row(i);
        for (std::size_t j = 0; j < e; ++j) {
            to[j] = from[source[j]];
        }
        system.xty[i] = from[yIndex];
    }
    system.yy = products.at(yIndex, yIndex);
    system.rows = products.rows;
    system.products = &products;
    system.mask = mask;
}
