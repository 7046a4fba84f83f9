// TavrelUninstall.exe, run as a program of its own (from a folder without the
// installation files) against a made-up Excel registration in the test
// prefix.
#include "setup_bench.h"

namespace {

const std::wstring uninstallerClass = L"TAVRELUNINSTALL";

using Uninstall = SetupBench;

TEST_F(Uninstall, RemovesBothFilesAndSucceedsAgainWhenRunTwice) {
    placeInstalledFiles();
    ProgramRun run = uninstall();
    expectBoxes(run, uninstallerClass, {confirmUninstall, uninstalled});
    EXPECT_FALSE(fileText(installedWorkbook).has_value());
    EXPECT_FALSE(fileText(installedLibrary).has_value());

    run = uninstall();
    expectBoxes(run, uninstallerClass, {confirmUninstall, uninstalled});
}

TEST_F(Uninstall, SucceedsWhenNothingIsInstalled) {
    const ProgramRun run = uninstall();
    expectBoxes(run, uninstallerClass, {confirmUninstall, uninstalled});
}

TEST_F(Uninstall, CancelChangesNothing) {
    placeInstalledFiles();
    const ProgramRun run = uninstall({IDCANCEL});
    expectBoxes(run, uninstallerClass, {confirmUninstall});
    EXPECT_EQ(fileText(installedWorkbook), builtWorkbook);
    EXPECT_EQ(fileText(installedLibrary), "installed library");
}

TEST_F(Uninstall, AMissingRegistrationGivesTheOpenMessageAndDeletesNothing) {
    placeInstalledFiles();
    unregisterExcel();
    const ProgramRun run = uninstall();
    expectBoxes(run, uninstallerClass, {confirmUninstall, openFailed});
    EXPECT_EQ(fileText(installedWorkbook), builtWorkbook);
    EXPECT_EQ(fileText(installedLibrary), "installed library");
}

TEST_F(Uninstall, AHeldFileGivesTheDeletionMessage) {
    placeInstalledFiles();
    {
        // A held library stays; the workbook deleted before it stays removed.
        const HeldFile held(installedLibrary);
        ASSERT_TRUE(held.isOpen());
        expectBoxes(uninstall(), uninstallerClass, {confirmUninstall, deleteFailed});
        EXPECT_FALSE(fileText(installedWorkbook).has_value());
        EXPECT_EQ(fileText(installedLibrary), "installed library");
    }
    placeInstalledFiles();
    {
        // A held workbook stays, and the library is left alone.
        const HeldFile held(installedWorkbook);
        ASSERT_TRUE(held.isOpen());
        expectBoxes(uninstall(), uninstallerClass, {confirmUninstall, deleteFailed});
        EXPECT_EQ(fileText(installedWorkbook), builtWorkbook);
        EXPECT_EQ(fileText(installedLibrary), "installed library");
    }
}

TEST_F(Uninstall, AMissingStartupFolderCountsAsRemoved) {
    placeInstalledFiles();
    std::filesystem::remove_all(startupFolder);
    const ProgramRun run = uninstall();
    expectBoxes(run, uninstallerClass, {confirmUninstall, uninstalled});
    EXPECT_FALSE(fileText(installedLibrary).has_value());
}

TEST_F(Uninstall, AQuotedRegistrationRemovesTheWorkbook) {
    placeInstalledFiles();
    registerExcel(L"\"" + (excelFolder / L"EXCEL.EXE").wstring() + L"\" /automation");
    const ProgramRun run = uninstall();
    expectBoxes(run, uninstallerClass, {confirmUninstall, uninstalled});
    EXPECT_FALSE(fileText(installedWorkbook).has_value());
    EXPECT_FALSE(fileText(installedLibrary).has_value());
}

}  // namespace
