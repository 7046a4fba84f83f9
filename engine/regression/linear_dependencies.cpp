#include "regression/linear_dependencies.h"

#include <memory>
#include <utility>

#include "regression/cross_products.h"
#include "regression/extended_cross_products.h"
#include "regression/extended_fit.h"
#include "regression/fit_levels.h"
#include "regression/least_squares_fit.h"
#include "regression/subset_mask.h"
#include "regression/subset_system.h"

namespace {

// The solve of target against the columns of basis (indices into the run's
// columns), in double-double. Only the verdict, the residual share and the
// exact-fit flag are read: the ranking solve gives those as the whole one
// does, at half the cost.
ExtendedSolution regress(const ExtendedCrossProducts& products, const std::vector<std::size_t>& basis,
                         std::size_t target) {
    std::size_t source[maxModelOrder];
    source[0] = 0;
    for (std::size_t i = 0; i < basis.size(); ++i) source[i + 1] = 1 + basis[i];
    ExtendedSolution solution;
    solveExtended(products, source, basis.size() + 1, target, solution, ExtendedParts::Ranking);
    return solution;
}

bool combinationOf(const ExtendedCrossProducts& products, const std::vector<std::size_t>& basis, std::size_t column) {
    if (basis.empty()) return false;
    const ExtendedSolution solution = regress(products, basis, 1 + column);
    return solution.verdict == ExtendedVerdict::Solved && !(solution.residualShare > rankTolerance);
}

bool fitsExactly(const ExtendedCrossProducts& products, const std::vector<std::size_t>& basis) {
    if (basis.empty()) return false;
    const ExtendedSolution solution = regress(products, basis, products.yIndex());
    return solution.verdict == ExtendedVerdict::Solved && solution.exactFit;
}

// Drops, in ascending order, every member without which holds(members)
// stays true.
template <typename Holds>
std::vector<std::size_t> pruned(std::vector<std::size_t> members, Holds holds) {
    for (std::size_t i = 0; i < members.size();) {
        std::vector<std::size_t> fewer(members);
        fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(i));
        if (holds(fewer)) {
            members = fewer;
        } else {
            ++i;
        }
    }
    return members;
}

}  // namespace

DependencyReport findLinearDependencies(const DataColumn& y, const std::vector<DataColumn>& columns) {
    DependencyReport report;
    const std::unique_ptr<CrossProducts> products = std::make_unique<CrossProducts>();
    formCrossProducts(y, columns, *products);
    const std::size_t k = columns.size();
    if (k == 0) return report;

    // The fit of every column: if double resolves it, every variable has a
    // clear independent part and the RSS (the least of any subset) is well
    // above the exact-fit level.
    const SubsetMask all = firstVariables(k);
    const std::unique_ptr<SubsetSystem> system = std::make_unique<SubsetSystem>();
    gatherSubsetSystem(*products, all, *system);
    const std::unique_ptr<LeastSquaresFit> fit = std::make_unique<LeastSquaresFit>();
    if (solveSubsetSystem(*system, *fit) && !fit->refitted) return report;

    return dependenciesOf(extendedCrossProducts(*products));
}

std::vector<LinearDependency> columnDependencies(const ExtendedCrossProducts& extended,
                                                std::vector<std::size_t>* basisOut) {
    std::vector<LinearDependency> dependencies;
    const std::size_t k = extended.variables;
    // Each column against the basis before it, one growing factorisation
    // for the whole walk; the pruning below asks its own solves.
    const std::vector<BasisAnswer> answers = basisAnswers(extended);
    std::vector<std::size_t> basis;
    for (std::size_t j = 0; j < k; ++j) {
        if (!(extended.at(1 + j, 1 + j).hi > 0.0)) continue;  // a column of zeros (after centring)
        if (!answers[j].combination()) {
            basis.push_back(j);
            continue;
        }
        LinearDependency dependency;
        dependency.column = j;
        dependency.combination =
            pruned(basis, [&](const std::vector<std::size_t>& members) { return combinationOf(extended, members, j); });
        dependencies.push_back(dependency);
    }
    if (basisOut != nullptr) *basisOut = std::move(basis);
    return dependencies;
}

DependencyReport dependenciesOf(const ExtendedCrossProducts& extended) {
    DependencyReport report;
    std::vector<std::size_t> basis;
    report.dependencies = columnDependencies(extended, &basis);
    if (fitsExactly(extended, basis)) {
        report.exactFit = true;
        report.fittedBy =
            pruned(basis, [&](const std::vector<std::size_t>& members) { return fitsExactly(extended, members); });
    }
    return report;
}
