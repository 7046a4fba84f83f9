// VarNameToId: turns the variable names the user typed, one per line, into
// the indices of those names in the add-in's array of known names.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <vector>

#include "interface/input_arrays.h"
#include "interface/message_box.h"
#include "names/lead_byte.h"
#include "names/name_resolution.h"

namespace {

// Keeps an array locked for the lifetime of the object: every return after
// a successful lock unlocks it exactly once.
struct HeldLock {
    SAFEARRAY* array;
    ~HeldLock() { SafeArrayUnlock(array); }
};

// Asks whether to drop a repeated name; only Cancel abandons the list.
bool dropRepetition(const std::string& foldedName) {
    static const std::string question = codePage932(L"が重複しています。\n重複を除去して分析を行いますか？");
    return showNarrowMessage(foldedName + question, MB_OKCANCEL | MB_ICONEXCLAMATION) != IDCANCEL;
}

void reportUnknownName(const std::string& foldedName) {
    static const std::string prefix = codePage932(L"無効な変数名: ");
    showNarrowMessage(prefix + foldedName, MB_OK | MB_ICONERROR);
}

// A new one-dimensional array of 32-bit integers, indexed from 1; null when
// it cannot be made or filled.
SAFEARRAY* makeIdArray(const std::vector<std::int32_t>& ids) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(ids.size()), 1};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 1, &bound);
    if (array == nullptr) return nullptr;
    for (std::size_t k = 0; k < ids.size(); ++k) {
        LONG index = static_cast<LONG>(k + 1);
        LONG id = ids[k];
        if (FAILED(SafeArrayPutElement(array, &index, &id))) {
            SafeArrayDestroy(array);
            return nullptr;
        }
    }
    return array;
}

// Puts the ids into the caller's VARIANT. The array is made first, so that a
// failure leaves the VARIANT as it was. What the VARIANT held before is
// released: the add-in's variable may still hold the ids of an earlier call.
bool handBackIds(const std::vector<std::int32_t>& ids, VARIANT* result) {
    SAFEARRAY* array = makeIdArray(ids);
    if (array == nullptr) {
        showWideMessage(L"結果の配列を作成できませんでした。", MB_OK | MB_ICONERROR);
        return false;
    }
    VariantClear(result);
    VariantInit(result);
    V_VT(result) = VT_ARRAY | VT_I4;
    V_ARRAY(result) = array;
    return true;
}

}  // namespace

// 1 with the ids (in order of first mention) in *result; 0 after a message
// box, or silently when the names are not a one-dimensional array of strings
// or there is no VARIANT to fill. On 0 *result is left as it was. A null text
// reads as empty, a null element as an empty name.
extern "C" std::int32_t __stdcall VarNameToId(const char* text, SAFEARRAY** names, VARIANT* result) {
    if (result == nullptr) return 0;
    const std::string trimmed = trimWhitespace(text != nullptr ? text : "");
    if (trimmed.empty()) {
        showWideMessage(L"変数が指定されていません。", MB_OK | MB_ICONERROR);
        return 0;
    }
    SAFEARRAY* array = names != nullptr ? *names : nullptr;
    if (!lockArray(array)) return 0;
    const HeldLock lock{array};

    std::vector<std::string> known;
    LONG lower = 0;
    if (!readLockedNameArray(array, known, lower)) return 0;
    const NameTable table = buildNameTable(known, lower, isAnsiLeadByte);
    const NameChoice choice = chooseVariables(trimmed, table, isAnsiLeadByte, dropRepetition);
    if (choice.outcome == ChoiceOutcome::unknownName) {
        reportUnknownName(choice.unknownName);
        return 0;
    }
    if (choice.outcome == ChoiceOutcome::cancelled) return 0;
    return handBackIds(choice.ids, result) ? 1 : 0;
}
