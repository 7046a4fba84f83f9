// NumCast: checks a whole number the user typed for the add-in.
#include <windows.h>

#include <cstdint>

#include "interface/message_box.h"
#include "names/whole_number.h"

// 1 when text is a whole number from 1 to 65535. Otherwise 0 after a message
// box: a text that is not a plain whole number of 32 bits leaves *value
// alone; a number outside the range is still stored in *value. A null text
// reads as empty; a null value has nowhere to go and counts as a format error.
extern "C" std::int32_t __stdcall NumCast(const char* text, std::int32_t* value) {
    const WholeNumber number = readWholeNumber(text != nullptr ? text : "");
    if (number.outcome == NumberOutcome::badFormat || value == nullptr) {
        showWideMessage(L"数値の書式が正しくありません。", MB_OK | MB_ICONERROR);
        return 0;
    }
    *value = number.value;
    if (number.outcome == NumberOutcome::outOfRange) {
        showWideMessage(numberOutOfRangeText,
                        MB_OK | MB_ICONERROR);
        return 0;
    }
    return 1;
}
