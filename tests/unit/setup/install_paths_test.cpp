// The path logic of the setup programs: the program path of Excel's server
// command line, the drive and directory split, the 260-unit bound, and the
// composed paths. Natively the split is the portable one; under Wine the
// same tests check the C run-time's _wsplitpath_s.
#include <gtest/gtest.h>

#include <string>

#include "common/bounded_path.h"
#include "common/drive_directory.h"
#include "common/install_paths.h"
#include "common/server_command.h"

namespace {

std::string narrow(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) bytes += (c < 0x80) ? static_cast<char>(c) : '?';
    return bytes;
}

std::string describe(const std::optional<std::wstring>& path) {
    return path ? "\"" + narrow(*path) + "\"" : std::string("<absent>");
}

const std::wstring office12 = L"C:\\Program Files\\Microsoft Office\\Office12\\";

TEST(ProgramPath, IsTheTextBeforeTheFirstSpaceSlash) {
    EXPECT_EQ(programPathOf(office12 + L"EXCEL.EXE /automation"), office12 + L"EXCEL.EXE");
    EXPECT_EQ(programPathOf(office12 + L"EXCEL.EXE /automation /e"), office12 + L"EXCEL.EXE");
    // A slash not preceded by a space is no option.
    EXPECT_EQ(programPathOf(L"C:/Office/EXCEL.EXE /automation"), L"C:/Office/EXCEL.EXE");
}

TEST(ProgramPath, IsTheWholeLineWithoutAnyOption) {
    EXPECT_EQ(programPathOf(office12 + L"EXCEL.EXE"), office12 + L"EXCEL.EXE");
    EXPECT_EQ(programPathOf(office12 + L"EXCEL.EXE -automation"), office12 + L"EXCEL.EXE -automation");
    EXPECT_EQ(programPathOf(L""), L"");
}

TEST(ProgramPath, LosesItsEnclosingQuotationMarks) {
    const std::wstring path = L"C:\\Program Files (x86)\\Microsoft Office\\root\\Office16\\EXCEL.EXE";
    EXPECT_EQ(programPathOf(L"\"" + path + L"\" /automation"), path);
    EXPECT_EQ(programPathOf(L"\"" + path + L"\""), path);
    // The closing mark ends the path even where an option follows at once,
    // and a " /" inside the marks belongs to the path.
    EXPECT_EQ(programPathOf(L"\"" + path + L"\"/automation"), path);
    EXPECT_EQ(programPathOf(L"\"C:\\odd /dir\\EXCEL.EXE\" /automation"), L"C:\\odd /dir\\EXCEL.EXE");
    // A mark that is never closed is dropped.
    EXPECT_EQ(programPathOf(L"\"" + path + L" /automation"), path);
}

TEST(DriveAndDirectory, KeepBothBackslashesAndDropTheFileName) {
    const auto parts = splitDriveAndDirectory(office12 + L"EXCEL.EXE");
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(parts->drive, L"C:");
    EXPECT_EQ(parts->directory, L"\\Program Files\\Microsoft Office\\Office12\\");
}

TEST(DriveAndDirectory, HandleSlashesNetworkPathsAndBareNames) {
    auto parts = splitDriveAndDirectory(L"C:/Office/EXCEL.EXE");
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(parts->drive, L"C:");
    EXPECT_EQ(parts->directory, L"/Office/");

    parts = splitDriveAndDirectory(L"\\\\server\\share\\Office\\EXCEL.EXE");
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(parts->drive, L"");
    EXPECT_EQ(parts->directory, L"\\\\server\\share\\Office\\");

    parts = splitDriveAndDirectory(L"EXCEL.EXE");
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(parts->drive, L"");
    EXPECT_EQ(parts->directory, L"");
}

TEST(DriveAndDirectory, OfALongPathAreWhole) {
    const std::wstring directory = L"\\" + std::wstring(300, L'd') + L"\\";
    const auto parts = splitDriveAndDirectory(L"C:" + directory + L"EXCEL.EXE");
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(parts->directory, directory);
}

TEST(JoinPath, FitsUpTo259UnitsAndATerminator) {
    const std::wstring head(250, L'a');
    const auto fits = joinPath({head, L"123456789"});
    ASSERT_TRUE(fits.has_value());
    EXPECT_EQ(fits->size(), 259u);
    EXPECT_EQ(*fits, head + L"123456789");
    EXPECT_FALSE(joinPath({head, L"1234567890"}).has_value());
    EXPECT_FALSE(joinPath({std::wstring(1000, L'a')}).has_value());
}

