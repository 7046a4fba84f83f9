#include "safe_arrays.h"

OwnedArray& OwnedArray::operator=(OwnedArray&& other) noexcept {
    if (this != &other) {
        if (array) SafeArrayDestroy(array);
        array = other.array;
        other.array = nullptr;
    }
    return *this;
}

OwnedArray::~OwnedArray() {
    if (array) SafeArrayDestroy(array);
}

OwnedArray makeNameArray(const std::vector<std::string>& names, LONG lower) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(names.size()), lower};
    OwnedArray owned(SafeArrayCreate(VT_BSTR, 1, &bound));
    for (std::size_t i = 0; i < names.size(); ++i) {
        // A string whose content is narrow bytes, the way Excel hands string
        // arrays to a library declared with ANSI strings.
        BSTR element = SysAllocStringByteLen(names[i].data(), static_cast<UINT>(names[i].size()));
        LONG index = lower + static_cast<LONG>(i);
        SafeArrayPutElement(owned.array, &index, element);
        SysFreeString(element);
    }
    return owned;
}

OwnedArray makeEmptyDataArray(ULONG rows, ULONG columns, LONG rowLower, LONG columnLower) {
    SAFEARRAYBOUND bounds[2] = {{rows, rowLower}, {columns, columnLower}};
    return OwnedArray(SafeArrayCreate(VT_R8, 2, bounds));
}

OwnedArray makeDataArray(const std::vector<std::vector<double>>& columns, LONG rowLower, LONG columnLower) {
    const ULONG rows = columns.empty() ? 0 : static_cast<ULONG>(columns.front().size());
    OwnedArray owned = makeEmptyDataArray(rows, static_cast<ULONG>(columns.size()), rowLower, columnLower);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        for (std::size_t r = 0; r < columns[c].size(); ++r) {
            LONG index[2] = {rowLower + static_cast<LONG>(r), columnLower + static_cast<LONG>(c)};
            double value = columns[c][r];
            SafeArrayPutElement(owned.array, index, &value);
        }
    }
    return owned;
}

std::wstring stringElement(SAFEARRAY* array, LONG row, LONG column) {
    LONG index[2] = {row, column};
    BSTR element = nullptr;
    if (FAILED(SafeArrayGetElement(array, index, &element)) || element == nullptr) return L"<absent>";
    std::wstring text(element, SysStringLen(element));
    SysFreeString(element);
    return text;
}

std::string cp932(const std::wstring& text) {
    const int size = WideCharToMultiByte(932, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(932, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}
