// The resources of the two setup programs and the version resource of
// Tavrel.dll, read back from the built files: the Japanese texts must come
// out as the right UTF-16.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "message_box_script.h"
#include "tavrel_library.h"

namespace {

std::wstring builtFile(const char* variable) {
    const char* path = std::getenv(variable);
    EXPECT_NE(path, nullptr) << variable << " is not set";
    return path ? windowsPath(path) : std::wstring();
}

// A built file's resources, loaded as data.
struct ResourceFile {
    explicit ResourceFile(const std::wstring& path)
        : module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ResourceFile() {
        if (module) FreeLibrary(module);
    }
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;

    std::wstring string(UINT id) const {
        wchar_t text[100] = {};
        const int length = LoadStringW(module, id, text, 100);
        return std::wstring(text, static_cast<std::size_t>(length > 0 ? length : 0));
    }

    HMODULE module;
};

// A file's version information block.
struct VersionInfo {
    explicit VersionInfo(const std::wstring& path) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        data.resize(size);
        if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, data.data())) data.clear();
    }

    // A string of the Japanese (Unicode) block 041104b0.
    std::wstring text(const std::wstring& name) const {
        if (data.empty()) return L"<no version information>";
        const std::wstring query = L"\\StringFileInfo\\041104b0\\" + name;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data.data(), query.c_str(), &value, &length) || value == nullptr) return L"<absent>";
        std::wstring result(static_cast<const wchar_t*>(value), length);
        return result.substr(0, result.find(L'\0'));
    }

    std::vector<WORD> translation() const {
        void* value = nullptr;
        UINT length = 0;
        if (data.empty() || !VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length)) return {};
        const auto* words = static_cast<const WORD*>(value);
        return std::vector<WORD>(words, words + length / sizeof(WORD));
    }

    std::string fileVersion() const {
        void* value = nullptr;
        UINT length = 0;
        if (data.empty() || !VerQueryValueW(data.data(), L"\\", &value, &length)) return "<absent>";
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
               "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
               std::to_string(LOWORD(fixed->dwFileVersionLS));
    }

    std::vector<BYTE> data;
};

struct ProgramResources {
    const char* variable;
    std::wstring title;
    std::wstring className;
    std::wstring description;
    std::wstring fileName;
};

void PrintTo(const ProgramResources& program, std::ostream* out) {
    *out << utf8(program.fileName);
}

class SetupProgramResources : public ::testing::TestWithParam<ProgramResources> {};

TEST_P(SetupProgramResources, HoldTheTitleClassNameAndIcons) {
    const ProgramResources& expected = GetParam();
    const ResourceFile file(builtFile(expected.variable));
    ASSERT_NE(file.module, nullptr);
    EXPECT_EQ(file.string(103), expected.title) << utf8(file.string(103));
    EXPECT_EQ(file.string(109), expected.className) << utf8(file.string(109));

    for (const auto& [id, size] : {std::pair<int, int>{107, 32}, {108, 16}}) {
        HICON icon = static_cast<HICON>(LoadImageW(file.module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << "icon " << id;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info)) << "icon " << id;
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size) << "icon " << id;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }

    HMENU menu = LoadMenuW(file.module, MAKEINTRESOURCEW(109));
    ASSERT_NE(menu, nullptr);
    wchar_t item[64] = {};
    GetMenuStringW(menu, 0, item, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(item), L"ファイル(&F)") << utf8(item);
    GetMenuStringW(menu, 104, item, 64, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(item), L"バージョン情報(&A)...") << utf8(item);
    DestroyMenu(menu);
}

TEST_P(SetupProgramResources, HoldTheJapaneseVersionInformation) {
    const ProgramResources& expected = GetParam();
    const VersionInfo version(builtFile(expected.variable));
    EXPECT_EQ(version.text(L"FileDescription"), expected.description) << utf8(version.text(L"FileDescription"));
    EXPECT_EQ(version.text(L"ProductName"), expected.description) << utf8(version.text(L"ProductName"));
    EXPECT_EQ(version.text(L"FileVersion"), L"1, 0, 0, 1") << utf8(version.text(L"FileVersion"));
    EXPECT_EQ(version.text(L"ProductVersion"), L"1, 0, 0, 1") << utf8(version.text(L"ProductVersion"));
    EXPECT_EQ(version.text(L"InternalName"), expected.title) << utf8(version.text(L"InternalName"));
    EXPECT_EQ(version.text(L"OriginalFilename"), expected.fileName) << utf8(version.text(L"OriginalFilename"));
    EXPECT_EQ(version.translation(), (std::vector<WORD>{0x0411, 1200}));
    EXPECT_EQ(version.fileVersion(), "1.0.0.1");
}

// The application manifest (resource 1 of type RT_MANIFEST) that Windows
// reads before it starts a program.
std::string manifestOf(const ResourceFile& file) {
    HRSRC found = FindResourceW(file.module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    if (found == nullptr) return std::string();
    HGLOBAL loaded = LoadResource(file.module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return std::string();
    return std::string(static_cast<const char*>(bytes), SizeofResource(file.module, found));
}

TEST_P(SetupProgramResources, AskForAdministratorRightsOnWindows7To11) {
    const ResourceFile file(builtFile(GetParam().variable));
    ASSERT_NE(file.module, nullptr);
    const std::string manifest = manifestOf(file);
    ASSERT_FALSE(manifest.empty()) << "no application manifest";
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"),
              std::string::npos)
        << manifest;
    const char* systems[] = {
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
    };
    for (const char* id : systems) {
        EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + id + "\"/>"), std::string::npos)
            << id << " missing in\n" << manifest;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Programs, SetupProgramResources,
    ::testing::Values(ProgramResources{"TAVREL_INSTALL_EXE", L"TavrelInstall", L"TAVRELINSTALL",
                                       L"Tavrel インストーラ", L"TavrelInstall.exe"},
                      ProgramResources{"TAVREL_UNINSTALL_EXE", L"TavrelUninstall", L"TAVRELUNINSTALL",
                                       L"Tavrel アンインストーラ", L"TavrelUninstall.exe"}),
    [](const ::testing::TestParamInfo<ProgramResources>& param) { return utf8(param.param.title); });

TEST(LibraryResources, HoldTheJapaneseVersionInformation) {
    const VersionInfo version(builtFile("TAVREL_DLL"));
    EXPECT_EQ(version.text(L"FileDescription"), L"Tavrel 全変数組合せ重回帰分析ライブラリ")
        << utf8(version.text(L"FileDescription"));
    EXPECT_EQ(version.text(L"ProductName"), L"Tavrel") << utf8(version.text(L"ProductName"));
    EXPECT_EQ(version.text(L"FileVersion"), L"1, 0, 0, 1") << utf8(version.text(L"FileVersion"));
    EXPECT_EQ(version.text(L"OriginalFilename"), L"Tavrel.dll") << utf8(version.text(L"OriginalFilename"));
    EXPECT_EQ(version.translation(), (std::vector<WORD>{0x0411, 1200}));
    EXPECT_EQ(version.fileVersion(), "1.0.0.1");
}

}  // namespace
