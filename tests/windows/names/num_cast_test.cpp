// NumCast of the real library.
#include <cstdint>
#include <string>

#include "expect_box.h"
#include "tavrel_library.h"

namespace {

const std::wstring badFormat = L"数値の書式が正しくありません。";
const std::wstring outOfRange = L"正しくない数値が入力されています。1以上65535以下の数値を入力してください。";
constexpr std::int32_t untouched = 4242;

NumCastFn numCast() {
    static const NumCastFn function = tavrelFunction<NumCastFn>("NumCast");
    return function;
}

struct Cast {
    std::int32_t answer = -1;
    std::int32_t value = untouched;
    std::vector<SeenMessageBox> boxes;
};

Cast cast(const char* text) {
    Cast result;
    MessageBoxScript script;
    result.answer = numCast()(text, &result.value);
    result.boxes = script.seen();
    return result;
}

TEST(NumCast, IsExported) {
    ASSERT_NE(numCast(), nullptr);
}

TEST(NumCast, AcceptsWholeNumbersFromOneTo65535Silently) {
    const std::pair<const char*, std::int32_t> cases[] = {{"1", 1}, {"65535", 65535}, {"+12", 12}, {"0012", 12}};
    for (const auto& [text, value] : cases) {
        const Cast result = cast(text);
        EXPECT_EQ(result.answer, 1) << text;
        EXPECT_EQ(result.value, value) << text;
        expectNoBox(result.boxes);
    }
}

TEST(NumCast, NumbersOutsideTheRangeAreStoredAndRefused) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"0", 0}, {"65536", 65536}, {"-5", -5}, {"-2147483648", INT32_MIN}};
    for (const auto& [text, value] : cases) {
        SCOPED_TRACE(text);
        const Cast result = cast(text);
        EXPECT_EQ(result.answer, 0);
        EXPECT_EQ(result.value, value);
        expectTavrelBox(result.boxes, outOfRange, BoxIcon::Error);
    }
}

TEST(NumCast, TextsThatAreNotPlainNumbersLeaveTheValueAlone) {
    for (const char* text : {"", " 12", "12 ", "12.0", "1e3", "1,000", "0x10", "12abc", "99999999999", "2147483648",
                             static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(text ? text : "(null)");
        const Cast result = cast(text);
        EXPECT_EQ(result.answer, 0);
        EXPECT_EQ(result.value, untouched);
        expectTavrelBox(result.boxes, badFormat, BoxIcon::Error);
    }
}

TEST(NumCast, WithoutAPlaceForTheValueReportsAFormatError) {
    MessageBoxScript script;
    EXPECT_EQ(numCast()("12", nullptr), 0);
    expectTavrelBox(script.seen(), badFormat, BoxIcon::Error);
}

}  // namespace
