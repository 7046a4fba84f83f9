#include "csv.h"

namespace {

struct Cursor {
    const std::string& text;
    char delimiter = ',';
    std::size_t pos = 0;
    std::size_t line = 1;

    bool atEnd() const { return pos >= text.size(); }
    char peek() const { return text[pos]; }
    // Consumes a record break (LF or CR LF, or a lone CR); false if none is here.
    bool takeLineBreak() {
        if (atEnd()) return false;
        if (peek() == '\n') {
            ++pos;
        } else if (peek() == '\r') {
            ++pos;
            if (!atEnd() && peek() == '\n') ++pos;
        } else {
            return false;
        }
        ++line;
        return true;
    }
};

// Reads a quoted field, the cursor standing on its opening quote.
bool readQuoted(Cursor& in, CsvField& field, std::string& error) {
    ++in.pos;
    while (!in.atEnd()) {
        const char c = in.peek();
        if (c == '"') {
            if (in.pos + 1 < in.text.size() && in.text[in.pos + 1] == '"') {
                field.text += '"';
                in.pos += 2;
                continue;
            }
            ++in.pos;
            if (!in.atEnd() && in.peek() != in.delimiter && in.peek() != '\n' && in.peek() != '\r') {
                error = "unexpected text after a closing quotation mark";
                return false;
            }
            return true;
        }
        if (c == '\n' || c == '\r') {
            const std::size_t start = in.pos;
            in.takeLineBreak();
            field.text.append(in.text, start, in.pos - start);
            continue;
        }
        field.text += c;
        ++in.pos;
    }
    error = "a quoted field is not closed";
    return false;
}

void readPlain(Cursor& in, CsvField& field) {
    while (!in.atEnd() && in.peek() != in.delimiter && in.peek() != '\n' && in.peek() != '\r') {
        field.text += in.peek();
        ++in.pos;
    }
}

// Reads one record; the cursor ends after its line break.
bool readRecord(Cursor& in, CsvRecord& record, std::string& error) {
    while (true) {
        CsvField field;
        field.line = in.line;
        if (!in.atEnd() && in.peek() == '"') {
            if (!readQuoted(in, field, error)) return false;
        } else {
            readPlain(in, field);
        }
        record.push_back(std::move(field));
        if (in.atEnd() || in.takeLineBreak()) return true;
        ++in.pos;  // the delimiter
    }
}

bool isBlank(const CsvRecord& record) {
    return record.size() == 1 && record[0].text.empty();
}

}  // namespace

CsvParse parseCsv(const std::string& content, char delimiter) {
    CsvParse parse;
    Cursor in{content, delimiter};
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) in.pos = 3;
    while (!in.atEnd()) {
        CsvRecord record;
        const std::size_t line = in.line;
        if (!readRecord(in, record, parse.error)) {
            parse.errorLine = line;
            return parse;
        }
        if (!isBlank(record)) parse.records.push_back(std::move(record));
    }
    return parse;
}

std::string csvField(const std::string& text, char delimiter) {
    const char special[] = {delimiter, '"', '\r', '\n', '\0'};
    if (text.find_first_of(special) == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}
