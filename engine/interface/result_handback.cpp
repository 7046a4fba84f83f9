#include "interface/result_handback.h"

#include <string>

namespace {

// Stores one cell at (row, column); SafeArrayPutElement keeps its own copy
// of the string, so the temporary is freed again.
void putCell(SAFEARRAY* array, LONG row, LONG column, const std::u16string& text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 cells");
    BSTR cell = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                  static_cast<UINT>(text.size()));
    LONG index[2] = {row, column};
    SafeArrayPutElement(array, index, cell);
    SysFreeString(cell);
}

}  // namespace

bool handBackResults(const ResultTable& table, VARIANT* resultVariant) {
    const std::size_t rows = table.size();
    const std::size_t width = rows == 0 ? 0 : table.front().size();
    // The caller may pass the VARIANT that holds an earlier run's table; it
    // is released first, or every reuse would leak that table.
    VariantClear(resultVariant);
    VariantInit(resultVariant);
    V_VT(resultVariant) = VT_ARRAY | VT_BSTR;
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows), 1}, {static_cast<ULONG>(width), 1}};
    SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 2, bounds);
    V_ARRAY(resultVariant) = array;
    if (array == nullptr) return false;
    const std::u16string empty;
    for (std::size_t i = 0; i < rows; ++i) {
        const ResultRow& row = table[i];
        for (std::size_t j = 0; j < width; ++j) {
            putCell(array, static_cast<LONG>(i + 1), static_cast<LONG>(j + 1),
                    j < row.size() ? row[j] : empty);
        }
    }
    return true;
}
