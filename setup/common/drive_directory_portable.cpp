#include "common/drive_directory.h"

std::optional<DriveAndDirectory> splitDriveAndDirectory(const std::wstring& path) {
    DriveAndDirectory parts;
    std::wstring rest = path;
    if (rest.size() >= 2 && rest[1] == L':') {
        parts.drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    const std::size_t lastSeparator = rest.find_last_of(L"\\/");
    if (lastSeparator != std::wstring::npos) parts.directory = rest.substr(0, lastSeparator + 1);
    return parts;
}
