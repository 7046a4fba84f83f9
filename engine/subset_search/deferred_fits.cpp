#include "subset_search/deferred_fits.h"

#include <algorithm>

void noteCeiling(DeferredList& list, std::size_t capacity, double most) {
    if (capacity == 0) return;
    std::vector<double>& ceiling = list.ceiling;
    if (ceiling.size() < capacity) {
        ceiling.push_back(most);
        std::push_heap(ceiling.begin(), ceiling.end());
    } else if (most < ceiling.front()) {
        std::pop_heap(ceiling.begin(), ceiling.end());
        ceiling.back() = most;
        std::push_heap(ceiling.begin(), ceiling.end());
    }
}

bool ceilingAllows(const DeferredList& list, std::size_t capacity, double least) {
    return list.ceiling.size() < capacity || !(least > list.ceiling.front());
}

void deferFit(DeferredList& list, std::size_t capacity, const DeferredFit& fit) {
    noteCeiling(list, capacity, fit.most);
    list.pending.push_back(fit);
    // Thinned whenever its length reaches a power of two of at least
    // 4·capacity + 64: linear cost overall, and the list stays within a
    // factor of about two of what the ceiling last allowed.
    const std::size_t limit = 4 * capacity + 64;
    if (list.pending.size() < limit || (list.pending.size() & (list.pending.size() - 1)) != 0) return;
    list.pending.erase(std::remove_if(list.pending.begin(), list.pending.end(),
                                      [&](const DeferredFit& entry) { return !ceilingAllows(list, capacity, entry.least); }),
                       list.pending.end());
}
