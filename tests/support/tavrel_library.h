#pragma once
// The real Tavrel.dll, loaded once per test program from the path in the
// environment variable TAVREL_DLL (a Linux path; Wine sees it on drive Z:),
// and its exports.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>

using MultiRegFn = std::int32_t(__stdcall*)(SAFEARRAY**, SAFEARRAY**, SAFEARRAY**, SAFEARRAY**, std::int32_t,
                                            std::int32_t);
using GetProgressFn = std::int32_t(__stdcall*)(VARIANT*);
using AbortRegFn = std::int32_t(__stdcall*)();
using VarNameToIdFn = std::int32_t(__stdcall*)(const char*, SAFEARRAY**, VARIANT*);
using NumCastFn = std::int32_t(__stdcall*)(const char*, std::int32_t*);

// The loaded library (loaded on first use; a failure stops the program).
HMODULE tavrelLibrary();
// An export by name; null when absent.
FARPROC tavrelExport(const char* name);

template <typename Fn>
Fn tavrelFunction(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(tavrelExport(name)));
}

// A Linux path as Wine names it on drive Z:.
std::wstring windowsPath(const char* linuxPath);
