#include "setup_bench.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "process_dialogs.h"
#include "tavrel_library.h"

namespace fs = std::filesystem;

namespace {

// A class identifier of no real program.
const std::wstring excelClassId = L"{7A5E11C0-5E70-4B1D-9C2A-0D1E2F3A4B5C}";
const std::wstring excelClassKey = L"Software\\Classes\\Excel.Application";
const std::wstring classIdKey = L"Software\\Classes\\CLSID\\" + excelClassId;

constexpr DWORD boxTimeoutMs = 20000;

fs::path programPath(const char* variable) {
    const char* path = std::getenv(variable);
    if (path == nullptr) {
        ADD_FAILURE() << variable << " is not set";
        return {};
    }
    return fs::path(windowsPath(path));
}

std::wstring windowClass(HWND window) {
    wchar_t name[64] = {};
    if (window) GetClassNameW(window, name, 64);
    return name;
}

void writeDefaultValue(const std::wstring& keyName, const std::wstring& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

}  // namespace

HeldFile::HeldFile(const fs::path& file)
    : handle_(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr)) {}

HeldFile::~HeldFile() {
    if (isOpen()) CloseHandle(handle_);
}

std::string describe(const ProgramRun& run) {
    std::ostringstream out;
    out << "started " << run.started << ", timed out " << run.timedOut << ", exit code 0x" << std::hex
        << run.exitCode << std::dec << ", " << run.boxes.size() << " boxes:";
    for (const ProgramBox& shown : run.boxes) {
        out << "\n  " << describe(shown.box) << " owned by \"" << utf8(shown.ownerClass) << "\" ("
            << (shown.ownerVisible ? "visible" : "hidden") << ")";
    }
    return out.str();
}

namespace {

ProgramRun runProgramOnce(const fs::path& program, const std::vector<int>& answers) {
    ProgramRun run;
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    // Started from the Windows folder, so that files beside the program are
    // found through its own path and not through the current directory.
    wchar_t windowsFolder[MAX_PATH] = {};
    GetWindowsDirectoryW(windowsFolder, MAX_PATH);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    run.started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 windowsFolder, &startup, &process) != 0;
    if (!run.started) return run;

    while (HWND dialog = waitForProcessDialog(process.hProcess, boxTimeoutMs)) {
        ProgramBox shown;
        shown.box = readMessageBox(dialog);
        HWND owner = GetWindow(dialog, GW_OWNER);
        shown.ownerClass = windowClass(owner);
        shown.ownerVisible = owner != nullptr && IsWindowVisible(owner);
        shown.box.answered = run.boxes.size() < answers.size() ? answers[run.boxes.size()] : IDOK;
        run.boxes.push_back(shown);
        pressButton(dialog, shown.box.answered);
        if (!waitUntilWindowGone(dialog, boxTimeoutMs)) break;
    }
    if (WaitForSingleObject(process.hProcess, boxTimeoutMs) != WAIT_OBJECT_0) {
        run.timedOut = true;
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

bool crashed(const ProgramRun& run) {
    // An unhandled exception ends a program with its exception code, an
    // NTSTATUS of error severity; the programs' own exit codes are 0 and 1.
    return run.started && !run.timedOut && (run.exitCode & 0xC0000000u) == 0xC0000000u;
}

}  // namespace

ProgramRun runProgram(const fs::path& program, const std::vector<int>& answers) {
    ProgramRun run = runProgramOnce(program, answers);
    // Once in a CI run a setup program crashed inside Wine's gdi32 while
    // starting: the process's GDI handle table was not set up. Nothing has
    // been changed before the first box, so a program that crashed before
    // it is started once more; a crash of its own comes back the second
    // time and fails the test, and any later crash fails it at once.
    if (crashed(run) && run.boxes.empty()) {
        std::cerr << "note: " << program.filename().string() << " crashed before its first box (" << describe(run)
                  << "); started once more\n";
        run = runProgramOnce(program, answers);
    }
    return run;
}

std::optional<std::string> fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeText(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good()) << file.string();
}

