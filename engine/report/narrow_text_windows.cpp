#include "report/narrow_text.h"

#include <windows.h>

std::u16string narrowToUtf16(const std::string& text) {
    if (text.empty()) return std::u16string();
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), length, nullptr, 0);
    if (size <= 0) return std::u16string();
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), length, wide.data(), size);
    return std::u16string(wide.begin(), wide.end());
}
