#include "message_box_script.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace {

thread_local MessageBoxScript* activeScript = nullptr;

bool isDialog(HWND window) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return std::wstring(className) == L"#32770";
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

// The message text is the static control with id 0xFFFF.
std::wstring messageText(HWND dialog) {
    HWND text = GetDlgItem(dialog, 0xFFFF);
    return text ? windowText(text) : std::wstring();
}

struct IconSearch {
    HICON icon = nullptr;
};

BOOL CALLBACK findIcon(HWND child, LPARAM parameter) {
    auto* search = reinterpret_cast<IconSearch*>(parameter);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
        search->icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        if (search->icon) return FALSE;
    }
    return TRUE;
}

// The system icons are shared, so the icon a box shows is one of them by
// handle.
BoxIcon iconOf(HWND dialog) {
    IconSearch search;
    EnumChildWindows(dialog, findIcon, reinterpret_cast<LPARAM>(&search));
    if (search.icon == nullptr) return BoxIcon::None;
    if (search.icon == LoadIconW(nullptr, IDI_HAND)) return BoxIcon::Error;
    if (search.icon == LoadIconW(nullptr, IDI_EXCLAMATION)) return BoxIcon::Warning;
    if (search.icon == LoadIconW(nullptr, IDI_ASTERISK)) return BoxIcon::Information;
    if (search.icon == LoadIconW(nullptr, IDI_QUESTION)) return BoxIcon::Question;
    return BoxIcon::None;
}

}  // namespace

SeenMessageBox readMessageBox(HWND dialog) {
    SeenMessageBox box;
    box.caption = windowText(dialog);
    box.text = messageText(dialog);
    for (int id = IDOK; id <= IDCONTINUE; ++id) {
        if (GetDlgItem(dialog, id) != nullptr) box.buttons.push_back(id);
    }
    box.icon = iconOf(dialog);
    return box;
}

void pressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

MessageBoxScript::MessageBoxScript(std::vector<int> answers, bool failOnBox)
    : answers_(std::move(answers)), failOnBox_(failOnBox), outer_(activeScript) {
    activeScript = this;
    hook_ = SetWindowsHookExW(WH_CBT, &MessageBoxScript::hook, nullptr, GetCurrentThreadId());
}

MessageBoxScript::~MessageBoxScript() {
    if (hook_) UnhookWindowsHookEx(hook_);
    activeScript = outer_;
}

void MessageBoxScript::answer(HWND dialog) {
    // A box can be activated again before the button pressed for it has
    // closed it (when a window of another test program took the activation
    // meanwhile): it is one box, seen and answered once.
    for (HWND answered : answered_) {
        if (answered == dialog) return;
    }
    answered_.push_back(dialog);
    SeenMessageBox box = readMessageBox(dialog);
    int id = IDOK;
    if (seen_.size() < answers_.size()) {
        id = answers_[seen_.size()];
    } else if (GetDlgItem(dialog, IDOK) == nullptr) {
        id = IDCANCEL;
    }
    box.answered = id;
    seen_.push_back(box);
    pressButton(dialog, id);
    if (failOnBox_) ADD_FAILURE() << "unexpected message box " << describe(box);
}

LRESULT CALLBACK MessageBoxScript::hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activeScript != nullptr) {
        HWND window = reinterpret_cast<HWND>(wParam);
        // Tests run side by side in one Wine prefix, and when our own box
        // closes, Wine may call this hook for activating another program's
        // box: only a dialog this thread created is ours to answer.
        if (isDialog(window) && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
            // Answered by the innermost script only: the hooks of outer
            // scripts are not called for it.
            activeScript->answer(window);
            return 0;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

namespace {

// Puts every test under a watching script.
class WatchEveryTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        watch_ = std::make_unique<MessageBoxScript>(std::vector<int>{}, true);
    }
    void OnTestEnd(const ::testing::TestInfo&) override { watch_.reset(); }
    std::unique_ptr<MessageBoxScript> watch_;
};

const bool watching = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new WatchEveryTest);
    return true;
}();

}  // namespace

std::string utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

std::string describe(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Error: return "error";
        case BoxIcon::Warning: return "warning";
        case BoxIcon::Information: return "information";
        case BoxIcon::Question: return "question";
        case BoxIcon::None: break;
    }
    return "none";
}

std::string describe(const SeenMessageBox& box) {
    std::ostringstream out;
    out << "[caption \"" << utf8(box.caption) << "\", text \"" << utf8(box.text) << "\", icon "
        << describe(box.icon) << ", buttons";
    for (int id : box.buttons) out << ' ' << id;
    out << ", answered " << box.answered << ']';
    return out.str();
}
