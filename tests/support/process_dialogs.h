#pragma once
// Finds the message boxes that another process shows (top-level windows of
// class "#32770"), for tests that run a real program and answer its boxes
// with readMessageBox and pressButton.
#include <windows.h>

// A visible message box of the process, or null when there is none now.
HWND findProcessDialog(DWORD processId);

// Waits until the process shows a message box; null when the process ends
// first or timeoutMs passes.
HWND waitForProcessDialog(HANDLE process, DWORD timeoutMs);

// Waits until an answered box has gone; false when it is still there after
// timeoutMs.
bool waitUntilWindowGone(HWND window, DWORD timeoutMs);
