#pragma once
// Double-double arithmetic: a value hi + lo with |lo| ≤ ulp(hi)/2, about 106
// significand bits (unit roundoff about 2^-104 for the operations below).
//
// Built from error-free transformations: two-sum (Knuth) and two-product by
// Dekker's splitting, never a fused multiply-add. With -ffp-contract=off and
// SSE2 arithmetic every step is one IEEE double operation, so the results
// are the same bits on every target. Values stay far from overflow here
// (the splitting multiplies by 2^27 + 1): the callers work on scaled
// systems whose entries are of order one.
#include <cmath>

struct DoubleDouble {
    double hi = 0.0;
    double lo = 0.0;
};

// s + e = a + b exactly.
inline DoubleDouble twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    const double e = (a - (s - bb)) + (b - bb);
    return {s, e};
}

// The same for |a| ≥ |b| (or a = 0).
inline DoubleDouble quickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// p + e = a · b exactly (barring overflow and underflow).
inline DoubleDouble twoProduct(double a, double b) {
    constexpr double splitter = 134217729.0;  // 2^27 + 1
    const double p = a * b;
    const double ta = splitter * a;
    const double ah = ta - (ta - a);
    const double al = a - ah;
    const double tb = splitter * b;
    const double bh = tb - (tb - b);
    const double bl = b - bh;
    const double e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
    return {p, e};
}

inline DoubleDouble operator+(DoubleDouble x, DoubleDouble y) {
    DoubleDouble s = twoSum(x.hi, y.hi);
    const DoubleDouble t = twoSum(x.lo, y.lo);
    s.lo += t.hi;
    s = quickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return quickTwoSum(s.hi, s.lo);
}

inline DoubleDouble operator-(DoubleDouble x) { return {-x.hi, -x.lo}; }
inline DoubleDouble operator-(DoubleDouble x, DoubleDouble y) { return x + (-y); }

inline DoubleDouble operator*(DoubleDouble x, DoubleDouble y) {
    DoubleDouble p = twoProduct(x.hi, y.hi);
    p.lo += x.hi * y.lo + x.lo * y.hi;
    return quickTwoSum(p.hi, p.lo);
}

inline DoubleDouble operator*(DoubleDouble x, double y) {
    DoubleDouble p = twoProduct(x.hi, y);
    p.lo += x.lo * y;
    return quickTwoSum(p.hi, p.lo);
}

// Three correction steps of the long division: about 106 bits.
inline DoubleDouble operator/(DoubleDouble x, DoubleDouble y) {
    const double q1 = x.hi / y.hi;
    DoubleDouble r = x - y * q1;
    const double q2 = r.hi / y.hi;
    r = r - y * q2;
    const double q3 = r.hi / y.hi;
    return quickTwoSum(q1, q2) + DoubleDouble{q3, 0.0};
}

// One Newton step from the double square root; x ≥ 0.
inline DoubleDouble sqrt(DoubleDouble x) {
    if (!(x.hi > 0.0)) return {0.0, 0.0};
    const double s = std::sqrt(x.hi);
    const DoubleDouble square = twoProduct(s, s);
    const double correction = (x - square).hi / (2.0 * s);
    return quickTwoSum(s, correction);
}

inline DoubleDouble toDoubleDouble(double value) { return {value, 0.0}; }
