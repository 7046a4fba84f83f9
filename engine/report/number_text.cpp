#include "report/number_text.h"

#include <cmath>
#include <locale>
#include <sstream>

std::u16string formatNumber(double value) {
    if (std::isnan(value)) return u"nan";
    if (std::isinf(value)) return value > 0 ? u"inf" : u"-inf";
    // A fresh stream in the classic locale for every number: nothing of the
    // process locale or of an earlier conversion carries over.
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream.setf(std::ios::fixed, std::ios::floatfield);
    stream.precision(5);
    stream << value;
    const std::string text = stream.str();
    return std::u16string(text.begin(), text.end());
}

std::u16string significanceMarks(double pValue) {
    if (pValue <= 0.01) return u"**";
    if (pValue <= 0.05) return u"*";
    return u"";
}
