#include "common/drive_directory.h"

#include <stdlib.h>

#include <vector>

std::optional<DriveAndDirectory> splitDriveAndDirectory(const std::wstring& path) {
    // A drive is a letter and a colon. The directory buffer is as long as the
    // path, so _wsplitpath_s never finds it too short: whether the directory
    // fits a 260-unit path is decided where the path is composed.
    wchar_t drive[3] = {};
    std::vector<wchar_t> directory(path.size() + 1, L'\0');
    if (_wsplitpath_s(path.c_str(), drive, 3, directory.data(), directory.size(), nullptr, 0, nullptr, 0) != 0) {
        return std::nullopt;
    }
    return DriveAndDirectory{drive, directory.data()};
}
