#include "names/whole_number.h"

#include <boost/lexical_cast.hpp>

WholeNumber readWholeNumber(std::string_view text) {
    WholeNumber number;
    if (text.empty()) return number;
    // lexical_cast to an integer accepts exactly a sign and digits, nothing
    // around them, and refuses values beyond the type's range.
    try {
        number.value = boost::lexical_cast<std::int32_t>(text.data(), text.size());
    } catch (const boost::bad_lexical_cast&) {
        return number;
    }
    const bool inRange = number.value >= smallestWholeNumber && number.value <= largestWholeNumber;
    number.outcome = inRange ? NumberOutcome::accepted : NumberOutcome::outOfRange;
    return number;
}
