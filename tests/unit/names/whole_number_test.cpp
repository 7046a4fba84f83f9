#include "names/whole_number.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* describe(NumberOutcome outcome) {
    switch (outcome) {
        case NumberOutcome::accepted: return "accepted";
        case NumberOutcome::outOfRange: return "out of range";
        case NumberOutcome::badFormat: return "bad format";
    }
    return "?";
}

void expectNumber(const std::string& text, NumberOutcome outcome, std::int32_t value) {
    const WholeNumber number = readWholeNumber(text);
    EXPECT_EQ(number.outcome, outcome) << "'" << text << "' was " << describe(number.outcome);
    EXPECT_EQ(number.value, value) << "'" << text << "'";
}

TEST(WholeNumber, SignedDigitsFromOneTo65535AreAccepted) {
    expectNumber("1", NumberOutcome::accepted, 1);
    expectNumber("65535", NumberOutcome::accepted, 65535);
    expectNumber("+12", NumberOutcome::accepted, 12);
    expectNumber("0012", NumberOutcome::accepted, 12);
    expectNumber("+0000000000000000000007", NumberOutcome::accepted, 7);
}

TEST(WholeNumber, ValuesOutsideTheRangeKeepTheirValue) {
    expectNumber("0", NumberOutcome::outOfRange, 0);
    expectNumber("-0", NumberOutcome::outOfRange, 0);
    expectNumber("65536", NumberOutcome::outOfRange, 65536);
    expectNumber("-5", NumberOutcome::outOfRange, -5);
    expectNumber("2147483647", NumberOutcome::outOfRange, 2147483647);
    expectNumber("-2147483648", NumberOutcome::outOfRange, INT32_MIN);
}

TEST(WholeNumber, AnythingButASignAndDigitsIsAFormatError) {
    for (const char* text : {"", " 12", "12 ", "\t12", "12\n", "12.0", "1e3", "1,000", "0x10", "12abc", "+", "-",
                             "++1", "+-1", "- 1", "\xEF\xBC\x91\xEF\xBC\x92", "\x82\x50\x82\x51"}) {
        const WholeNumber number = readWholeNumber(text);
        EXPECT_EQ(number.outcome, NumberOutcome::badFormat) << "'" << text << "' gave " << number.value;
    }
}

TEST(WholeNumber, BeyondThirtyTwoBitsIsAFormatErrorNotARangeError) {
    for (const char* text : {"99999999999", "2147483648", "-2147483649", "4294967296", "4294967297"}) {
        const WholeNumber number = readWholeNumber(text);
        EXPECT_EQ(number.outcome, NumberOutcome::badFormat) << "'" << text << "' gave " << number.value;
    }
}

}  // namespace
