#include "common/bounded_path.h"

std::optional<std::wstring> joinPath(std::initializer_list<std::wstring_view> parts) {
    std::size_t length = 0;
    for (std::wstring_view part : parts) length += part.size();
    if (length + 1 > pathCapacity) return std::nullopt;
    std::wstring path;
    path.reserve(length);
    for (std::wstring_view part : parts) path.append(part);
    return path;
}
