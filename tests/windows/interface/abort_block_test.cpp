// AbortReg while the block of a large run is being built: the answer comes
// at once, not after the statistics of every kept model. A program of its
// own, so that a slow answer cannot hold up the other run-control tests.
#include <chrono>

#include "run_fixture.h"

namespace {

TEST(AbortReg, AnswersWithinAFifthOfASecondDuringALargeBlock) {
    // 100,000 observations and 65535 kept models of 20 variables: the
    // block's statistics and rows take far longer than the answer may.
    RunInput input = noiseRun(20, 100000, 65535);
    ASSERT_EQ(input.start(), 1);
    VARIANT result;
    VariantInit(&result);
    // The screening is over once the progress stands at 99 (the block is
    // being built then); each answer comes after half a second.
    std::int32_t answer = 0;
    for (int i = 0; i < 600 && answer != 99 && answer != -1; ++i) answer = exports().getProgress(&result);
    ASSERT_EQ(answer, 99) << "the run ended or never reached its block";
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(exports().abortReg(), 0);
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 200);
    // Nothing of the stopped run is handed back.
    EXPECT_EQ(exports().getProgress(&result), -1);
    EXPECT_EQ(V_VT(&result), VT_EMPTY);
}

}  // namespace
