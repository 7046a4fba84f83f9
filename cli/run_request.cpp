#include "run_request.h"

#include <cmath>

#include "dataset.h"
#include "model_details.h"
#include "names/lead_byte.h"
#include "names/name_text.h"
#include "regression/cross_products.h"
#include "regression/least_squares_fit.h"
#include "regression/subset_system.h"

namespace {

std::string quoted(const std::string& name) { return "'" + name + "'"; }

// The explanatory variable a forced name means, matched as -x names are
// (trimmed, a-z folded); false when it names none.
bool findExplanatory(const std::string& name, const RunBlock& block, std::size_t& index) {
    const std::string wanted = foldName(trimName(name), isAnsiLeadByte);
    for (std::size_t i = 0; i < block.explanatoryNames.size(); ++i) {
        if (foldName(block.explanatoryNames[i], isAnsiLeadByte) == wanted) {
            index = i;
            return true;
        }
    }
    return false;
}

bool isDependent(const std::string& name, const RunBlock& block) {
    const std::string wanted = foldName(trimName(name), isAnsiLeadByte);
    for (const std::string& dependent : block.dependentNames) {
        if (foldName(dependent, isAnsiLeadByte) == wanted) return true;
    }
    return false;
}

std::string forcedMask(const std::vector<std::string>& names, const RunBlock& block, SubsetMask& mask) {
    mask = 0;
    for (const std::string& name : names) {
        std::size_t index = 0;
        if (findExplanatory(name, block, index)) {
            mask |= SubsetMask{1} << index;
        } else if (isDependent(name, block)) {
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
