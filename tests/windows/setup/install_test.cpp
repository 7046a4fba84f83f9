// TavrelInstall.exe, run as a program of its own against a made-up Excel
// registration in the test prefix.
#include "setup_bench.h"

namespace {

const std::wstring installerClass = L"TAVRELINSTALL";

using Install = SetupBench;

TEST_F(Install, CopiesBothFilesAndOverwritesThemTheSecondTime) {
    // Files of an earlier version are replaced by the built workbook.
    writeText(installedWorkbook, "workbook of an earlier version");
    ProgramRun run = install();
    expectBoxes(run, installerClass, {confirmInstall, installed});
    EXPECT_EQ(fileText(installedWorkbook), builtWorkbook);
    EXPECT_EQ(fileText(installedLibrary), "library 1");

    writeText(setupFolder / L"Tavrel.dll", "library 2");
    run = install();
    expectBoxes(run, installerClass, {confirmInstall, installed});
    EXPECT_EQ(fileText(installedWorkbook), builtWorkbook);
    EXPECT_EQ(fileText(installedLibrary), "library 2");
}

TEST_F(Install, CancelChangesNothing) {
    const ProgramRun run = install({IDCANCEL});
    expectBoxes(run, installerClass, {confirmInstall});
    EXPECT_FALSE(fileText(installedWorkbook).has_value());
    EXPECT_FALSE(fileText(installedLibrary).has_value());
}

TEST_F(Install, WorksWithAQuotedRegistrationAndOneWithoutOptions) {
    const std::wstring excel = (excelFolder / L"EXCEL.EXE").wstring();
    for (const std::wstring& commandLine : {L"\"" + excel + L"\" /automation", excel}) {
        registerExcel(commandLine);
        const ProgramRun run = install();
        expectBoxes(run, installerClass, {confirmInstall, installed});
        EXPECT_EQ(fileText(installedWorkbook), builtWorkbook) << utf8(commandLine);
        EXPECT_EQ(fileText(installedLibrary), "library 1") << utf8(commandLine);
        std::filesystem::remove(installedWorkbook);
        std::filesystem::remove(installedLibrary);
    }
}

TEST_F(Install, AMissingRegistrationGivesTheOpenMessage) {
    // First the class identifier's server key is missing, then everything.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\{7A5E11C0-5E70-4B1D-9C2A-0D1E2F3A4B5C}");
    ProgramRun run = install();
    expectBoxes(run, installerClass, {confirmInstall, openFailed});
    unregisterExcel();
    run = install();
    expectBoxes(run, installerClass, {confirmInstall, openFailed});
    EXPECT_FALSE(fileText(installedWorkbook).has_value());
    EXPECT_FALSE(fileText(installedLibrary).has_value());
}

TEST_F(Install, AServerValueThatCannotBeUsedGivesTheValueMessage) {
    HKEY key = serverKey();
    ASSERT_EQ(RegDeleteValueW(key, nullptr), ERROR_SUCCESS);
    ProgramRun run = install();
    expectBoxes(run, installerClass, {confirmInstall, valueFailed});

    const DWORD number = 7;
    RegSetValueExW(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    RegCloseKey(key);
    run = install();
    expectBoxes(run, installerClass, {confirmInstall, valueFailed});

    // A command line longer than its 260-unit buffer, though its program path
    // is short.
    registerExcel((excelFolder / L"EXCEL.EXE").wstring() + L" /automation" + std::wstring(260, L'x'));
    run = install();
    expectBoxes(run, installerClass, {confirmInstall, valueFailed});

    // A command line that fits its buffer, but whose workbook path would not.
    const std::wstring deep = L"C:\\" + std::wstring(240, L'o') + L"\\";
    const std::wstring deepCommandLine = deep + L"EXCEL.EXE";
    ASSERT_LT(deepCommandLine.size(), 260u);
    ASSERT_GT((deep + L"XLSTART\\Tavrel.xlam").size(), 259u);
    registerExcel(deepCommandLine);
    run = install();
    expectBoxes(run, installerClass, {confirmInstall, valueFailed});

    EXPECT_FALSE(fileText(installedWorkbook).has_value());
    EXPECT_FALSE(fileText(installedLibrary).has_value());
}

TEST_F(Install, AMissingStartupFolderGivesTheCopyMessageAndCopiesNothing) {
    std::filesystem::remove(startupFolder);
    const ProgramRun run = install();
    expectBoxes(run, installerClass, {confirmInstall, copyFailed});
    EXPECT_FALSE(std::filesystem::exists(startupFolder));
    EXPECT_FALSE(fileText(installedLibrary).has_value());
}

TEST_F(Install, ALibraryInUseGivesTheCopyMessageAndKeepsTheWorkbook) {
    writeText(installedLibrary, "library in use");
    const HeldFile held(installedLibrary);
    ASSERT_TRUE(held.isOpen());
    const ProgramRun run = install();
    expectBoxes(run, installerClass, {confirmInstall, copyFailed});
    EXPECT_EQ(fileText(installedWorkbook), builtWorkbook);
    EXPECT_EQ(fileText(installedLibrary), "library in use");
}

}  // namespace
