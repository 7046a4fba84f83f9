#include "interface/message_box.h"

int showWideMessage(const wchar_t* text, UINT style) {
    return MessageBoxW(nullptr, text, L"Tavrel", style);
}

int showWorkerMessage(const wchar_t* text, UINT style) {
    return showWideMessage(text, style | workerBoxStyle);
}

int showNarrowMessage(const std::string& text, UINT style) {
    return MessageBoxA(nullptr, text.c_str(), "Tavrel", style);
}

std::string codePage932(const wchar_t* text) {
    constexpr UINT japanese = 932;
    const int size = WideCharToMultiByte(japanese, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(japanese, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(size - 1));  // drop the terminator
    return bytes;
}
