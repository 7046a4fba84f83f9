#include "common/server_command.h"

std::wstring programPathOf(const std::wstring& commandLine) {
    std::wstring text = commandLine;
    if (!text.empty() && text.front() == L'"') {
        const std::size_t closing = text.find(L'"', 1);
        if (closing != std::wstring::npos) return text.substr(1, closing - 1);
        text.erase(0, 1);
    }
    return text.substr(0, text.find(L" /"));
}
