#include "common/setup_messages.h"

int showSetupMessage(HWND owner, const wchar_t* text, UINT style) {
    return MessageBoxW(owner, text, setupCaption, style);
}

bool confirmAndReport(HWND mainWindow, const wchar_t* question, SetupOutcome (*work)()) {
    if (showSetupMessage(mainWindow, question, MB_OKCANCEL) != IDOK) {
        DestroyWindow(mainWindow);
        return false;
    }
    const SetupOutcome outcome = work();
    showSetupMessage(mainWindow, outcome.report, MB_OK);
    DestroyWindow(mainWindow);
    return outcome.succeeded;
}
