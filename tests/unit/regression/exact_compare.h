#pragma once
// Bit-for-bit comparison of doubles for the differential tests: equal
// values with the same sign (so +0 and −0 differ), or both NaN.
#include <cmath>
#include <cstdio>
#include <string>

inline bool sameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

// The value in full precision, for failure messages.
inline std::string exactText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g (%a)", value, value);
    return text;
}
