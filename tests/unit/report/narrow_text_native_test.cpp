#include "report/narrow_text.h"

#include <gtest/gtest.h>

namespace {

TEST(NarrowToUtf16, DecodesUtf8IncludingSurrogatePairs) {
    EXPECT_EQ(narrowToUtf16("Age"), u"Age");
    EXPECT_EQ(narrowToUtf16("\xE5\xBE\x93\xE5\xB1\x9E"), u"従属");
    EXPECT_EQ(narrowToUtf16("\xE3\x80\x80x"), u"\u3000x");
    EXPECT_EQ(narrowToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(narrowToUtf16(""), u"");
}

TEST(NarrowToUtf16, MalformedBytesBecomeReplacementCharacters) {
    EXPECT_EQ(narrowToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(narrowToUtf16("\xE5\xBE"), u"\uFFFD\uFFFD");      // cut short
    EXPECT_EQ(narrowToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");      // overlong '/'
    EXPECT_EQ(narrowToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // a surrogate
}

}  // namespace