void SetupBench::SetUp() {
    wchar_t systemFolder[MAX_PATH] = {};
    GetSystemDirectoryW(systemFolder, MAX_PATH);
    installedLibrary = fs::path(systemFolder) / L"Tavrel.dll";
    ASSERT_FALSE(fs::exists(installedLibrary)) << "left over from an earlier run: " << installedLibrary.string();

    // A folder of its own for each test, so that a file a failed test leaves
    // held does not fail the tests after it.
    static int testsSetUp = 0;
    root = fs::path(L"C:\\tavrel-setup-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(++testsSetUp));
    setupFolder = root / L"setup";
    excelFolder = root / L"Program Files" / L"Microsoft Office" / L"Office12";
    startupFolder = excelFolder / L"XLSTART";
    installedWorkbook = startupFolder / L"Tavrel.xlam";
    fs::create_directories(setupFolder);
    fs::create_directories(root / L"uninstall");
    fs::create_directories(startupFolder);

    installer = setupFolder / L"TavrelInstall.exe";
    uninstaller = root / L"uninstall" / L"TavrelUninstall.exe";
    fs::copy_file(programPath("TAVREL_INSTALL_EXE"), installer);
    fs::copy_file(programPath("TAVREL_UNINSTALL_EXE"), uninstaller);
    fs::copy_file(programPath("TAVREL_XLAM"), setupFolder / L"Tavrel.xlam");
    builtWorkbook = fileText(setupFolder / L"Tavrel.xlam").value_or("");
    ASSERT_EQ(builtWorkbook.rfind("PK\x03\x04", 0), 0u) << "the built workbook is a zip package";
    writeText(setupFolder / L"Tavrel.dll", "library 1");

    registerExcel((excelFolder / L"EXCEL.EXE").wstring() + L" /automation");
}

void SetupBench::TearDown() {
    unregisterExcel();
    std::error_code ignored;
    fs::remove(installedLibrary, ignored);
    fs::remove_all(root, ignored);
    EXPECT_FALSE(fs::exists(installedLibrary)) << installedLibrary.string();
}

void SetupBench::registerExcel(const std::wstring& serverCommandLine) {
    writeDefaultValue(excelClassKey + L"\\CLSID", excelClassId);
    writeDefaultValue(classIdKey + L"\\LocalServer32", serverCommandLine);
}

HKEY SetupBench::serverKey() {
    HKEY key = nullptr;
    const std::wstring name = classIdKey + L"\\LocalServer32";
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    return key;
}

void SetupBench::unregisterExcel() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, excelClassKey.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, classIdKey.c_str());
}

void SetupBench::placeInstalledFiles() {
    fs::copy_file(setupFolder / L"Tavrel.xlam", installedWorkbook);
    writeText(installedLibrary, "installed library");
}

void SetupBench::expectBoxes(const ProgramRun& run, const std::wstring& ownerClass,
                             const std::vector<std::wstring>& texts) {
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut) << describe(run);
    EXPECT_EQ(run.exitCode, 0u) << describe(run);
    ASSERT_EQ(run.boxes.size(), texts.size()) << describe(run);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const ProgramBox& shown = run.boxes[i];
        EXPECT_EQ(shown.box.caption, L"TavrelInstall") << describe(run);
        EXPECT_EQ(shown.box.text, texts[i]) << describe(run);
        EXPECT_EQ(shown.box.icon, BoxIcon::None) << describe(run);
        // The confirmation has OK and Cancel; a report only OK.
        const std::vector<int> buttons = (i == 0) ? std::vector<int>{IDOK, IDCANCEL} : std::vector<int>{IDOK};
        EXPECT_EQ(shown.box.buttons, buttons) << describe(run);
        EXPECT_EQ(shown.ownerClass, ownerClass) << describe(run);
        EXPECT_FALSE(shown.ownerVisible) << describe(run);
    }
}
