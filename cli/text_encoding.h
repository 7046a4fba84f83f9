#pragma once
// The encodings Japanese Excel saves text in, turned into UTF-8: "CSV (コン
// マ区切り)" is code page 932, "CSV UTF-8" is UTF-8 with a byte order mark,
// "Unicode テキスト" is UTF-16 little-endian with a byte order mark and tabs.
#include <cstddef>
#include <string>

enum class InputEncoding { Automatic, Utf8, Cp932 };

struct DecodedText {
    std::string utf8;          // the content, without a byte order mark
    bool wasUtf16 = false;     // the file was UTF-16 (its cells are tab-separated by default)
    const char* name = "";     // the encoding read: "UTF-8", "CP932", "UTF-16LE" or "UTF-16BE"
    std::string error;         // empty on success; otherwise the reason
    std::size_t errorLine = 0; // 1-based line of the first byte that could not be decoded
    std::size_t errorColumn = 0;  // 1-based column (cells counted by delimiter) of that byte
};

// A byte order mark decides (UTF-8, UTF-16LE, UTF-16BE). Without one, the
// requested encoding is used; Automatic reads valid UTF-8 as UTF-8 and
// anything else as code page 932. delimiter serves only to say in which
// column an undecodable byte stands.
DecodedText decodeInput(const std::string& bytes, InputEncoding encoding, char delimiter);

// Offset of the first byte that does not belong to a well-formed UTF-8
// sequence (no overlong forms, no surrogates, nothing above U+10FFFF), or
// text.size() when the whole text is valid.
std::size_t firstInvalidUtf8(const std::string& text);
