#include "text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

#include "report/utf8_sequence.h"
#include "utf8.h"

namespace {

// Line and column of byte offset in text whose lines and cells are told
// apart by ASCII bytes: line feeds (a CR LF counts once) and delimiters
// outside quotation marks. Both code page 932 and UTF-8 keep those bytes
// out of their multibyte characters, so counting bytes is safe.
void locate(const std::string& text, std::size_t offset, char delimiter, DecodedText& out) {
    std::size_t line = 1, column = 1;
    bool quoted = false;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') quoted = !quoted;
        else if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
            ++line;
            if (!quoted) column = 1;
        } else if (c == delimiter && !quoted) ++column;
    }
    out.errorLine = line;
    out.errorColumn = column;
}

std::string hexByte(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

bool decodeUtf8(const std::string& text, std::size_t start, char delimiter, DecodedText& out) {
    const std::string body = text.substr(start);
    const std::size_t bad = firstInvalidUtf8(body);
    out.name = "UTF-8";
    if (bad < body.size()) {
        locate(body, bad, delimiter, out);
        out.error = "byte " + hexByte(static_cast<unsigned char>(body[bad])) +
                    " is not UTF-8 (give --encoding cp932 for a file saved as \"CSV (コンマ区切り)\")";
        return false;
    }
    out.utf8 = body;
    return true;
}

// Code page 932 through glibc's iconv, which knows Microsoft's extensions
// (NEC and IBM rows, the user-defined area) beyond plain Shift_JIS.
bool decodeCp932(const std::string& text, char delimiter, DecodedText& out) {
    out.name = "CP932";
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        out.error = "code page 932 is not available from iconv on this system";
        return false;
    }
    std::string result;
    std::string input = text;
    char* in = input.data();
    std::size_t inLeft = input.size();
    char buffer[4096];
    bool ok = true;
    while (inLeft > 0) {
        char* outPointer = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(converter, &in, &inLeft, &outPointer, &outLeft);
        result.append(buffer, sizeof buffer - outLeft);
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(converter);
    if (!ok) {
        const std::size_t bad = static_cast<std::size_t>(in - input.data());
        locate(text, bad, delimiter, out);
        out.error = "byte " + hexByte(static_cast<unsigned char>(text[bad])) +
                    " is neither UTF-8 nor code page 932 (Shift_JIS); save the sheet as \"CSV UTF-8\"";
        return false;
    }
    out.utf8 = std::move(result);
    return true;
}

bool decodeUtf16(const std::string& bytes, bool littleEndian, DecodedText& out) {
    out.name = littleEndian ? "UTF-16LE" : "UTF-16BE";
    out.wasUtf16 = true;
    auto unitAt = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(littleEndian ? (a | (b << 8)) : ((a << 8) | b));
    };
    std::size_t line = 1, column = 1;
    auto fail = [&](const std::string& reason) {
        out.error = reason;
        out.errorLine = line;
        out.errorColumn = column;
        return false;
    };
    std::string result;
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        if (i + 1 >= bytes.size()) return fail("the UTF-16 text ends in the middle of a character");
        char32_t code = unitAt(i);
        if (code >= 0xD800 && code <= 0xDBFF) {
            const char32_t low = i + 3 < bytes.size() ? unitAt(i + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF) return fail("an unpaired UTF-16 surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return fail("an unpaired UTF-16 surrogate");
        }
        if (code == '\n') {
            ++line;
            column = 1;
        } else if (code == '\t' || code == ',' || code == ';') {
            ++column;  // any delimiter: the column is only a hint
        }
        appendUtf8(result, code);
    }
    out.utf8 = std::move(result);
    return true;
}

bool startsWith(const std::string& bytes, const char* prefix, std::size_t length) {
    return bytes.size() >= length && bytes.compare(0, length, prefix, length) == 0;
}

}  // namespace

std::size_t firstInvalidUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const int length = utf8SequenceLength(static_cast<unsigned char>(text[i]));
        char32_t code = 0;
        if (!decodeUtf8Sequence(text, i, length, code)) return i;
        i += static_cast<std::size_t>(length);
    }
    return text.size();
}

DecodedText decodeInput(const std::string& bytes, InputEncoding encoding, char delimiter) {
    DecodedText out;
    if (startsWith(bytes, "\xFF\xFE", 2)) {
        decodeUtf16(bytes, true, out);
    } else if (startsWith(bytes, "\xFE\xFF", 2)) {
        decodeUtf16(bytes, false, out);
    } else if (startsWith(bytes, "\xEF\xBB\xBF", 3)) {
        decodeUtf8(bytes, 3, delimiter, out);
    } else if (encoding == InputEncoding::Cp932) {
        decodeCp932(bytes, delimiter, out);
    } else if (encoding == InputEncoding::Utf8 || firstInvalidUtf8(bytes) == bytes.size()) {
        decodeUtf8(bytes, 0, delimiter, out);
    } else {
        decodeCp932(bytes, delimiter, out);
    }
    return out;
}
