#include "report/narrow_text.h"

#include "report/utf8_sequence.h"

namespace {

constexpr char16_t replacement = 0xFFFD;

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
        const int length = utf8SequenceLength(static_cast<unsigned char>(text[i]));
        char32_t code = 0;
        if (decodeUtf8Sequence(text, i, length, code)) {
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
