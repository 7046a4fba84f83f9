#pragma once
// An independent reference for what the fit makes of a subset: the rank
// rule, the exact-fit rule and the residual sum of squares, from modified
// Gram–Schmidt (applied twice) on columns centred in long double, with no
// normal equations and no double-double. Its 1 − R² values carry errors of
// the order of the square of long double's precision (about 1e-38), far
// below the levels the rules use.
#include <vector>

#include "regression/data_column.h"

// 1 − R² of target after regressors and the intercept: ‖residual‖² over the
// centred sum of squares of target. 0 when target has no spread.
long double referenceResidualShare(const std::vector<const DataColumn*>& regressors, const DataColumn& target);

struct ReferenceVerdict {
    bool computable = true;        // the cross-products are finite doubles and no sum of squares underflows
    long double leastIndependence = 1;  // min over the variables of 1 − R²_j
    long double sst = 0;           // centred sum of squares of y
    long double yy = 0;            // uncentred
    long double residualShare = 0;  // RSS / SST
    long double rss() const { return residualShare * sst; }
};

ReferenceVerdict referenceVerdict(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask);

// What the rules should decide on the reference: Model, NotAModel, or
// Either where the reference lies within a factor of 4 of a level (data too
// close to a level to expect one answer).
enum class Expected { Model, NotAModel, Either };
Expected expectedVerdict(const ReferenceVerdict& reference);

// Whether the reference counts the model as an exact fit (RSS taken as 0).
bool referenceExactFit(const ReferenceVerdict& reference);
