// What a run leaves behind in the host's process: nothing that grows from
// run to run, and no copy of a table once it has been handed back.
#include <cstdint>

#include "run_fixture.h"

namespace {

// Bytes of every busy block in every heap of the process: the run-time
// library's allocations and the strings and arrays of OLE Automation alike.
// Exact, unlike the page counts of the process.
std::uint64_t heapBytesInUse() {
    std::vector<HANDLE> heaps(64);
    DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (count > heaps.size()) {
        heaps.resize(count);
        count = GetProcessHeaps(count, heaps.data());
    }
    std::uint64_t total = 0;
    for (DWORD h = 0; h < count && h < heaps.size(); ++h) {
        if (!HeapLock(heaps[h])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[h], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        }
        HeapUnlock(heaps[h]);
    }
    return total;
}

// Waits for a short run to end and hands its table into result, which the
// caller reuses (as the add-in's variable is reused) without clearing it.
std::int32_t pollInto(VARIANT& result) {
    std::int32_t answer = 0;
    for (int i = 0; i < 100 && answer != -1; ++i) answer = exports().getProgress(&result);
    return answer;
}

// Bytes one handed-back table of this shape holds at least: a string
// pointer per cell and each string's characters.
std::uint64_t tableBytes(const HandedBack& table) {
    std::uint64_t bytes = 0;
    for (const auto& row : table.cells) {
        for (const std::wstring& cell : row) bytes += sizeof(BSTR) + cell.size() * sizeof(wchar_t);
    }
    return bytes;
}

TEST(RunMemory, StaysFlatOverTwoHundredRunsIntoOneReusedVariant) {
    VARIANT result;
    VariantInit(&result);
    auto oneRun = [&result] {
        RunInput input = simpleRun(4);
        input.keepCount = 15;
        if (input.start() != 1) return false;
        Sleep(5);
        return pollInto(result) == -1;
    };
    // A few runs first, so that caches of the run-time libraries are filled.
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(oneRun());
    const HandedBack table = readHandedBack(result);
    ASSERT_EQ(table.cells.size(), 15u + 4u);
    const std::uint64_t before = heapBytesInUse();
    ASSERT_GT(before, 0u) << "the heaps cannot be walked here";
    const int runs = 200;
    for (int i = 0; i < runs; ++i) ASSERT_TRUE(oneRun()) << "run " << i;
    const std::uint64_t after = heapBytesInUse();
    VariantClear(&result);
    // A table lost per run would add at least runs * tableBytes; allow a
    // twentieth of that for the allocators' own bookkeeping.
    const std::uint64_t leakPerRun = tableBytes(table);
    EXPECT_LT(after, before + leakPerRun * runs / 20)
        << "heap grew by " << (after - before) << " bytes over " << runs << " runs; one table is about "
        << leakPerRun << " bytes";
}

TEST(RunMemory, TheLibraryKeepsNoCopyOfAHandedBackTable) {
    // Every one of the 4095 subsets of twelve variables is kept. A small
    // run first, so that what the libraries cache on first use is in place
    // and the library holds no large table of an earlier test.
    auto run = [](std::int32_t keepCount) {
        RunInput input = noiseRun(12, 40, keepCount);
        EXPECT_EQ(input.start(), 1);
        return waitForTable();
    };
    run(5);
    const std::uint64_t before = heapBytesInUse();
    HandedBack table = run(4095);
    ASSERT_EQ(table.cells.size(), 4095u + 4u);
    const std::uint64_t handedBack = tableBytes(table);
    table = HandedBack();
    const std::uint64_t after = heapBytesInUse();
    // The library's own rows (UTF-16 cells in vectors) take more than the
    // handed-back strings; a twentieth of those may remain in caches.
    EXPECT_LT(after, before + handedBack / 20)
        << "heap grew by " << (after - before) << " bytes; the table handed back holds about " << handedBack;
}

}  // namespace
