#include "install/run_install.h"

#include <optional>
#include <string>

#include "common/path_lookup.h"
#include "common/setup_messages.h"

namespace {

constexpr wchar_t question[] =
    L"同梱のReadMe.txtの内容に同意してTavrelをインストールしますか？\n"
    L"「OK」を押すと、同梱のReadMe.txtの内容に同意したものとみなされます。";
constexpr wchar_t copyFailed[] = L"ファイルのコピーに失敗しました。";
constexpr wchar_t installed[] = L"Tavrelのインストールが成功しました。使い方は同梱のReadMe.txtをご覧ください。";

// Copies a file over any existing one; a path that is absent copies nothing.
bool copyReplacing(const std::optional<std::wstring>& from, const std::optional<std::wstring>& to) {
    return from && to && CopyFileW(from->c_str(), to->c_str(), FALSE) != 0;
}

SetupOutcome installFiles() {
    const InstallPaths paths = composeInstallPaths();
    const StartupWorkbook startup = locateStartupWorkbook();
    if (!startup.path) return {startup.failure, false};
    if (!copyReplacing(paths.sourceWorkbookPath, startup.path)) return {copyFailed, false};
    if (!copyReplacing(paths.sourceLibraryPath, paths.installedLibraryPath)) return {copyFailed, false};
    return {installed, true};
}

}  // namespace

bool runInstall(HWND mainWindow) {
    return confirmAndReport(mainWindow, question, installFiles);
}
