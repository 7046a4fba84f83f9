#include "report/narrow_text.h"

namespace {

constexpr char16_t replacement = 0xFFFD;

// Length of the UTF-8 sequence a lead byte starts, 0 for a byte that cannot
// start one.
int sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Decodes the sequence at text[i] of the given length; false when it is
// malformed (a bad continuation byte, an overlong form, a surrogate or a
// value beyond U+10FFFF).
bool decode(const std::string& text, std::size_t i, int length, char32_t& code) {
    if (i + static_cast<std::size_t>(length) > text.size()) return false;
    const auto lead = static_cast<unsigned char>(text[i]);
    code = length == 1 ? lead : (lead & (0x7Fu >> length));
    for (int j = 1; j < length; ++j) {
        const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(j)]);
        if ((next & 0xC0u) != 0x80u) return false;
        code = (code << 6) | (next & 0x3Fu);
    }
    static const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF) return false;
    return !(code >= 0xD800 && code <= 0xDFFF);
}

void append(std::u16string& out, char32_t code) {
    if (code < 0x10000) {
        out.push_back(static_cast<char16_t>(code));
        return;
    }
    code -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

}  // namespace

std::u16string narrowToUtf16(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const int length = sequenceLength(static_cast<unsigned char>(text[i]));
        char32_t code = 0;
        if (length > 0 && decode(text, i, length, code)) {
            append(out, code);
            i += static_cast<std::size_t>(length);
        } else {
            // A malformed byte stands for itself as one replacement character.
            out.push_back(replacement);
            ++i;
        }
    }
    return out;
}
