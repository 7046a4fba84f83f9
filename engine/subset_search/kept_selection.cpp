#include "subset_search/kept_selection.h"

#include <algorithm>
#include <limits>

KeptSelection beginSelection(std::vector<RankedSubset>& kept, std::uint32_t keepCount, std::uint64_t candidates) {
    KeptSelection selection;
    selection.kept = &kept;
    selection.keepCount = keepCount;
    selection.cutSize = 2 * static_cast<std::uint64_t>(keepCount);
    selection.threshold = keepCount == 0 ? -std::numeric_limits<double>::infinity()
                                         : std::numeric_limits<double>::max();
    kept.clear();
    kept.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(selection.cutSize, candidates)));
    return selection;
}

void cutSelection(KeptSelection& selection) {
    finishSelection(selection);
    if (!selection.kept->empty()) {
        selection.threshold = selection.kept->back().criterion;
    }
}

void finishSelection(KeptSelection& selection) {
    std::vector<RankedSubset>& kept = *selection.kept;
    std::sort(kept.begin(), kept.end(), rankedBefore);
    if (kept.size() > selection.keepCount) {
        kept.resize(selection.keepCount);
    }
}
