#pragma once
// Where the setup programs find the files they copy and delete: beside the
// running program, in the Windows system directory, and in Excel's start-up
// folder, which the registration of Excel's automation server under
// HKEY_LOCAL_MACHINE names.
#include <optional>
#include <string>

#include "common/install_paths.h"

// The source paths beside the running program and the library's path in the
// system directory.
InstallPaths composeInstallPaths();

// The installed workbook's path, or the message that says why it is unknown.
struct StartupWorkbook {
    std::optional<std::wstring> path;
    const wchar_t* failure = nullptr;
};

// Reads Excel's class identifier, then its server command line; a key that
// cannot be opened gives the open message, a default value that cannot be
// read (or is no text, or is too long, or gives a path that does not fit or
// names no folder) the value message.
StartupWorkbook locateStartupWorkbook();
