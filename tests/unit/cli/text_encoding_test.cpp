#include "text_encoding.h"

#include <gtest/gtest.h>

namespace {

// "血圧,体重,①" followed by CR LF, as Japanese Excel's "CSV (コンマ区切り)"
// writes it: code page 932, where ① (0x87 0x40) is one of Microsoft's NEC
// rows that plain Shift_JIS lacks.
const std::string cp932Header = "\x8C\x8C\x88\xB3,\x91\xCC\x8F\x64,\x87\x40\r\n";
const std::string utf8Header = "血圧,体重,①\r\n";

TEST(DecodeInput, ReadsCodePage932WhenTheBytesAreNotUtf8) {
    const DecodedText text = decodeInput(cp932Header + "1,2,3\r\n", InputEncoding::Automatic, ',');
    ASSERT_EQ(text.error, "");
    EXPECT_STREQ(text.name, "CP932");
    EXPECT_EQ(text.utf8, utf8Header + "1,2,3\r\n");
    EXPECT_FALSE(text.wasUtf16);
    // Asked for explicitly, the same.
    EXPECT_EQ(decodeInput(cp932Header, InputEncoding::Cp932, ',').utf8, utf8Header);
}

TEST(DecodeInput, ReadsUtf8WithAndWithoutByteOrderMark) {
    const DecodedText marked = decodeInput("\xEF\xBB\xBF" + utf8Header, InputEncoding::Automatic, ',');
    EXPECT_STREQ(marked.name, "UTF-8");
    EXPECT_EQ(marked.utf8, utf8Header);
    const DecodedText plain = decodeInput(utf8Header, InputEncoding::Automatic, ',');
    EXPECT_STREQ(plain.name, "UTF-8");
    EXPECT_EQ(plain.utf8, utf8Header);
    // A byte order mark outranks the option.
    EXPECT_EQ(decodeInput("\xEF\xBB\xBF" + utf8Header, InputEncoding::Cp932, ',').utf8, utf8Header);
}

TEST(DecodeInput, ReadsUtf16OfEitherByteOrder) {
    // "血圧\t体重\n" in UTF-16LE and UTF-16BE, each after its byte order mark;
    // 😀 needs a surrogate pair.
    const std::string little("\xFF\xFE\x40\x88\x27\x57\x09\x00\x53\x4F\xCD\x91\x3D\xD8\x00\xDE\x0A\x00", 18);
    const DecodedText le = decodeInput(little, InputEncoding::Automatic, ',');
    ASSERT_EQ(le.error, "");
    EXPECT_TRUE(le.wasUtf16);
    EXPECT_STREQ(le.name, "UTF-16LE");
    EXPECT_EQ(le.utf8, "血圧\t体重😀\n");
    const std::string big("\xFE\xFF\x88\x40\x57\x27\x00\x09\x4F\x53\x91\xCD\x00\x0A", 14);
    const DecodedText be = decodeInput(big, InputEncoding::Automatic, ',');
    EXPECT_STREQ(be.name, "UTF-16BE");
    EXPECT_EQ(be.utf8, "血圧\t体重\n");
}

TEST(DecodeInput, RefusesUndecodableBytesWithLineAndColumn) {
    // 0xFF is in neither encoding: line 2, third cell.
    const DecodedText neither = decodeInput("a,b,c\r\n1,2,x\xFF\r\n", InputEncoding::Automatic, ',');
    EXPECT_NE(neither.error.find("byte 0xFF is neither UTF-8 nor code page 932"), std::string::npos) << neither.error;
    EXPECT_EQ(neither.errorLine, 2u);
    EXPECT_EQ(neither.errorColumn, 3u);
    // Code page 932 bytes where UTF-8 is asked for; a quoted comma does not
    // count as a column break.
    const DecodedText forced = decodeInput("a,b\n\"1,5\",\x8C\x8C\n", InputEncoding::Utf8, ',');
    EXPECT_NE(forced.error.find("byte 0x8C is not UTF-8"), std::string::npos) << forced.error;
    EXPECT_EQ(forced.errorLine, 2u);
    EXPECT_EQ(forced.errorColumn, 2u);
    // Tab-separated: columns counted by tabs.
    const DecodedText tabs = decodeInput("a\tb\tc\n1\t\xFF\n", InputEncoding::Automatic, '\t');
    EXPECT_EQ(tabs.errorColumn, 2u);
    // UTF-16 with a lone surrogate, and with an odd number of bytes.
    const DecodedText lone = decodeInput(std::string("\xFF\xFE" "a\0\n\0\x00\xD8" "b\0", 10), InputEncoding::Automatic, ',');
    EXPECT_EQ(lone.error, "an unpaired UTF-16 surrogate");
    EXPECT_EQ(lone.errorLine, 2u);
    EXPECT_EQ(decodeInput(std::string("\xFF\xFE" "a\0b", 5), InputEncoding::Automatic, ',').error,
              "the UTF-16 text ends in the middle of a character");
}

TEST(FirstInvalidUtf8, FindsMalformedSequences) {
    EXPECT_EQ(firstInvalidUtf8("abc血圧"), 9u);
    EXPECT_EQ(firstInvalidUtf8("ab\xC0\xAF"), 2u);          // overlong '/'
    EXPECT_EQ(firstInvalidUtf8("a\xED\xA0\x80"), 1u);       // a surrogate
    EXPECT_EQ(firstInvalidUtf8("a\xE8\xA1"), 1u);           // cut short
    EXPECT_EQ(firstInvalidUtf8("\xF4\x90\x80\x80"), 0u);    // above U+10FFFF
    EXPECT_EQ(firstInvalidUtf8("x\x8C\x8C"), 1u);           // code page 932 "血"
}

}  // namespace
