#pragma once
// Byte-level handling of variable names in narrow text: trimming, case
// folding and splitting a text into lines.
//
// Whitespace is what the classic locale calls space: the bytes 0x09-0x0D
// and 0x20. No byte from 0x80 up counts, so a full-width space (0x81 0x40 in
// code page 932) is part of a name. Folding upper-cases the single-byte
// letters 'a'-'z' only.
#include <string>
#include <string_view>
#include <vector>

// Tells whether a byte is the first of a double-byte character.
using LeadByteTest = bool (*)(unsigned char byte);

bool isNameSpace(char byte);

// The text without whitespace bytes at either end.
std::string trimWhitespace(std::string_view text);

// Upper-cases the single-byte letters 'a'-'z'. A lead byte takes the byte
// after it along unchanged: that trail byte may lie in 'a'-'z' (0x61-0x7A)
// and folding it would turn one Japanese character into another.
std::string foldName(std::string_view name, LeadByteTest isLeadByte);

// The lines of a text split at each line feed (0x0A); the last line needs no
// line feed. A text of n line feeds gives n + 1 lines, empty ones included.
std::vector<std::string> splitLines(std::string_view text);
