#include "process_dialogs.h"

#include <string>

namespace {

constexpr DWORD pollMilliseconds = 10;

struct DialogSearch {
    DWORD processId = 0;
    HWND found = nullptr;
};

BOOL CALLBACK matchDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<DialogSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) != L"#32770") return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND findProcessDialog(DWORD processId) {
    DialogSearch search;
    search.processId = processId;
    EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForProcessDialog(HANDLE process, DWORD timeoutMs) {
    const DWORD processId = GetProcessId(process);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        // A box is shown before the process can end, so look for one first.
        if (HWND dialog = findProcessDialog(processId)) return dialog;
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return nullptr;
        if (GetTickCount64() > deadline) return nullptr;
        Sleep(pollMilliseconds);
    }
}

bool waitUntilWindowGone(HWND window, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount64() > deadline) return false;
        Sleep(pollMilliseconds);
    }
    return true;
}
