#include "names/name_text.h"

#include <gtest/gtest.h>

#include "code_page_932.h"
#include "names/lead_byte.h"

namespace {

using Lines = std::vector<std::string>;

TEST(TrimWhitespace, RemovesTheSixSpaceBytesAtBothEndsOnly) {
    EXPECT_EQ(trimWhitespace(" \t\n\v\f\r a b\t c \r\n"), "a b\t c");
    EXPECT_EQ(trimWhitespace("\n \r\n"), "");
    EXPECT_EQ(trimWhitespace(""), "");
    EXPECT_EQ(trimWhitespace("x"), "x");
}

TEST(TrimWhitespace, KeepsBytesFrom0x80UpAndOtherControls) {
    const std::string fullWidth = fullWidthSpaceCp932;
    EXPECT_EQ(trimWhitespace(fullWidth + "A" + fullWidth), fullWidth + "A" + fullWidth);
    // No-break space and next-line of single-byte code pages, and the
    // controls just outside 0x09-0x0D.
    EXPECT_EQ(trimWhitespace("\xA0" "A\x85"), "\xA0" "A\x85");
    EXPECT_EQ(trimWhitespace("\x08" "A\x0E"), "\x08" "A\x0E");
}

TEST(FoldName, UpperCasesOnlyTheAsciiLetters) {
    EXPECT_EQ(foldName("abc xyz", noLeadBytes), "ABC XYZ");
    EXPECT_EQ(foldName("MiXeD_09`{@[", noLeadBytes), "MIXED_09`{@[");
    // Latin-1 letters are not folded.
    EXPECT_EQ(foldName("\xE0\xE9\xFF", noLeadBytes), "\xE0\xE9\xFF");
    // UTF-8: every byte of a multibyte character is 0x80 or above.
    EXPECT_EQ(foldName("データcm", noLeadBytes), "データCM");
}

TEST(FoldName, LeavesTheTrailByteOfADoubleByteCharacterAlone) {
    EXPECT_EQ(foldName(dataCp932, isCodePage932LeadByte), dataCp932);
    EXPECT_EQ(foldName(tsuCp932, isCodePage932LeadByte), tsuCp932);
    EXPECT_EQ(foldName(std::string(heightCp932) + "cm", isCodePage932LeadByte), std::string(heightCp932) + "CM");
    // A lead byte whose trail byte is missing takes nothing with it.
    EXPECT_EQ(foldName("a\x83", isCodePage932LeadByte), "A\x83");
    // A single-byte katakana (0xA1-0xDF) is no lead byte: the next byte folds.
    EXPECT_EQ(foldName("\xB1" "a", isCodePage932LeadByte), "\xB1" "A");
}

TEST(SplitLines, SplitsAtEachLineFeedKeepingEmptyLines) {
    EXPECT_EQ(splitLines("a\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(splitLines("a\n\nb\n"), (Lines{"a", "", "b", ""}));
    EXPECT_EQ(splitLines(""), (Lines{""}));
    // A carriage return stays in its line (trimming removes it later); a
    // comma does not split.
    EXPECT_EQ(splitLines("a, b\r\nc\r"), (Lines{"a, b\r", "c\r"}));
}

TEST(AnsiLeadByte, NoAsciiByteIsALeadByte) {
    for (int byte = 0; byte < 0x80; ++byte) {
        EXPECT_FALSE(isAnsiLeadByte(static_cast<unsigned char>(byte))) << "byte " << byte;
    }
}

}  // namespace
