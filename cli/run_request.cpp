#include "run_request.h"

#include <cmath>

#include "column_names.h"
#include "dataset.h"
#include "model_details.h"
#include "regression/cross_products.h"
#include "regression/least_squares_fit.h"
#include "regression/subset_system.h"
#include "subset_search/worker_threads.h"

namespace {

std::string quoted(const std::string& name) { return "'" + name + "'"; }

std::string forcedMask(const std::vector<std::string>& names, const RunBlock& block, SubsetMask& mask) {
    mask = 0;
    for (const std::string& name : names) {
        // Matched as -x names are: the exact name first, then a-z folded.
        const ColumnMatch match = matchColumnName(name, block.explanatoryNames, {});
        if (match.outcome == NameMatch::one) {
            mask |= SubsetMask{1} << match.index;
        } else if (match.outcome == NameMatch::ambiguous) {
            return "--force: " + ambiguityMessage(name, block.explanatoryNames, match, false);
        } else if (matchColumnName(name, block.dependentNames, {}).outcome != NameMatch::none) {
            return "--force " + quoted(name) + ": a dependent variable cannot be forced into its own models";
        } else {
            return "--force " + quoted(name) + " is not an explanatory variable of this run (a constant column " +
                   "is left out)";
        }
    }
    return "";
}

// Whether the exact fit takes the forced variables together (the rank rule
// of the search: where it rejects them, it rejects every subset that holds
// them, and no model is left).
bool forcedTogetherFit(const RunBlock& block, SubsetMask forced) {
    if (forced == 0 || block.dependentColumns.empty()) return true;
    const CentredData data = centreData(block.dependentColumns.front(), block.explanatoryColumns);
    CrossProducts products;
    formCrossProducts(data.y, data.columns, products);
    SubsetSystem system;
    LeastSquaresFit fit;
    gatherSubsetSystem(products, forced, system);
    return solveSubsetSystem(system, fit);
}

std::string forcedNames(const RunBlock& block, SubsetMask forced) {
    std::string text;
    for (std::size_t i = 0; i < block.explanatoryNames.size(); ++i) {
        if ((forced >> i & 1u) != 0) text += (text.empty() ? "" : ", ") + quoted(block.explanatoryNames[i]);
    }
    return text;
}

}  // namespace

RunRequest buildRunRequest(const CliOptions& options, const RunBlock& block) {
    RunRequest out;
    SubsetRequest& subsets = out.request.subsets;
    subsets.criterion = static_cast<RankCriterion>(options.criterion);
    subsets.keepCount = static_cast<std::uint32_t>(options.keepCount);
    subsets.perSize = static_cast<std::uint32_t>(options.perSize);
    subsets.threads = options.threads > 0 ? static_cast<std::uint32_t>(options.threads) : machineThreads();
    out.error = forcedMask(options.forced, block, subsets.forced);
    if (!out.error.empty()) return out;
    if (!forcedTogetherFit(block, subsets.forced)) {
        out.error = "the forced variables " + forcedNames(block, subsets.forced) +
                    " are linearly dependent: no model can hold them all";
        return out;
    }
    if (subsets.criterion != RankCriterion::MallowsCp) return out;
    for (std::size_t i = 0; i < block.dependentColumns.size(); ++i) {
        const double scale =
            fullModelMeanSquare(centreData(block.dependentColumns[i], block.explanatoryColumns));
        if (!(scale > 0.0) || !std::isfinite(scale)) {
            out.error = "cannot rank " + quoted(block.dependentNames[i]) + " by cp: the model with every " +
                        "variable " + (std::isnan(scale) ? "leaves no residual degrees of freedom"
                                                         : "fits it exactly") +
                        ", so there is no residual mean square to measure against";
            return out;
        }
        out.request.cpScales.push_back(scale);
    }
    return out;
}
