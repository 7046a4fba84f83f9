#pragma once
// A made-up installation world in the test prefix for the real setup
// programs: a folder holding TavrelInstall.exe with the built Tavrel.xlam and
// a stand-in Tavrel.dll beside it, a folder holding TavrelUninstall.exe alone, an Excel
// folder with its start-up folder "XLSTART\", and Excel's registration under
// HKEY_LOCAL_MACHINE pointing there. Everything, including the library
// installed into the system directory, is removed again afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "message_box_script.h"

inline const std::wstring confirmInstall =
    L"同梱のReadMe.txtの内容に同意してTavrelをインストールしますか？\n"
    L"「OK」を押すと、同梱のReadMe.txtの内容に同意したものとみなされます。";
inline const std::wstring installed =
    L"Tavrelのインストールが成功しました。使い方は同梱のReadMe.txtをご覧ください。";
inline const std::wstring copyFailed = L"ファイルのコピーに失敗しました。";
inline const std::wstring confirmUninstall = L"Tavrelをアンインストールしますか？";
inline const std::wstring uninstalled = L"Tavrelのアンインストールが成功しました。";
inline const std::wstring deleteFailed = L"ファイルの削除に失敗しました。";
inline const std::wstring openFailed = L"レジストリのオープンに失敗しました。";
inline const std::wstring valueFailed = L"レジストリ値の取得に失敗しました。";

// A file held open the way a loaded library is: others may read it, but not
// write, replace or delete it, until the holder goes out of scope.
class HeldFile {
public:
    explicit HeldFile(const std::filesystem::path& file);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// One box a program showed, with its owner window.
struct ProgramBox {
    SeenMessageBox box;
    std::wstring ownerClass;
    bool ownerVisible = false;
};

// What one start of a program did.
struct ProgramRun {
    bool started = false;
    bool timedOut = false;
    DWORD exitCode = STILL_ACTIVE;
    std::vector<ProgramBox> boxes;
};

std::string describe(const ProgramRun& run);

// Starts the program (from another current directory than its own folder),
// answers its boxes in turn with answers (OK once they run out) and waits
// for it to end.
ProgramRun runProgram(const std::filesystem::path& program, const std::vector<int>& answers = {});

// The text of a file, or nothing when it cannot be read.
std::optional<std::string> fileText(const std::filesystem::path& file);
void writeText(const std::filesystem::path& file, const std::string& text);

class SetupBench : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Registers Excel with its server command line (its class identifier
    // under Excel.Application and the command line under LocalServer32).
    void registerExcel(const std::wstring& serverCommandLine);
    // The key of the server command line (created empty when missing).
    HKEY serverKey();
    void unregisterExcel();

    ProgramRun install(const std::vector<int>& answers = {}) { return runProgram(installer, answers); }
    ProgramRun uninstall(const std::vector<int>& answers = {}) { return runProgram(uninstaller, answers); }

    // Puts both files in place as an install would: the built workbook and
    // a stand-in library.
    void placeInstalledFiles();

    // Expects the run to have ended by itself with exit code 0 after showing
    // exactly these boxes (caption "TavrelInstall", no icon, owned by the
    // hidden main window of the given class); the last box has OK only.
    void expectBoxes(const ProgramRun& run, const std::wstring& ownerClass,
                     const std::vector<std::wstring>& texts);

    std::filesystem::path root;         // everything the test creates on disk
    std::filesystem::path setupFolder;  // the installer and its two files
    std::filesystem::path installer;
    std::filesystem::path uninstaller;  // alone in a folder of its own
    std::filesystem::path excelFolder;  // where Excel's program file would be
    std::filesystem::path startupFolder;
    std::filesystem::path installedWorkbook;
    std::filesystem::path installedLibrary;
    std::string builtWorkbook;  // the bytes of the build's Tavrel.xlam
};
