#include "column_names.h"

#include "dataset.h"
#include "names/lead_byte.h"
#include "names/name_text.h"

namespace {

bool usable(const std::vector<std::string>& names, const std::vector<bool>& skip, std::size_t c) {
    return !names[c].empty() && !(c < skip.size() && skip[c]);
}

// The columns whose name equals wanted under the given comparison; at most
// the first two are looked for, which is all a decision needs.
template <typename Same>
ColumnMatch firstTwo(const std::vector<std::string>& names, const std::vector<bool>& skip, Same same) {
    ColumnMatch match;
    for (std::size_t c = 0; c < names.size(); ++c) {
        if (!usable(names, skip, c) || !same(names[c])) continue;
        if (match.outcome == NameMatch::none) {
            match.outcome = NameMatch::one;
            match.index = c;
        } else {
            match.outcome = NameMatch::ambiguous;
            match.other = c;
            break;
        }
    }
    return match;
}

}  // namespace

ColumnMatch matchColumnName(const std::string& wanted, const std::vector<std::string>& names,
                            const std::vector<bool>& skip) {
    const std::string name = trimName(wanted);
    const ColumnMatch exact = firstTwo(names, skip, [&name](const std::string& n) { return n == name; });
    if (exact.outcome != NameMatch::none) return exact;
    const std::string folded = foldName(name, isAnsiLeadByte);
    return firstTwo(names, skip,
                    [&folded](const std::string& n) { return foldName(n, isAnsiLeadByte) == folded; });
}

std::string ambiguityMessage(const std::string& wanted, const std::vector<std::string>& names,
                             const ColumnMatch& match, bool numbered) {
    const auto describe = [&](std::size_t c) {
        const std::string name = "'" + names[c] + "'";
        return numbered ? "column " + std::to_string(c + 1) + " (" + name + ")" : name;
    };
    const bool sameName = names[match.index] == names[match.other];
    return "the name '" + trimName(wanted) + "' fits both " + describe(match.index) + " and " +
           describe(match.other) +
           (sameName ? "; rename one of them in the header" : "; give the name exactly as the header writes it");
}
