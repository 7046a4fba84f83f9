#pragma once
// The library's message boxes: no owner window, caption "Tavrel". Wide texts
// go through MessageBoxW; narrow texts (code page 932 bytes, possibly with a
// variable name embedded) through MessageBoxA with the narrow caption.
#include <windows.h>

#include <string>

int showWideMessage(const wchar_t* text, UINT style);
int showNarrowMessage(const std::string& text, UINT style);

// The code page 932 bytes of a UTF-16 text: how the library's narrow
// messages are stored.
std::string codePage932(const wchar_t* text);
