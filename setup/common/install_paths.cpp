#include "common/install_paths.h"

#include "common/bounded_path.h"
#include "common/drive_directory.h"
#include "common/server_command.h"

namespace {

// fileName beside the file named by fullPath (in a subfolder when one is
// given). A bare file name has no folder to stand beside: a path relative to
// whatever the current directory happens to be would name the wrong file.
std::optional<std::wstring> besideFile(const std::wstring& fullPath, std::wstring_view subfolder,
                                       std::wstring_view fileName) {
    const std::optional<DriveAndDirectory> parts = splitDriveAndDirectory(fullPath);
    if (!parts || parts->directory.empty()) return std::nullopt;
    return joinPath({parts->drive, parts->directory, subfolder, fileName});
}

}  // namespace

InstallPaths installPathsFor(const std::optional<std::wstring>& moduleFileName,
                             const std::optional<std::wstring>& systemDirectory) {
    InstallPaths paths;
    if (moduleFileName) {
        paths.sourceWorkbookPath = besideFile(*moduleFileName, {}, workbookFileName);
        paths.sourceLibraryPath = besideFile(*moduleFileName, {}, libraryFileName);
    }
    if (systemDirectory) paths.installedLibraryPath = joinPath({*systemDirectory, L"\\", libraryFileName});
    return paths;
}

std::optional<std::wstring> startupWorkbookPathFor(const std::wstring& serverCommandLine) {
    return besideFile(programPathOf(serverCommandLine), startupFolderName, workbookFileName);
}
