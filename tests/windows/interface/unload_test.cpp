// Unloading the library while its worker runs, as a host does when the
// add-in is closed in the middle of an analysis. This program loads the
// library itself (not through the shared loader, which keeps it loaded), so
// that its own FreeLibrary is the last reference the host holds.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "safe_arrays.h"
#include "tavrel_library.h"

namespace {

HMODULE loadOwnCopy() {
    const char* path = std::getenv("TAVREL_DLL");
    EXPECT_NE(path, nullptr) << "TAVREL_DLL is not set";
    return path ? LoadLibraryW(windowsPath(path).c_str()) : nullptr;
}

template <typename Fn>
Fn exportOf(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A run of k explanatory variables over n rows, the last varying by 1e12
// around 1e19. Kept lists of 20000 models (the bounds cannot cut such a
// list short, and every model is formatted) make a run of k = 19 long
// enough to be under way when the library is freed, and short enough to
// end by itself soon after.
struct Inputs {
    OwnedArray y, yNames, x, xNames;
};

Inputs inputsOf(std::size_t k, std::size_t n) {
    std::vector<std::vector<double>> columns;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < k; ++i) {
        std::vector<double> column(n);
        for (std::size_t r = 0; r < n; ++r) {
            column[r] = static_cast<double>((r * 7 + i * 13) % 11) + std::sin(static_cast<double>(r * (i + 1)));
        }
        columns.push_back(column);
        names.push_back("X" + std::to_string(i + 1));
    }
    if (k > 2) {
        for (std::size_t r = 0; r < n; ++r) columns[k - 1][r] = 1e19 + 1e12 * static_cast<double>(r * 13 % 31);
    }
    std::vector<double> y(n);
    for (std::size_t r = 0; r < n; ++r) y[r] = static_cast<double>((r * r) % 97);
    return {makeDataArray({y}), makeNameArray({"Y"}), makeDataArray(columns), makeNameArray(names)};
}

bool libraryLoaded() {
    return GetModuleHandleW(L"Tavrel.dll") != nullptr;
}

TEST(Unload, DuringARunDoesNotTakeTheHostDown) {
    HMODULE module = loadOwnCopy();
    ASSERT_NE(module, nullptr);
    auto multiReg = exportOf<MultiRegFn>(module, "MultiReg");
    ASSERT_NE(multiReg, nullptr);
    Inputs inputs = inputsOf(19, 60);
    const ULONGLONG started = GetTickCount64();
    ASSERT_EQ(multiReg(inputs.y.ref(), inputs.yNames.ref(), inputs.x.ref(), inputs.xNames.ref(), 20000, 2), 1);
    Sleep(100);
    ASSERT_TRUE(FreeLibrary(module));
    // The worker still holds the library: its code stays mapped while it runs.
    EXPECT_TRUE(libraryLoaded()) << "the library was unloaded under its running worker";
    // When the worker has ended, its reference goes and the library with it.
    const ULONGLONG deadline = GetTickCount64() + 120000;
    while (libraryLoaded() && GetTickCount64() < deadline) Sleep(20);
    EXPECT_FALSE(libraryLoaded()) << "the worker never let the library go";
    std::printf("the freed library's run ended after %llu ms\n",
                static_cast<unsigned long long>(GetTickCount64() - started));

    // Loaded again, it runs and hands back as on its first load.
    module = loadOwnCopy();
    ASSERT_NE(module, nullptr);
    multiReg = exportOf<MultiRegFn>(module, "MultiReg");
    auto getProgress = exportOf<GetProgressFn>(module, "GetProgress");
    Inputs small = inputsOf(2, 12);
    ASSERT_EQ(multiReg(small.y.ref(), small.yNames.ref(), small.x.ref(), small.xNames.ref(), 3, 2), 1);
    VARIANT result;
    VariantInit(&result);
    std::int32_t answer = 0;
    for (int i = 0; i < 40 && answer != -1; ++i) answer = getProgress(&result);
    EXPECT_EQ(answer, -1);
    ASSERT_EQ(V_VT(&result), VT_ARRAY | VT_BSTR);
    LONG rows = 0;
    SafeArrayGetUBound(V_ARRAY(&result), 1, &rows);
    EXPECT_EQ(rows, 3 + 4);
    VariantClear(&result);
    FreeLibrary(module);
}

}  // namespace
