#pragma once
// Reading one UTF-8 sequence: the length its lead byte announces, and its
// code point when it is well formed.
#include <cstddef>
#include <string>

// Length of the UTF-8 sequence a lead byte starts, 0 for a byte that cannot
// start one.
inline int utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Decodes the sequence of the given length (from utf8SequenceLength) at
// text[i]; false when it is malformed: cut short, a bad continuation byte,
// an overlong form, a surrogate or a value beyond U+10FFFF.
inline bool decodeUtf8Sequence(const std::string& text, std::size_t i, int length, char32_t& code) {
    if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) return false;
    const auto lead = static_cast<unsigned char>(text[i]);
    code = length == 1 ? lead : (lead & (0x7Fu >> length));
    for (int j = 1; j < length; ++j) {
        const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(j)]);
        if ((next & 0xC0u) != 0x80u) return false;
        code = (code << 6) | (next & 0x3Fu);
    }
    static const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    return code >= smallest[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
}
