#include "names/name_resolution.h"

#include <set>

NameTable buildNameTable(const std::vector<std::string>& names, std::int32_t firstId,
                         LeadByteTest isLeadByte) {
    NameTable table;
    std::int32_t id = firstId;
    for (const std::string& name : names) {
        table[foldName(name, isLeadByte)] = id;
        ++id;
    }
    return table;
}

NameChoice chooseVariables(std::string_view text, const NameTable& table, LeadByteTest isLeadByte,
                           const DuplicateDecision& keepGoing) {
    NameChoice choice;
    std::set<std::int32_t> chosen;
    for (const std::string& line : splitLines(text)) {
        const std::string name = foldName(trimWhitespace(line), isLeadByte);
        if (name.empty()) continue;
        const auto found = table.find(name);
        if (found == table.end()) {
            choice.outcome = ChoiceOutcome::unknownName;
            choice.unknownName = name;
            return choice;
        }
        if (chosen.insert(found->second).second) {
            choice.ids.push_back(found->second);
        } else if (!keepGoing(name)) {
            choice.outcome = ChoiceOutcome::cancelled;
            return choice;
        }
    }
    return choice;
}
