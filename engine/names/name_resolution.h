#pragma once
// Turning the user's list of variable names (one per line) into variable
// ids: the index of each name in the list of known names.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "names/name_text.h"

// Folded known name -> id. Known names are folded but not trimmed, so one
// with a space at either end can never be matched by a (trimmed) line.
using NameTable = std::map<std::string, std::int32_t>;

// Entry i of names gets the id firstId + i. Equal folded names keep the
// highest id: later entries replace earlier ones.
NameTable buildNameTable(const std::vector<std::string>& names, std::int32_t firstId,
                         LeadByteTest isLeadByte);

// Asked with the folded name of a line that repeats an earlier choice: true
// drops the repetition and goes on, false abandons the whole list.
using DuplicateDecision = std::function<bool(const std::string& foldedName)>;

enum class ChoiceOutcome { chosen, unknownName, cancelled };

struct NameChoice {
    ChoiceOutcome outcome = ChoiceOutcome::chosen;
    std::vector<std::int32_t> ids;  // chosen ids in order of first mention
    std::string unknownName;        // the folded line that named no variable
};

// Each line of text is trimmed and folded; empty lines are skipped; a comma
// or an inner space is part of the name. The first line naming no variable
// ends the choice (whatever was chosen before it); a repeated variable asks
// keepGoing at the place where the repetition stands.
NameChoice chooseVariables(std::string_view text, const NameTable& table, LeadByteTest isLeadByte,
                           const DuplicateDecision& keepGoing);