TEST(StartupWorkbook, OfTheOffice12ServerIsInItsStartupFolder) {
    const auto path = startupWorkbookPathFor(office12 + L"EXCEL.EXE /automation");
    EXPECT_EQ(path, std::optional<std::wstring>(office12 + L"XLSTART\\Tavrel.xlam")) << describe(path);
}

TEST(StartupWorkbook, OfAQuotedServerHasNoQuotationMark) {
    const auto path = startupWorkbookPathFor(L"\"" + office12 + L"EXCEL.EXE\" /automation");
    EXPECT_EQ(path, std::optional<std::wstring>(office12 + L"XLSTART\\Tavrel.xlam")) << describe(path);
}

TEST(StartupWorkbook, OfALineWithoutOptionsDropsItsLastComponent) {
    const auto path = startupWorkbookPathFor(L"C:\\Office 12\\EXCEL.EXE");
    EXPECT_EQ(path, std::optional<std::wstring>(L"C:\\Office 12\\XLSTART\\Tavrel.xlam")) << describe(path);
}

TEST(StartupWorkbook, IsAbsentForABareProgramName) {
    EXPECT_FALSE(startupWorkbookPathFor(L"EXCEL.EXE /automation").has_value());
    EXPECT_FALSE(startupWorkbookPathFor(L" /automation").has_value());
    EXPECT_FALSE(startupWorkbookPathFor(L"").has_value());
}

TEST(StartupWorkbook, IsAbsentWhenItDoesNotFit) {
    // "C:" + directory + "XLSTART\Tavrel.xlam" (19 units) must stay within
    // 259 units: a directory of 238 units fits, one of 239 does not.
    const std::wstring fitting = L"\\" + std::wstring(236, L'o') + L"\\";
    ASSERT_EQ(fitting.size(), 238u);
    const auto path = startupWorkbookPathFor(L"C:" + fitting + L"EXCEL.EXE /automation");
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->size(), 259u);
    EXPECT_EQ(*path, L"C:" + fitting + L"XLSTART\\Tavrel.xlam");

    const std::wstring tooLong = L"\\" + std::wstring(237, L'o') + L"\\";
    EXPECT_FALSE(startupWorkbookPathFor(L"C:" + tooLong + L"EXCEL.EXE /automation").has_value());
    EXPECT_FALSE(startupWorkbookPathFor(L"\"C:" + tooLong + L"EXCEL.EXE\" /automation").has_value());
}

TEST(InstallPaths, StandBesideTheProgramAndInTheSystemDirectory) {
    const InstallPaths paths =
        installPathsFor(std::wstring(L"Z:\\tmp\\setup\\TavrelInstall.exe"), std::wstring(L"C:\\windows\\system32"));
    EXPECT_EQ(paths.sourceWorkbookPath, std::optional<std::wstring>(L"Z:\\tmp\\setup\\Tavrel.xlam"))
        << describe(paths.sourceWorkbookPath);
    EXPECT_EQ(paths.sourceLibraryPath, std::optional<std::wstring>(L"Z:\\tmp\\setup\\Tavrel.dll"))
        << describe(paths.sourceLibraryPath);
    EXPECT_EQ(paths.installedLibraryPath, std::optional<std::wstring>(L"C:\\windows\\system32\\Tavrel.dll"))
        << describe(paths.installedLibraryPath);
}

TEST(InstallPaths, AreAbsentWhenUnknownOrTooLong) {
    const InstallPaths unknown = installPathsFor(std::nullopt, std::nullopt);
    EXPECT_FALSE(unknown.sourceWorkbookPath || unknown.sourceLibraryPath || unknown.installedLibraryPath);

    // The workbook's name is one unit longer than the library's: a directory
    // can leave room for one and not the other.
    const std::wstring directory = L"\\" + std::wstring(245, L'p') + L"\\";
    const InstallPaths deep = installPathsFor(L"C:" + directory + L"TavrelInstall.exe", std::nullopt);
    EXPECT_FALSE(deep.sourceWorkbookPath.has_value()) << describe(deep.sourceWorkbookPath);
    ASSERT_TRUE(deep.sourceLibraryPath.has_value());
    EXPECT_EQ(deep.sourceLibraryPath->size(), 259u);

    // The system directory, a backslash and "Tavrel.dll" (10 units).
    const std::wstring system = L"C:\\" + std::wstring(245, L's');
    const auto fitting = installPathsFor(std::nullopt, system).installedLibraryPath;
    ASSERT_TRUE(fitting.has_value());
    EXPECT_EQ(*fitting, system + L"\\Tavrel.dll");
    EXPECT_FALSE(installPathsFor(std::nullopt, system + L"s").installedLibraryPath.has_value());
}

}  // namespace
