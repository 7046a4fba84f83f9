#pragma once
// The library's message boxes: no owner window, caption "Tavrel". Wide texts
// go through MessageBoxW; narrow texts (code page 932 bytes, possibly with a
// variable name embedded) through MessageBoxA with the narrow caption.
#include <windows.h>

#include <string>

int showWideMessage(const wchar_t* text, UINT style);

// A wide box shown by the worker thread. That thread owns no window, so its
// box would open behind Excel while the progress figure stands still; it is
// shown topmost and brought to the foreground instead.
inline constexpr UINT workerBoxStyle = MB_TOPMOST | MB_SETFOREGROUND;
int showWorkerMessage(const wchar_t* text, UINT style);

// The answer to a whole number outside 1 .. 65535 (a typed number, or a keep
// count).
inline constexpr wchar_t numberOutOfRangeText[] =
    L"正しくない数値が入力されています。1以上65535以下の数値を入力してください。";
int showNarrowMessage(const std::string& text, UINT style);

// The code page 932 bytes of a UTF-16 text: how the library's narrow
// messages are stored.
std::string codePage932(const wchar_t* text);
