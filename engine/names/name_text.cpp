#include "names/name_text.h"

// Classification and folding are spelled out byte by byte instead of going
// through std::ctype<char>: with MinGW's runtime that facet defers to the C
// runtime's toupper and tables, which follow whatever C locale the host
// process has set, where bytes above 0x7F may count as space or letters.

bool isNameSpace(char byte) {
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

std::string trimWhitespace(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isNameSpace(text[begin])) ++begin;
    while (end > begin && isNameSpace(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

std::string foldName(std::string_view name, LeadByteTest isLeadByte) {
    std::string folded(name);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const char byte = folded[i];
        if (isLeadByte(static_cast<unsigned char>(byte))) {
            ++i;  // skip the trail byte
        } else if (byte >= 'a' && byte <= 'z') {
            folded[i] = static_cast<char>(byte - 'a' + 'A');
        }
    }
    return folded;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t feed = text.find('\n', start);
        if (feed == std::string_view::npos) break;
        lines.emplace_back(text.substr(start, feed - start));
        start = feed + 1;
    }
    lines.emplace_back(text.substr(start));
    return lines;
}
