#pragma once
// Strict reading of a whole number typed by the user.
//
// The whole text must be an optional '+' or '-' followed by decimal digits:
// no space anywhere, no decimal point, exponent, digit grouping or base
// prefix. The value must fit a 32-bit signed integer; accepted values run
// from 1 to 65535.
#include <cstdint>
#include <string_view>

enum class NumberOutcome { accepted, outOfRange, badFormat };

struct WholeNumber {
    NumberOutcome outcome = NumberOutcome::badFormat;
    std::int32_t value = 0;  // the converted value (accepted or out of range)
};

constexpr std::int32_t smallestWholeNumber = 1;
constexpr std::int32_t largestWholeNumber = 65535;

WholeNumber readWholeNumber(std::string_view text);
