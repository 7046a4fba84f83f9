#include "uninstall/run_uninstall.h"

#include <optional>
#include <string>

#include "common/path_lookup.h"
#include "common/setup_messages.h"

namespace {

constexpr wchar_t question[] = L"Tavrelをアンインストールしますか？";
constexpr wchar_t deleteFailed[] = L"ファイルの削除に失敗しました。";
constexpr wchar_t uninstalled[] = L"Tavrelのアンインストールが成功しました。";

// Deletes a file and tells whether it is gone: the deletion's own result is
// not asked, as a file that was never there counts as removed. An absent path
// deletes nothing and counts as not removed.
bool removeFile(const std::optional<std::wstring>& path) {
    if (!path) return false;
    DeleteFileW(path->c_str());
    return GetFileAttributesW(path->c_str()) == INVALID_FILE_ATTRIBUTES;
}

SetupOutcome uninstallFiles() {
    const InstallPaths paths = composeInstallPaths();
    const StartupWorkbook startup = locateStartupWorkbook();
    if (!startup.path) return {startup.failure, false};
    if (!removeFile(startup.path)) return {deleteFailed, false};
    if (!removeFile(paths.installedLibraryPath)) return {deleteFailed, false};
    return {uninstalled, true};
}

}  // namespace

bool runUninstall(HWND mainWindow) {
    return confirmAndReport(mainWindow, question, uninstallFiles);
}
