#include "names/name_resolution.h"

#include <gtest/gtest.h>

#include "code_page_932.h"

namespace {

using Ids = std::vector<std::int32_t>;
using Names = std::vector<std::string>;

// Answers the duplicate prompt with the given answers in turn (true = drop
// the repetition and go on), and records the names it was asked about.
struct DuplicatePrompt {
    std::vector<bool> answers;
    Names asked;

    DuplicateDecision decision() {
        return [this](const std::string& name) {
            const bool answer = asked.size() < answers.size() ? answers[asked.size()] : true;
            asked.push_back(name);
            return answer;
        };
    }
};

NameChoice choose(const std::string& text, const Names& known, std::int32_t firstId = 1,
                  DuplicatePrompt* prompt = nullptr, LeadByteTest leadBytes = noLeadBytes) {
    DuplicatePrompt unused;
    DuplicatePrompt& used = prompt ? *prompt : unused;
    return chooseVariables(text, buildNameTable(known, firstId, leadBytes), leadBytes, used.decision());
}

TEST(ChooseVariables, TrimsAndFoldsEachLineAndKeepsTheOrderOfMention) {
    const NameChoice choice = choose("c\nA\n b ", {"a", "b", "c"});
    EXPECT_EQ(choice.outcome, ChoiceOutcome::chosen);
    EXPECT_EQ(choice.ids, (Ids{3, 1, 2}));
}

TEST(ChooseVariables, SkipsEmptyLinesAndAcceptsCarriageReturns) {
    EXPECT_EQ(choose("a\r\n\r\n  \t\n\nc\r\n", {"a", "b", "c"}).ids, (Ids{1, 3}));
}

TEST(ChooseVariables, ACommaOrAnInnerSpaceBelongsToTheName) {
    EXPECT_EQ(choose("a, b", {"a", "b", "A, B"}).ids, (Ids{3}));
    const NameChoice split = choose("a, b", {"a", "b"});
    EXPECT_EQ(split.outcome, ChoiceOutcome::unknownName);
    EXPECT_EQ(split.unknownName, "A, B");
}

TEST(ChooseVariables, EqualFoldedNamesResolveToTheHighestIndex) {
    EXPECT_EQ(choose("X", {"X", "y", "x"}).ids, (Ids{3}));
    EXPECT_EQ(choose("x", {"x", "X"}, 0).ids, (Ids{1}));
}

TEST(ChooseVariables, KnownNamesWithSpacesAtTheirEndsCannotBeMatched) {
    EXPECT_EQ(choose(" a ", {" a ", "b"}).outcome, ChoiceOutcome::unknownName);
    EXPECT_EQ(choose("a", {"a ", "b"}).unknownName, "A");
}

TEST(ChooseVariables, AFullWidthSpaceIsPartOfTheName) {
    const std::string spaced = std::string("Age") + fullWidthSpaceCp932;
    const NameChoice choice = choose(spaced, {"Age"}, 1, nullptr, isCodePage932LeadByte);
    EXPECT_EQ(choice.outcome, ChoiceOutcome::unknownName);
    EXPECT_EQ(choice.unknownName, std::string("AGE") + fullWidthSpaceCp932);
    EXPECT_EQ(choose(spaced, {"age", spaced}, 1, nullptr, isCodePage932LeadByte).ids, (Ids{2}));
}

TEST(ChooseVariables, AJapaneseNameWithALowerCaseTrailByteMatchesOnlyItself) {
    // Folding the trail bytes would make データ and ェータ (and ツ and イ)
    // one name, so the later would win for both.
    const Names known = {eDataCp932, dataCp932, iCp932, tsuCp932};
    DuplicatePrompt prompt;
    const std::string text = std::string(dataCp932) + "\n" + eDataCp932 + "\n" + tsuCp932 + "\n" + iCp932;
    const NameChoice choice = choose(text, known, 1, &prompt, isCodePage932LeadByte);
    EXPECT_EQ(choice.ids, (Ids{2, 1, 4, 3}));
    EXPECT_TRUE(prompt.asked.empty());

    const NameChoice unknown = choose(tsuCp932, {iCp932}, 1, nullptr, isCodePage932LeadByte);
    EXPECT_EQ(unknown.outcome, ChoiceOutcome::unknownName);
    EXPECT_EQ(unknown.unknownName, tsuCp932);
}

TEST(ChooseVariables, AnUnknownNameFailsTheWholeListAndIsReportedFolded) {
    DuplicatePrompt prompt;
    const NameChoice choice = choose("a\na\nweight\nb", {"a", "b"}, 1, &prompt);
    EXPECT_EQ(choice.outcome, ChoiceOutcome::unknownName);
    EXPECT_EQ(choice.unknownName, "WEIGHT");
    // The repetition before it was asked about; nothing after it was looked at.
    EXPECT_EQ(prompt.asked, (Names{"A"}));
}

TEST(ChooseVariables, WithoutKnownNamesTheFirstNameIsUnknown) {
    const NameChoice choice = choose("\n\n  first\nsecond", {});
    EXPECT_EQ(choice.outcome, ChoiceOutcome::unknownName);
    EXPECT_EQ(choice.unknownName, "FIRST");
}

TEST(ChooseVariables, EachRepetitionAsksWhereItStandsAndOkDropsIt) {
    DuplicatePrompt prompt;
    const NameChoice choice = choose("age\nb\nAGE\nAge\nb", {"Age", "b"}, 1, &prompt);
    EXPECT_EQ(choice.outcome, ChoiceOutcome::chosen);
    EXPECT_EQ(choice.ids, (Ids{1, 2}));
    EXPECT_EQ(prompt.asked, (Names{"AGE", "AGE", "B"}));
}

TEST(ChooseVariables, CancelAtARepetitionAbandonsTheList) {
    DuplicatePrompt prompt{{true, false}, {}};
    const NameChoice choice = choose("a\na\nb\nb\nc\nc", {"a", "b", "c"}, 1, &prompt);
    EXPECT_EQ(choice.outcome, ChoiceOutcome::cancelled);
    EXPECT_EQ(prompt.asked, (Names{"A", "B"}));
}

TEST(ChooseVariables, IdsAreTheKnownNamesOwnIndices) {
    EXPECT_EQ(choose("b\na", {"a", "b"}, 0).ids, (Ids{1, 0}));
    EXPECT_EQ(choose("c\na", {"a", "b", "c"}, -5).ids, (Ids{-3, -5}));
    EXPECT_EQ(choose("b", {"a", "b"}, 1000).ids, (Ids{1001}));
}

}  // namespace
