#include "common/path_lookup.h"

#include <windows.h>

#include <vector>

#include "common/bounded_path.h"
#include "common/setup_messages.h"

namespace {

constexpr wchar_t excelClassKey[] = L"Software\\Classes\\Excel.Application\\CLSID";
constexpr std::size_t classIdCapacity = 1024;

std::optional<std::wstring> moduleFileName() {
    wchar_t name[pathCapacity];
    const DWORD length = GetModuleFileNameW(nullptr, name, pathCapacity);
    // A name that fills the buffer has been cut.
    if (length == 0 || length >= pathCapacity) return std::nullopt;
    return std::wstring(name, length);
}

std::optional<std::wstring> systemDirectory() {
    wchar_t name[pathCapacity];
    const UINT length = GetSystemDirectoryW(name, pathCapacity);
    // A length of the buffer's size or more is the size the name would need.
    if (length == 0 || length >= pathCapacity) return std::nullopt;
    return std::wstring(name, length);
}

// Reads the default value of a key under HKEY_LOCAL_MACHINE into text, which
// must fit capacity units with its terminator. The key is opened for reading
// only. On failure, failure names the step that failed.
bool readDefaultValue(const std::wstring& keyName, std::size_t capacity, std::wstring& text,
                      const wchar_t*& failure) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        failure = registryOpenFailed;
        return false;
    }
    std::vector<wchar_t> buffer(capacity, L'\0');
    DWORD type = REG_NONE;
    DWORD bytes = static_cast<DWORD>(capacity * sizeof(wchar_t));
    const LONG status = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        failure = registryValueFailed;
        return false;
    }
    // A stored string need not end with a terminator: the text is what lies
    // before the first one within the bytes read, and it must leave room for
    // one.
    const std::wstring stored(buffer.data(), bytes / sizeof(wchar_t));
    text = stored.substr(0, stored.find(L'\0'));
    if (text.size() + 1 > capacity) {
        failure = registryValueFailed;
        return false;
    }
    return true;
}

}  // namespace

InstallPaths composeInstallPaths() {
    return installPathsFor(moduleFileName(), systemDirectory());
}

StartupWorkbook locateStartupWorkbook() {
    StartupWorkbook result;
    std::wstring classId;
    if (!readDefaultValue(excelClassKey, classIdCapacity, classId, result.failure)) return result;
    std::wstring commandLine;
    const std::wstring serverKey = L"Software\\Classes\\CLSID\\" + classId + L"\\LocalServer32";
    if (!readDefaultValue(serverKey, pathCapacity, commandLine, result.failure)) return result;
    result.path = startupWorkbookPathFor(commandLine);
    if (!result.path) result.failure = registryValueFailed;
    return result;
}
