#pragma once
// Which column a name on the command line means. A name matches the column
// that carries exactly that name first; only when no column does, names are
// compared with a-z folded to upper case (as the add-in compares them). So
// "Sc.Var.Maxis" and "Sc.Var.maxis" are two columns that each name reaches,
// and only a name that still fits two columns is ambiguous.
#include <cstddef>
#include <string>
#include <vector>

enum class NameMatch { none, one, ambiguous };

struct ColumnMatch {
    NameMatch outcome = NameMatch::none;
    std::size_t index = 0;  // the column matched; for ambiguous, the first of two
    std::size_t other = 0;  // for ambiguous, the second column that fits
};

// names: the candidates' names as the header has them (trimmed); an empty
// name or one whose entry in skip is true never matches. wanted is trimmed
// here.
ColumnMatch matchColumnName(const std::string& wanted, const std::vector<std::string>& names,
                            const std::vector<bool>& skip);

// The reason a name fits two candidates, naming both; with numbered, as
// columns of the file (1-based), otherwise as variables.
std::string ambiguityMessage(const std::string& wanted, const std::vector<std::string>& names,
                             const ColumnMatch& match, bool numbered);
