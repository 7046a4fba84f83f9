#include "module_source.h"

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <regex>
#include <stdexcept>

namespace {

struct IconvCloser {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};

// One line (without its line end) in code page 932; false when a character
// has no code page 932 form or the bytes are not UTF-8.
bool convertLine(iconv_t converter, const std::string& line, std::string& out) {
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string input = line;
    char* in = input.data();
    std::size_t inLeft = input.size();
    std::string buffer(input.size() * 2 + 16, '\0');
    char* target = buffer.data();
    std::size_t outLeft = buffer.size();
    if (iconv(converter, &in, &inLeft, &target, &outLeft) == static_cast<std::size_t>(-1)) return false;
    out.append(buffer.data(), buffer.size() - outLeft);
    return true;
}

}  // namespace

std::string toCodePage932(const std::string& utf8, const std::string& fileName) {
    iconv_t raw = iconv_open("CP932", "UTF-8");
    if (raw == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert UTF-8 to CP932");
    const std::unique_ptr<void, IconvCloser> converter(raw);
    std::string out;
    std::size_t start = 0;
    for (int lineNumber = 1; start <= utf8.size(); ++lineNumber) {
        std::size_t end = utf8.find('\n', start);
        if (end == std::string::npos) end = utf8.size();
        if (!convertLine(raw, utf8.substr(start, end - start), out)) {
            throw std::runtime_error(fileName + ":" + std::to_string(lineNumber) +
                                     ": a character that code page 932 cannot hold (or bytes that are not UTF-8)");
        }
        if (end == utf8.size()) break;
        out += '\n';
        start = end + 1;
    }
    return out;
}

std::string normalizeLineEnds(const std::string& text) {
    std::string body = text.rfind("\xEF\xBB\xBF", 0) == 0 ? text.substr(3) : text;
    std::string out;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n') continue;
        if (body[i] == '\n') {
            out += "\r\n";
        } else {
            out += body[i];
        }
    }
    if (!out.empty() && (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0)) out += "\r\n";
    return out;
}

VbaModule readModule(const std::string& utf8Source, const std::string& fileName) {
    const std::string normalized = normalizeLineEnds(utf8Source);
    const std::string firstLine = normalized.substr(0, normalized.find("\r\n"));
    static const std::regex nameLine(R"re(Attribute VB_Name = "([A-Za-z][A-Za-z0-9_]{0,30})")re");
    std::smatch match;
    if (!std::regex_match(firstLine, match, nameLine)) {
        throw std::runtime_error(fileName +
                                 ":1: the first line must be Attribute VB_Name = \"Name\" (an ASCII VBA identifier)");
    }
    return {match[1].str(), toCodePage932(normalized, fileName)};
}
