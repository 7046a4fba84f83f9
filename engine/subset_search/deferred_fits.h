#pragma once
// Exact fits put off until the end of a bounded search, so that subsets
// that would enter a list only to be pushed out of it later are never
// fitted.
//
// A subset the tree reaches comes with bounds on its exact criterion: at
// least `least` (the bound that decides whether it may enter at all) and at
// most `most` (the tree's RSS plus its margin: the margin bounds the
// distance between the tree's RSS of a subset and the exact fit's, either
// way). Instead of fitting it, the search keeps it pending and counts its
// `most` in the list's ceiling: the keepCount-th smallest of the exact
// criteria offered so far and the `most` of the pending subsets. That many
// distinct subsets then have a criterion at or below the ceiling, so a
// subset (or a subtree) whose least criterion is above it cannot be among
// the keepCount best: it is decided without a fit, exactly as against the
// list's own threshold. At the end only the pending subsets whose `least`
// is still at or below the ceiling are fitted and offered; the list keeps
// the best of what it was offered, as it would have.
//
// The comparisons with the ceiling are strict (a bound equal to it may
// still enter): the ceiling is not the criterion of a fitted subset, so the
// mask order of equal criteria cannot be applied to it.
#include <cstddef>
#include <vector>

#include "regression/data_column.h"
#include "regression/least_squares_fit.h"

struct DeferredFit {
    SubsetMask mask = 0;
    double least = 0.0;  // a lower bound on the subset's exact criterion
    double most = 0.0;   // an upper bound on it
    SubsetCertainties known;  // what its fit may take for granted
};

struct DeferredList {
    // The smallest upper bounds seen (exact criteria and pending mosts), at
    // most capacity of them, as a heap with the largest on top.
    std::vector<double> ceiling;
    std::vector<DeferredFit> pending;
};

// Counts an upper bound on the criterion of one more distinct subset (an
// exact criterion, or a pending subset's most).
void noteCeiling(DeferredList& list, std::size_t capacity, double most);

// Whether a subset whose criterion is at least least may still be among the
// capacity best: false only when the ceiling is full and below least.
bool ceilingAllows(const DeferredList& list, std::size_t capacity, double least);

// Puts a fit off: the subset joins the pending ones and its most the
// ceiling. Pending subsets the ceiling has since ruled out are dropped
// whenever the pending list has grown by another few times capacity.
void deferFit(DeferredList& list, std::size_t capacity, const DeferredFit& fit);
