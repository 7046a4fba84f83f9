#pragma once
// The bounded list of best candidates with its moving acceptance threshold.
//
// Candidates are offered one by one. One whose criterion is above the
// threshold is rejected; otherwise it is appended (a value equal to the
// threshold is accepted). When the list reaches twice keepCount entries it is
// sorted and cut to keepCount, and the threshold becomes the criterion of the
// last remaining entry. The finish sorts and cuts once more. The result is
// exactly the keepCount best candidates in rank order; the list never holds
// more than 2·keepCount entries and sorts only when full.
//
// Rank order is ascending criterion, and among equal criteria ascending
// mask. The tie rule makes the result independent of the order in which
// candidates are offered and of the sort algorithm, so any search that
// offers a superset of the kept candidates with the same criterion values
// ends with the same list, bit for bit.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "regression/data_column.h"
#include "subset_search/ranked_subset.h"

struct KeptSelection {
    std::vector<RankedSubset>* kept = nullptr;
    std::size_t keepCount = 0;
    std::uint64_t cutSize = 0;  // 2 · keepCount (64-bit: no wrap-around on 32-bit targets)
    double threshold = 0.0;
};

// True when a ranks before b: smaller criterion, or equal criterion and
// smaller mask. Criteria are never NaN here.
inline bool rankedBefore(const RankedSubset& a, const RankedSubset& b) {
    return a.criterion < b.criterion || (a.criterion == b.criterion && a.mask < b.mask);
}

// Empties kept and starts a selection into it, with the threshold at the
// largest finite double. candidates bounds the number of offers and only
// serves to reserve the list's storage once, so that offers do not allocate.
// A keepCount of 0 keeps nothing.
KeptSelection beginSelection(std::vector<RankedSubset>& kept, std::uint32_t keepCount, std::uint64_t candidates);

// Sorts kept, cuts it to keepCount and lowers the threshold to the
// criterion of its last entry.
void cutSelection(KeptSelection& selection);

// Offers one candidate (criterion not NaN).
inline void offerCandidate(KeptSelection& selection, SubsetMask mask, double criterion) {
    if (selection.threshold < criterion) {
        return;
    }
    selection.kept->push_back(RankedSubset{mask, criterion});
    if (selection.kept->size() >= selection.cutSize) {
        cutSelection(selection);
    }
}

// Sorts kept and cuts it to keepCount: the final list, best first.
void finishSelection(KeptSelection& selection);
