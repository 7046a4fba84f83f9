// VarNameToId of the real library.
#include <cstdint>
#include <string>
#include <vector>

#include "expect_box.h"
#include "safe_arrays.h"
#include "tavrel_library.h"

namespace {

using Ids = std::vector<std::int32_t>;

const std::wstring noNames = L"変数が指定されていません。";
const std::wstring lockFailed = L"配列のロックに失敗しました。";

std::wstring invalidName(const std::wstring& name) {
    return L"無効な変数名: " + name;
}

std::wstring repeated(const std::wstring& name) {
    return name + L"が重複しています。\n重複を除去して分析を行いますか？";
}

VarNameToIdFn varNameToId() {
    static const VarNameToIdFn function = tavrelFunction<VarNameToIdFn>("VarNameToId");
    return function;
}

// What one call gave: its answer, the boxes it showed, and the result
// VARIANT read out (it starts as the integer 77, so that a 0 can be seen to
// leave it alone).
struct Call {
    std::int32_t answer = -1;
    std::vector<SeenMessageBox> boxes;
    VARTYPE type = VT_EMPTY;
    std::int32_t untouchedValue = 0;
    UINT dimensions = 0;
    LONG lower = 0;
    Ids ids;

    bool untouched() const { return type == VT_I4 && untouchedValue == 77; }
};

void readResult(VARIANT& result, Call& call) {
    call.type = V_VT(&result);
    if (call.type == VT_I4) call.untouchedValue = V_I4(&result);
    if (call.type != (VT_ARRAY | VT_I4) || V_ARRAY(&result) == nullptr) return;
    SAFEARRAY* array = V_ARRAY(&result);
    call.dimensions = SafeArrayGetDim(array);
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &call.lower);
    SafeArrayGetUBound(array, 1, &upper);
    for (LONG i = call.lower; i <= upper; ++i) {
        LONG id = 0;
        SafeArrayGetElement(array, &i, &id);
        call.ids.push_back(id);
    }
}

// A names array the call has finished with must be unlocked: resizing it
// (to its own size) fails on a locked array.
void expectUnlocked(SAFEARRAY* array) {
    if (array == nullptr) return;
    const UINT dimensions = SafeArrayGetDim(array);
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, dimensions, &lower);
    SafeArrayGetUBound(array, dimensions, &upper);
    SAFEARRAYBOUND bound{static_cast<ULONG>(upper - lower + 1), lower};
    EXPECT_EQ(SafeArrayRedim(array, &bound), S_OK) << "the names array is still locked";
}

Call call(const char* text, SAFEARRAY** names, std::vector<int> answers = {}) {
    Call result;
    VARIANT variant;
    VariantInit(&variant);
    V_VT(&variant) = VT_I4;
    V_I4(&variant) = 77;
    {
        MessageBoxScript script(std::move(answers));
        result.answer = varNameToId()(text, names, &variant);
        result.boxes = script.seen();
    }
    readResult(variant, result);
    VariantClear(&variant);
    if (names != nullptr) expectUnlocked(*names);
    return result;
}

Call call(const std::string& text, OwnedArray& names, std::vector<int> answers = {}) {
    return call(text.c_str(), names.ref(), std::move(answers));
}

void expectIds(const Call& result, const Ids& ids) {
    EXPECT_EQ(result.answer, 1);
    EXPECT_EQ(result.type, VT_ARRAY | VT_I4) << "type " << result.type;
    EXPECT_EQ(result.dimensions, 1u);
    EXPECT_EQ(result.lower, 1);
    EXPECT_EQ(result.ids, ids);
}

void expectRefused(const Call& result) {
    EXPECT_EQ(result.answer, 0);
    EXPECT_TRUE(result.untouched()) << "the result VARIANT was changed to type " << result.type;
}

TEST(VarNameToId, IsExported) {
    ASSERT_NE(varNameToId(), nullptr);
}

TEST(VarNameToId, HandsBackIdsInOrderOfFirstMentionIndexedFromOne) {
    OwnedArray names = makeNameArray({"a", "b", "c"});
    const Call result = call("c\nA\n b ", names);
    expectIds(result, {3, 1, 2});
    EXPECT_EQ(result.type, 0x2003);
    expectNoBox(result.boxes);
}

TEST(VarNameToId, JapaneseNamesMatchOnlyThemselves) {
    // The second byte of デ (0x83 0x66) and of ツ (0x83 0x63) lies in 'a'-'z';
    // upper-casing it would turn them into ェ and イ.
    OwnedArray names = makeNameArray({cp932(L"ェータ"), cp932(L"データ"), cp932(L"イ"), cp932(L"ツ"), cp932(L"身長")});
    const Call result = call(cp932(L"データ\nェータ\nツ\nイ\n 身長 "), names);
    expectIds(result, {2, 1, 4, 3, 5});
    expectNoBox(result.boxes);

    OwnedArray onlyE = makeNameArray({cp932(L"ェータ")});
    const Call unknown = call(cp932(L"データ"), onlyE);
    expectRefused(unknown);
    expectTavrelBox(unknown.boxes, invalidName(L"データ"), BoxIcon::Error);
}

