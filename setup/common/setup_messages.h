#pragma once
// The message boxes of the two setup programs: owned by the hidden main
// window, caption "TavrelInstall" (the uninstaller's boxes too).
#include <windows.h>

inline constexpr wchar_t setupCaption[] = L"TavrelInstall";
inline constexpr wchar_t registryOpenFailed[] = L"レジストリのオープンに失敗しました。";
inline constexpr wchar_t registryValueFailed[] = L"レジストリ値の取得に失敗しました。";

int showSetupMessage(HWND owner, const wchar_t* text, UINT style);

// What an install or uninstall ended with: the report to show and whether it
// succeeded.
struct SetupOutcome {
    const wchar_t* report;
    bool succeeded;
};

// Asks the question (OK and Cancel); on OK runs the work and shows its report
// (OK only). Destroys the main window in either case, which ends the
// program's message loop. True only when the work succeeded; any answer but
// OK changes nothing and shows nothing more.
bool confirmAndReport(HWND mainWindow, const wchar_t* question, SetupOutcome (*work)());
