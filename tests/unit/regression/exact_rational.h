#pragma once
// Exact rational arithmetic on doubles, the oracle of the tests that check
// sums and fits against what the data's doubles exactly give.
#include <boost/multiprecision/cpp_int.hpp>

#include <cmath>
#include <cstdint>

using Rational = boost::multiprecision::cpp_rational;
using Integer = boost::multiprecision::cpp_int;

// A finite double as the rational it is: its 53-bit significand times a
// power of two.
inline Rational exactly(double value) {
    if (value == 0.0) return Rational(0);
    int exponent = 0;
    const double fraction = std::frexp(value, &exponent);
    const auto significand = static_cast<std::int64_t>(std::ldexp(fraction, 53));
    exponent -= 53;
    Rational result{Integer(significand)};
    if (exponent > 0) result *= Rational(Integer(1) << exponent);
    if (exponent < 0) result /= Rational(Integer(1) << -exponent);
    return result;
}
