#pragma once
// The four paths of an installation: the workbook and the library beside the
// running setup program (the sources), the library in the Windows system
// directory and the workbook in Excel's start-up folder "XLSTART\" beside
// Excel's program file. A path is absent when it does not fit its 260-unit
// buffer (see bounded_path.h) or when what it is made of is unknown; the step
// that needs an absent path fails without touching any file.
#include <optional>
#include <string>

inline constexpr wchar_t workbookFileName[] = L"Tavrel.xlam";
inline constexpr wchar_t libraryFileName[] = L"Tavrel.dll";
inline constexpr wchar_t startupFolderName[] = L"XLSTART\\";

struct InstallPaths {
    std::optional<std::wstring> sourceWorkbookPath;
    std::optional<std::wstring> sourceLibraryPath;
    std::optional<std::wstring> installedLibraryPath;
};

// moduleFileName: the running program's full file name; systemDirectory: the
// Windows system directory without a trailing backslash.
InstallPaths installPathsFor(const std::optional<std::wstring>& moduleFileName,
                             const std::optional<std::wstring>& systemDirectory);

// The installed workbook's path for Excel's server command line, or nothing
// when it does not fit or the command line names no folder.
std::optional<std::wstring> startupWorkbookPathFor(const std::wstring& serverCommandLine);
