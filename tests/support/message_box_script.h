#pragma once
// Reads and answers the message boxes that code on the test's own thread
// shows. While a MessageBoxScript lives, a WH_CBT hook on this thread sees
// every dialog of class "#32770" as it is activated, records what it shows
// and presses the next scripted button (OK when the script has run out, or
// Cancel for a box that has no OK). A test that expects no box checks that
// nothing was seen. Scripts nest: the innermost one answers.
//
// Outside any script of its own, every test of a program that links this
// helper runs under a watching script that fails the test on any box (and
// answers it, so a forgotten box cannot hang the test).
#include <windows.h>

#include <string>
#include <vector>

enum class BoxIcon { None, Error, Warning, Information, Question };

struct SeenMessageBox {
    std::wstring caption;
    std::wstring text;
    std::vector<int> buttons;  // control ids present, in IDOK..IDCONTINUE order
    BoxIcon icon = BoxIcon::None;
    int answered = 0;          // the button the script pressed
};

class MessageBoxScript {
public:
    explicit MessageBoxScript(std::vector<int> answers = {}, bool failOnBox = false);
    ~MessageBoxScript();
    MessageBoxScript(const MessageBoxScript&) = delete;
    MessageBoxScript& operator=(const MessageBoxScript&) = delete;

    const std::vector<SeenMessageBox>& seen() const { return seen_; }

private:
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);
    void answer(HWND dialog);

    std::vector<int> answers_;
    std::vector<SeenMessageBox> seen_;
    std::vector<HWND> answered_;  // dialogs already answered, in order
    HHOOK hook_ = nullptr;
    bool failOnBox_ = false;
    MessageBoxScript* outer_ = nullptr;
};

// Reads a message box dialog window: caption, text, buttons, icon.
SeenMessageBox readMessageBox(HWND dialog);
// Presses one of its buttons.
void pressButton(HWND dialog, int id);

// Printable forms for failure messages.
std::string describe(const SeenMessageBox& box);
std::string describe(BoxIcon icon);
std::string utf8(const std::wstring& text);
