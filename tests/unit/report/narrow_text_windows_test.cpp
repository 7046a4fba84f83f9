#include "report/narrow_text.h"

#include <gtest/gtest.h>

namespace {

// The tests run with the Japanese ANSI code page (932).
TEST(NarrowToUtf16, ConvertsWithTheThreadsAnsiCodePage) {
    EXPECT_EQ(narrowToUtf16("Age"), u"Age");
    EXPECT_EQ(narrowToUtf16("\x81\x40\x8F\x5D\x91\xAE\x95\xCF\x90\x94"), u"\u3000従属変数");
    // A trail byte in the ASCII letter range stays part of its character.
    EXPECT_EQ(narrowToUtf16("\x83\x61"), u"ヂ");
    EXPECT_EQ(narrowToUtf16(""), u"");
}

}  // namespace
