// The styles the library's boxes reach user32 with: those the worker thread
// shows stand in front of every other window and take the foreground (the
// worker owns no window, so a plain box could open behind Excel), those of
// the caller's thread keep their plain style. Wine 8 does not reflect
// MB_TOPMOST in the box's window style, so the call itself is watched: this
// program's import of MessageBoxW is pointed at a recorder for the test.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "interface/message_box.h"

namespace {

struct RecordedCall {
    std::wstring text;
    std::wstring caption;
    UINT style = 0;
    int calls = 0;
};

RecordedCall recorded;

int WINAPI recordMessageBox(HWND, LPCWSTR text, LPCWSTR caption, UINT style) {
    recorded.text = text ? text : L"";
    recorded.caption = caption ? caption : L"";
    recorded.style = style;
    ++recorded.calls;
    return IDOK;
}

// The slot of this program's import address table that holds
// USER32!MessageBoxW, or null.
void** messageBoxSlot() {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    void* target = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "MessageBoxW"));
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), "user32.dll") != 0) continue;
        for (auto* slot = reinterpret_cast<void**>(base + d->FirstThunk); *slot != nullptr; ++slot) {
            if (*slot == target) return slot;
        }
    }
    return nullptr;
}

// Points the import at the recorder for the lifetime of the object.
class RecordedMessageBoxes {
public:
    RecordedMessageBoxes() : slot_(messageBoxSlot()) {
        recorded = RecordedCall();
        if (slot_ != nullptr) original_ = exchange(reinterpret_cast<void*>(&recordMessageBox));
    }
    ~RecordedMessageBoxes() {
        if (slot_ != nullptr) exchange(original_);
    }
    RecordedMessageBoxes(const RecordedMessageBoxes&) = delete;
    RecordedMessageBoxes& operator=(const RecordedMessageBoxes&) = delete;
    bool active() const { return slot_ != nullptr; }

private:
    void* exchange(void* value) {
        DWORD old = 0;
        VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &old);
        void* previous = *slot_;
        *slot_ = value;
        VirtualProtect(slot_, sizeof(void*), old, &old);
        return previous;
    }
    void** slot_;
    void* original_ = nullptr;
};

TEST(WorkerBoxes, AreShownTopmostAndInTheForeground) {
    RecordedMessageBoxes boxes;
    ASSERT_TRUE(boxes.active()) << "MessageBoxW is not imported through the table";
    const wchar_t* text = L"分析中にエラーが発生したため、分析を中断しました。";
    EXPECT_EQ(showWorkerMessage(text, MB_OK | MB_ICONERROR), IDOK);
    ASSERT_EQ(recorded.calls, 1);
    EXPECT_EQ(recorded.text, text);
    EXPECT_EQ(recorded.caption, L"Tavrel");
    EXPECT_EQ(recorded.style, static_cast<UINT>(MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND))
        << std::hex << recorded.style;
}

TEST(WorkerBoxes, TheCallersBoxesKeepTheirPlainStyle) {
    RecordedMessageBoxes boxes;
    ASSERT_TRUE(boxes.active());
    EXPECT_EQ(showWideMessage(L"配列のロックに失敗しました。", MB_OK | MB_ICONERROR), IDOK);
    ASSERT_EQ(recorded.calls, 1);
    EXPECT_EQ(recorded.style, static_cast<UINT>(MB_OK | MB_ICONERROR)) << std::hex << recorded.style;
}

}  // namespace
