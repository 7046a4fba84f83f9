#pragma once
// Narrow text to UTF-16. Narrow text is what the front end hands over: on
// Windows bytes in the thread's ANSI code page, elsewhere UTF-8. One source
// file per platform defines the conversion.
#include <string>

std::u16string narrowToUtf16(const std::string& text);
