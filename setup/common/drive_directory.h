#pragma once
// Splits a full path into its drive ("C:") and its directory, which keeps
// its leading and trailing backslashes, so that drive + directory + a file
// name is again a full path. The file name is dropped. Both backslash and
// slash separate components. On Windows the C run-time's _wsplitpath_s does
// the work; elsewhere a portable equivalent stands in for the unit tests.
#include <optional>
#include <string>

struct DriveAndDirectory {
    std::wstring drive;
    std::wstring directory;
};

// Nothing when the path cannot be split.
std::optional<DriveAndDirectory> splitDriveAndDirectory(const std::wstring& path);
