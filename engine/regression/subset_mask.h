#pragma once
// Walking the variables of a subset. Inside a model the variables stand in
// ascending bit order: coefficient 0 is the intercept, coefficient j the
// variable of the j-th set bit counted from the least significant bit.
#include <cstddef>
#include <cstdint>

#include "regression/data_column.h"

// The most variables a mask can hold.
constexpr std::size_t maskBits = 64;

// The set bits of a 32-bit word, counted in the register: the compiler's
// builtin is a library call on targets without a population-count
// instruction (the product's i686 and the portable x86-64 build), and the
// few-rows search counts the variables of every root it forms.
inline std::size_t wordBits(std::uint32_t x) {
    x = x - ((x >> 1) & 0x55555555u);
    x = (x & 0x33333333u) + ((x >> 2) & 0x33333333u);
    x = (x + (x >> 4)) & 0x0f0f0f0fu;
    return static_cast<std::size_t>((x * 0x01010101u) >> 24);
}

// The number of explanatory variables in the subset (its set bits).
inline std::size_t subsetSize(SubsetMask mask) {
    return wordBits(static_cast<std::uint32_t>(mask)) + wordBits(static_cast<std::uint32_t>(mask >> 32));
}

// The index of the lowest variable of a non-empty subset: the number of zero
// bits below its lowest set bit.
inline std::size_t lowestVariable(SubsetMask mask) {
    return static_cast<std::size_t>(__builtin_ctzll(mask));
}

// The subset without its lowest variable.
inline SubsetMask withoutLowestVariable(SubsetMask mask) { return mask & (mask - 1u); }

// The subset of variable i alone (i < 64).
inline SubsetMask variableMask(std::size_t i) { return SubsetMask{1} << i; }

// Variables 0 … count − 1 (count ≤ 64). As a number this is also 2^count − 1,
// the count of non-empty subsets of count variables; a shift by 64 would be
// undefined, so the full mask is formed from its complement.
inline SubsetMask firstVariables(std::size_t count) {
    return count >= maskBits ? ~SubsetMask{0} : (SubsetMask{1} << count) - 1u;
}

// The number of non-empty subsets of count variables, 2^count − 1 (count ≤ 64).
inline std::uint64_t nonEmptySubsets(std::size_t count) { return firstVariables(count); }

// The variables of mask below variable v (v ≤ 64).
inline SubsetMask variablesBelow(SubsetMask mask, std::size_t v) { return mask & firstVariables(v); }

// The number of subsets of size variables among count, C(count, size), or
// the largest 64-bit value where the running product would overflow (it
// only sizes a reservation or is compared with a limit).
inline std::uint64_t subsetsOfSize(std::size_t count, std::size_t size) {
    constexpr std::uint64_t most = ~std::uint64_t{0};
    std::uint64_t subsets = 1;
    for (std::size_t i = 1; i <= size; ++i) {
        const std::uint64_t factor = count - size + i;
        if (subsets > most / factor) return most;
        subsets = subsets * factor / i;
    }
    return subsets;
}
