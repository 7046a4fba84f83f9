#include "tavrel_library.h"

#include <cstdio>
#include <cstdlib>
#include <string>

std::wstring windowsPath(const char* linuxPath) {
    std::wstring path = L"Z:";
    for (const char* p = linuxPath; *p; ++p) path += (*p == '/') ? L'\\' : static_cast<wchar_t>(*p);
    return path;
}

HMODULE tavrelLibrary() {
    static HMODULE module = [] {
        const char* path = std::getenv("TAVREL_DLL");
        if (path == nullptr) {
            std::fprintf(stderr, "TAVREL_DLL is not set\n");
            std::exit(2);
        }
        HMODULE loaded = LoadLibraryW(windowsPath(path).c_str());
        if (loaded == nullptr) {
            std::fprintf(stderr, "cannot load %s (error %lu)\n", path, GetLastError());
            std::exit(2);
        }
        return loaded;
    }();
    return module;
}

FARPROC tavrelExport(const char* name) {
    return GetProcAddress(tavrelLibrary(), name);
}
