#pragma once
// Paths of the setup programs live in buffers of 260 UTF-16 units (the
// Windows MAX_PATH, terminator included). A path is composed only when the
// whole of it fits: a cut path would name another file, so a path that does
// not fit is no path at all.
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

constexpr std::size_t pathCapacity = 260;

// The parts joined in order, or nothing when they and a terminator need more
// than pathCapacity units.
std::optional<std::wstring> joinPath(std::initializer_list<std::wstring_view> parts);
