#pragma once
// Checks of the message boxes the library showed: caption "Tavrel", the
// exact text, the icon and the buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "message_box_script.h"

inline void expectBox(const SeenMessageBox& box, const std::wstring& text, BoxIcon icon,
                      const std::vector<int>& buttons = {IDOK}) {
    EXPECT_EQ(box.caption, L"Tavrel") << describe(box);
    EXPECT_EQ(box.text, text) << describe(box);
    EXPECT_EQ(box.icon, icon) << describe(box);
    EXPECT_EQ(box.buttons, buttons) << describe(box);
}

// Exactly one box was seen, and it is this one.
inline void expectTavrelBox(const std::vector<SeenMessageBox>& seen, const std::wstring& text, BoxIcon icon,
                            const std::vector<int>& buttons = {IDOK}) {
    ASSERT_EQ(seen.size(), 1u) << (seen.empty() ? std::string("no box") : describe(seen[1]));
    expectBox(seen.front(), text, icon, buttons);
}

inline void expectNoBox(const std::vector<SeenMessageBox>& seen) {
    EXPECT_TRUE(seen.empty()) << describe(seen.front());
}
