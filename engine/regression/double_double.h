#pragma once
// Double-double arithmetic: a value held as an unevaluated sum hi + lo of
// two doubles with |lo| ≤ ulp(hi)/2, about 106 significand bits.
//
// Everything is built from the error-free transformations of Knuth (two-sum)
// and Dekker (splitting and two-product), written with plain IEEE double
// additions and multiplications only. No fused multiply-add is used, and the
// build forbids the compiler to contract a·b + c into one (-ffp-contract=off),
// so every operation below rounds exactly as written and the results are the
// same bits on every target (x86_64, i686 with SSE2).
#include <cmath>

struct DoubleDouble {
    double hi = 0.0;
    double lo = 0.0;
};

// a + b = s + e exactly (Knuth), for any finite a and b.
inline DoubleDouble twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    const double e = (a - (s - bb)) + (b - bb);
    return {s, e};
}

// The same when |a| ≥ |b| (or a = 0): three operations instead of six.
inline DoubleDouble quickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a = hi + lo with hi and lo of at most 26 significand bits each (Dekker),
// so that products of the halves are exact. The factor 2^27 + 1 would
// overflow for |a| above about 2^996; such values are split after scaling
// down by 2^-28 (exact) and the halves scaled back up.
inline void splitDouble(double a, double& hi, double& lo) {
    constexpr double splitter = 134217729.0;  // 2^27 + 1
    constexpr double large = 6.69692879491417e+299;  // about 2^996
    if (std::fabs(a) > large) {
        const double scaled = a * 3.7252902984619140625e-09;  // 2^-28
        const double c = splitter * scaled;
        const double h = c - (c - scaled);
        hi = h * 268435456.0;  // 2^28
        lo = (scaled - h) * 268435456.0;
        return;
    }
    const double c = splitter * a;
    hi = c - (c - a);
    lo = a - hi;
}

// a · b = p + e exactly (Dekker), barring overflow and underflow.
inline DoubleDouble twoProduct(double a, double b) {
    const double p = a * b;
    double ah = 0.0, al = 0.0, bh = 0.0, bl = 0.0;
    splitDouble(a, ah, al);
    splitDouble(b, bh, bl);
    const double e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
    return {p, e};
}

inline DoubleDouble toDoubleDouble(double a) { return {a, 0.0}; }

// The nearest double (hi is the rounded sum when the pair is normalised).
inline double toDouble(DoubleDouble a) { return a.hi + a.lo; }

inline DoubleDouble operator-(DoubleDouble a) { return {-a.hi, -a.lo}; }

// Sum with the accurate (IEEE-style) error bound: both parts are added
// error-free and the result renormalised.
inline DoubleDouble operator+(DoubleDouble a, DoubleDouble b) {
    DoubleDouble s = twoSum(a.hi, b.hi);
    const DoubleDouble t = twoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = quickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return quickTwoSum(s.hi, s.lo);
}

inline DoubleDouble operator-(DoubleDouble a, DoubleDouble b) { return a + (-b); }

inline DoubleDouble operator*(DoubleDouble a, DoubleDouble b) {
    DoubleDouble p = twoProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return quickTwoSum(p.hi, p.lo);
}

// Long division with three partial quotients.
inline DoubleDouble operator/(DoubleDouble a, DoubleDouble b) {
    const double q1 = a.hi / b.hi;
    DoubleDouble r = a - b * toDoubleDouble(q1);
    const double q2 = r.hi / b.hi;
    r = r - b * toDoubleDouble(q2);
    const double q3 = r.hi / b.hi;
    return quickTwoSum(q1, q2) + toDoubleDouble(q3);
}

inline bool operator<(DoubleDouble a, DoubleDouble b) { return a.hi < b.hi || (a.hi == b.hi && a.lo < b.lo); }
inline bool operator>(DoubleDouble a, DoubleDouble b) { return b < a; }
inline bool operator<=(DoubleDouble a, DoubleDouble b) { return !(b < a) && !std::isnan(a.hi) && !std::isnan(b.hi); }

inline bool isFinite(DoubleDouble a) { return std::isfinite(a.hi) && std::isfinite(a.lo); }