TEST(VarNameToId, TextWithoutNamesIsReportedBeforeTheArrayIsLookedAt) {
    // The names array is null: looking at it would show the lock message.
    for (const char* text : {"", "\n  \r\n\t", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(text ? text : "(null)");
        SAFEARRAY* none = nullptr;
        const Call result = call(text, &none);
        expectRefused(result);
        expectTavrelBox(result.boxes, noNames, BoxIcon::Error);
    }
}

TEST(VarNameToId, AnArrayThatCannotBeLockedIsReported) {
    SAFEARRAY* none = nullptr;
    const Call nullArray = call("a", &none);
    expectRefused(nullArray);
    expectTavrelBox(nullArray.boxes, lockFailed, BoxIcon::Error);

    const Call nullReference = call("a", nullptr);
    expectRefused(nullReference);
    expectTavrelBox(nullReference.boxes, lockFailed, BoxIcon::Error);
}

TEST(VarNameToId, ArraysOfOtherShapesAreRefusedSilently) {
    {
        SCOPED_TRACE("two-dimensional strings");
        SAFEARRAYBOUND bounds[2] = {{2, 1}, {1, 1}};
        OwnedArray names(SafeArrayCreate(VT_BSTR, 2, bounds));
        LONG index[2] = {1, 1};
        BSTR element = SysAllocStringByteLen("a", 1);
        SafeArrayPutElement(names.array, index, element);
        SysFreeString(element);
        const Call result = call("a", names);
        expectRefused(result);
        expectNoBox(result.boxes);
    }
    for (VARTYPE type : {VT_I4, VT_VARIANT}) {
        SCOPED_TRACE("one-dimensional, element type " + std::to_string(type));
        SAFEARRAYBOUND bound{2, 1};
        OwnedArray names(SafeArrayCreate(type, 1, &bound));
        const Call result = call("a", names);
        expectRefused(result);
        expectNoBox(result.boxes);
    }
}

TEST(VarNameToId, AnUnknownNameFailsTheWholeCall) {
    OwnedArray names = makeNameArray({"Age", cp932(L"身長")});
    const Call ascii = call("age\nweight\nAge", names);
    expectRefused(ascii);
    expectTavrelBox(ascii.boxes, invalidName(L"WEIGHT"), BoxIcon::Error);

    // The name is shown folded, its Japanese characters unchanged.
    const Call japanese = call(cp932(L"身長cm"), names);
    expectRefused(japanese);
    expectTavrelBox(japanese.boxes, invalidName(L"身長CM"), BoxIcon::Error);

    // A name with a space at its end in the array can never be matched.
    OwnedArray spaced = makeNameArray({"Age "});
    const Call unmatched = call("Age ", spaced);
    expectRefused(unmatched);
    expectTavrelBox(unmatched.boxes, invalidName(L"AGE"), BoxIcon::Error);
}

TEST(VarNameToId, AnEmptyArrayMakesTheFirstNameUnknown) {
    OwnedArray names = makeNameArray({});
    const Call result = call("\nfirst\nsecond", names);
    expectRefused(result);
    expectTavrelBox(result.boxes, invalidName(L"FIRST"), BoxIcon::Error);
}

TEST(VarNameToId, OkAtTheDuplicatePromptDropsTheRepetition) {
    OwnedArray names = makeNameArray({"Age", "b"});
    const Call result = call("age\nb\nAGE", names, {IDOK});
    expectIds(result, {1, 2});
    expectTavrelBox(result.boxes, repeated(L"AGE"), BoxIcon::Warning, {IDOK, IDCANCEL});
}

TEST(VarNameToId, CancelAtTheDuplicatePromptRefusesTheCall) {
    OwnedArray names = makeNameArray({cp932(L"年齢"), "b"});
    const Call result = call(cp932(L"年齢\nb\n年齢\nb"), names, {IDCANCEL});
    expectRefused(result);
    expectTavrelBox(result.boxes, repeated(L"年齢"), BoxIcon::Warning, {IDOK, IDCANCEL});
}

TEST(VarNameToId, IdsAreTheArraysOwnIndices) {
    const std::pair<LONG, Ids> cases[] = {{0, {2, 0}}, {-3, {-1, -3}}, {10, {12, 10}}};
    for (const auto& [lower, ids] : cases) {
        SCOPED_TRACE("lower bound " + std::to_string(lower));
        OwnedArray names = makeNameArray({"a", "b", "c"}, lower);
        const Call result = call("c\na", names);
        expectIds(result, ids);
        expectNoBox(result.boxes);
    }
}

TEST(VarNameToId, AMissingElementIsAnEmptyName) {
    SAFEARRAYBOUND bound{3, 1};
    OwnedArray names(SafeArrayCreate(VT_BSTR, 1, &bound));
    for (LONG index : {1, 3}) {
        BSTR element = SysAllocStringByteLen(index == 1 ? "a" : "c", 1);
        SafeArrayPutElement(names.array, &index, element);
        SysFreeString(element);
    }
    const Call result = call("c\na", names);
    expectIds(result, {3, 1});
}

TEST(VarNameToId, ElementsAreReadUpToTheirFirstZeroByte) {
    OwnedArray names = makeNameArray({std::string("a\0junk", 6), "b"});
    expectIds(call("a\nb", names), {1, 2});
}

TEST(VarNameToId, ReplacesWhatTheResultHeldBefore) {
    OwnedArray names = makeNameArray({"a", "b"});
    VARIANT variant;
    VariantInit(&variant);
    Call first, second;
    first.answer = varNameToId()("a\nb", names.ref(), &variant);
    readResult(variant, first);
    expectIds(first, {1, 2});
    // The same VARIANT again, now holding the first call's array.
    second.answer = varNameToId()("b", names.ref(), &variant);
    readResult(variant, second);
    expectIds(second, {2});
    VariantClear(&variant);
}

TEST(VarNameToId, WithoutAResultVariantNothingHappens) {
    OwnedArray names = makeNameArray({"a"});
    MessageBoxScript script;
    EXPECT_EQ(varNameToId()("a", names.ref(), nullptr), 0);
    expectNoBox(script.seen());
    expectUnlocked(names.array);
}

}  // namespace
