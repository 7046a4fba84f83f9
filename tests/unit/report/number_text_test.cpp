#include "report/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale>
#include <string>

namespace {

std::string ascii(const std::u16string& text) { return std::string(text.begin(), text.end()); }

TEST(FormatNumber, FixedPointWithFiveDecimals) {
    EXPECT_EQ(ascii(formatNumber(0.5)), "0.50000");
    EXPECT_EQ(ascii(formatNumber(-0.123456)), "-0.12346");
    EXPECT_EQ(ascii(formatNumber(12.3456789)), "12.34568");
    EXPECT_EQ(ascii(formatNumber(-123.4)), "-123.40000");
    EXPECT_EQ(ascii(formatNumber(0.0)), "0.00000");
    EXPECT_EQ(ascii(formatNumber(1234567.0)), "1234567.00000");  // no digit grouping
    EXPECT_EQ(ascii(formatNumber(1e20)), "100000000000000000000.00000");
}

TEST(FormatNumber, RoundsTheBinaryValueToFiveDecimals) {
    // 0.000005 is stored slightly above its decimal value, 0.125000005 too;
    // 2.5e-6 is below half a unit of the fifth decimal.
    EXPECT_EQ(ascii(formatNumber(0.000005)), "0.00001");
    EXPECT_EQ(ascii(formatNumber(0.0000025)), "0.00000");
    EXPECT_EQ(ascii(formatNumber(0.999999)), "1.00000");
}

TEST(FormatNumber, NonFiniteValuesHaveFixedTexts) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(ascii(formatNumber(nan)), "nan");
    EXPECT_EQ(ascii(formatNumber(std::copysign(nan, -1.0))), "nan");
    EXPECT_EQ(ascii(formatNumber(std::numeric_limits<double>::infinity())), "inf");
    EXPECT_EQ(ascii(formatNumber(-std::numeric_limits<double>::infinity())), "-inf");
}

// A locale that writes ',' for the decimal point and groups thousands.
struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(FormatNumber, IgnoresTheProcessLocale) {
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    const std::string text = ascii(formatNumber(-12345.678));
    std::locale::global(previous);
    EXPECT_EQ(text, "-12345.67800");
}

TEST(SignificanceMarks, BoundariesBelongToTheStrongerMark) {
    EXPECT_EQ(ascii(significanceMarks(0.0)), "**");
    EXPECT_EQ(ascii(significanceMarks(0.003)), "**");
    EXPECT_EQ(ascii(significanceMarks(0.01)), "**");
    EXPECT_EQ(ascii(significanceMarks(std::nextafter(0.01, 1.0))), "*");
    EXPECT_EQ(ascii(significanceMarks(0.05)), "*");
    EXPECT_EQ(ascii(significanceMarks(std::nextafter(0.05, 1.0))), "");
    EXPECT_EQ(ascii(significanceMarks(0.5)), "");
    EXPECT_EQ(ascii(significanceMarks(std::numeric_limits<double>::quiet_NaN())), "");
}

}  // namespace
