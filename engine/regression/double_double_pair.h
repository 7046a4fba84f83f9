#pragma once
// Two independent double-doubles in the two lanes of an SSE2 register, for
// kernels that apply the same operation to two entries at once.
//
// Each operation below performs, lane by lane, exactly the sequence of IEEE
// additions, subtractions, multiplications and sign changes of its scalar
// counterpart in double_double.h. A vector lane rounds an add, sub or mul as
// the scalar instruction does (both are SSE2 instructions in round-to-
// nearest), and GCC does not contract vector expressions into fused
// multiply-adds under -ffp-contract=off, so each lane's result is the scalar
// result, bit for bit, on x86_64 and on i686 with SSE2. The one branch of the
// scalar code, the scaled split of values above about 2^996, is taken per
// lane: where either lane needs it, both lanes are split by the scalar code.
#include <cstring>

#include "regression/double_double.h"

// Two doubles, and the two 64-bit results of comparing them (all ones where
// true): GCC's vector extension, SSE2 on every target we build for.
typedef double DoubleLanes __attribute__((vector_size(16)));
typedef long long LaneMask __attribute__((vector_size(16)));

struct DoubleDoublePair {
    DoubleLanes hi = {0.0, 0.0};
    DoubleLanes lo = {0.0, 0.0};
};

inline DoubleDoublePair pairOf(DoubleDouble first, DoubleDouble second) {
    return {DoubleLanes{first.hi, second.hi}, DoubleLanes{first.lo, second.lo}};
}

// The same value in both lanes.
inline DoubleDoublePair broadcast(DoubleDouble a) { return pairOf(a, a); }

// Two adjacent entries of an array of double-doubles.
inline DoubleDoublePair loadPair(const DoubleDouble* at) { return pairOf(at[0], at[1]); }

inline DoubleDouble firstOf(const DoubleDoublePair& a) { return {a.hi[0], a.lo[0]}; }
inline DoubleDouble secondOf(const DoubleDoublePair& a) { return {a.hi[1], a.lo[1]}; }

inline void storePair(const DoubleDoublePair& a, DoubleDouble* at) {
    at[0] = firstOf(a);
    at[1] = secondOf(a);
}

// twoSum of double_double.h in each lane.
inline DoubleDoublePair twoSum(DoubleLanes a, DoubleLanes b) {
    const DoubleLanes s = a + b;
    const DoubleLanes bb = s - a;
    const DoubleLanes e = (a - (s - bb)) + (b - bb);
    return {s, e};
}

// quickTwoSum of double_double.h in each lane.
inline DoubleDoublePair quickTwoSum(DoubleLanes a, DoubleLanes b) {
    const DoubleLanes s = a + b;
    return {s, b - (s - a)};
}

// splitDouble of double_double.h in each lane. The common case (both lanes
// at most about 2^996 in magnitude, or not numbers) is split in the vector;
// otherwise each lane goes through the scalar split, branch and all.
inline void splitDouble(DoubleLanes a, DoubleLanes& hi, DoubleLanes& lo) {
    constexpr double splitter = 134217729.0;  // 2^27 + 1
    constexpr double large = 6.69692879491417e+299;  // about 2^996, as the scalar split
    const LaneMask magnitudeBits = {0x7fffffffffffffffLL, 0x7fffffffffffffffLL};
    LaneMask bits;
    std::memcpy(&bits, &a, sizeof bits);
    bits &= magnitudeBits;
    DoubleLanes magnitude;
    std::memcpy(&magnitude, &bits, sizeof magnitude);
    const DoubleLanes limit = {large, large};
    const LaneMask scaled = magnitude > limit;
    if ((scaled[0] | scaled[1]) != 0) {
        double h0 = 0.0, l0 = 0.0, h1 = 0.0, l1 = 0.0;
        splitDouble(a[0], h0, l0);
        splitDouble(a[1], h1, l1);
        hi = DoubleLanes{h0, h1};
        lo = DoubleLanes{l0, l1};
        return;
    }
    const DoubleLanes c = splitter * a;
    hi = c - (c - a);
    lo = a - hi;
}

// twoProduct of double_double.h in each lane.
inline DoubleDoublePair twoProduct(DoubleLanes a, DoubleLanes b) {
    const DoubleLanes p = a * b;
    DoubleLanes ah, al, bh, bl;
    splitDouble(a, ah, al);
    splitDouble(b, bh, bl);
    const DoubleLanes e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
    return {p, e};
}

inline DoubleDoublePair operator-(const DoubleDoublePair& a) { return {-a.hi, -a.lo}; }

inline DoubleDoublePair operator+(const DoubleDoublePair& a, const DoubleDoublePair& b) {
    DoubleDoublePair s = twoSum(a.hi, b.hi);
    const DoubleDoublePair t = twoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = quickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return quickTwoSum(s.hi, s.lo);
}

// As the scalar difference, the sum with the negated second operand.
inline DoubleDoublePair operator-(const DoubleDoublePair& a, const DoubleDoublePair& b) { return a + (-b); }

inline DoubleDoublePair operator*(const DoubleDoublePair& a, const DoubleDoublePair& b) {
    DoubleDoublePair p = twoProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return quickTwoSum(p.hi, p.lo);
}

// A multiplier of many pairs (a row's factor): its head split once.
struct PairFactor {
    DoubleDoublePair value;
    DoubleLanes splitHi = {0.0, 0.0};
    DoubleLanes splitLo = {0.0, 0.0};
};

inline PairFactor factorOf(const DoubleDoublePair& a) {
    PairFactor factor{a};
    splitDouble(a.hi, factor.splitHi, factor.splitLo);
    return factor;
}

// value · b, the operations of the product above with the factor's split
// taken as formed.
inline DoubleDoublePair operator*(const PairFactor& a, const DoubleDoublePair& b) {
    const DoubleLanes p = a.value.hi * b.hi;
    DoubleLanes bh, bl;
    splitDouble(b.hi, bh, bl);
    DoubleDoublePair product = {p, ((a.splitHi * bh - p) + a.splitHi * bl + a.splitLo * bh) + a.splitLo * bl};
    product.lo += a.value.hi * b.lo + a.value.lo * b.hi;
    return quickTwoSum(product.hi, product.lo);
}

// Long division with three partial quotients, as the scalar division.
inline DoubleDoublePair operator/(const DoubleDoublePair& a, const DoubleDoublePair& b) {
    const DoubleLanes zero = {0.0, 0.0};
    const DoubleLanes q1 = a.hi / b.hi;
    DoubleDoublePair r = a - b * DoubleDoublePair{q1, zero};
    const DoubleLanes q2 = r.hi / b.hi;
    r = r - b * DoubleDoublePair{q2, zero};
    const DoubleLanes q3 = r.hi / b.hi;
    return quickTwoSum(q1, q2) + DoubleDoublePair{q3, zero};
}

// toDouble of double_double.h in each lane.
inline DoubleLanes toDoubles(const DoubleDoublePair& a) { return a.hi + a.lo; }
