#pragma once
// Data sets for the bounded search's tests and benchmarks: every kind of
// data the search must rank exactly as the exhaustive screening does, each
// with the verdict its bound should get.
#include <cstdint>
#include <vector>

#include "regression/drop_tree.h"
#include "test_data.h"

// Centres y and every column as the search driver does.
void centreDataset(Dataset& data);

// n rows of k centred uniform columns; y noise (no relation to them).
Dataset noiseDataset(std::size_t n, std::size_t k, std::uint64_t seed);

// The same columns; y a strong combination of every third column plus
// noise.
Dataset signalDataset(std::size_t n, std::size_t k, std::uint64_t seed);

// Whether the bounded search may use its bound on a data set.
enum class ExpectedTrust { Trusted, Fallback, Either };

struct SearchCase {
    Dataset data;
    ExpectedTrust trust;
};

// One data set of each kind with k columns (k ≥ 4), drawn from seed: noise,
// strong and decaying signal, correlated columns (common factors; a chain of
// near neighbours), n close to k, integers as typed in worksheets, an exact
// fit, large offsets (centred, as the search sees them, and raw), columns of
// very different scales; and the ones the bound must leave to the
// exhaustive screening: a duplicated column, a column that is the sum of
// two others, a chain too close to collinear, large offsets left uncentred,
// a constant y, a column whose centred sum is rounding that outweighs n,
// sums of squares beyond the trusted range.
std::vector<SearchCase> searchCases(std::size_t k, std::uint64_t seed);

// The verdict of the bounded search's trust test on data.
DropTreeTrust trustOf(const Dataset& data);
