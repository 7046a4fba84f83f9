#include "interface/input_arrays.h"

#include <cstring>

#include "interface/message_box.h"

namespace {

// The element type the array declares, or VT_EMPTY when it declares none.
VARTYPE elementType(SAFEARRAY* array) {
    VARTYPE type = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &type))) return VT_EMPTY;
    return type;
}

bool hasShape(SAFEARRAY* array, UINT dimensions, VARTYPE type, ULONG elementSize) {
    return SafeArrayGetDim(array) == dimensions && elementType(array) == type &&
           SafeArrayGetElemsize(array) == elementSize;
}

// The bytes of one string element up to its first zero byte. The string is a
// copy that the caller of SafeArrayGetElement owns, so it is freed here; a
// null string reads as an empty name.
std::string elementBytes(SAFEARRAY* array, LONG index) {
    BSTR element = nullptr;
    SafeArrayGetElement(array, &index, &element);
    if (element == nullptr) return std::string();
    const char* bytes = reinterpret_cast<const char*>(element);
    const std::size_t length = SysStringByteLen(element);
    const void* zero = std::memchr(bytes, 0, length);
    const std::size_t used = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : length;
    std::string name(bytes, used);
    SysFreeString(element);
    return name;
}

// Number of elements from lower to upper bound, 0 for an empty dimension.
std::size_t extent(LONG lower, LONG upper) {
    return upper < lower ? 0 : static_cast<std::size_t>(static_cast<long long>(upper) - lower + 1);
}

}  // namespace

// A null reference or a null array fails the lock like any other unusable
// array.
bool lockArray(SAFEARRAY* array) {
    if (FAILED(SafeArrayLock(array))) {
        showWideMessage(L"配列のロックに失敗しました。", MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

bool readLockedNameArray(SAFEARRAY* array, std::vector<std::string>& names, LONG& lowerBound) {
    if (!hasShape(array, 1, VT_BSTR, sizeof(BSTR))) return false;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    std::vector<std::string> read(extent(lower, upper));
    for (std::size_t i = 0; i < read.size(); ++i) {
        read[i] = elementBytes(array, static_cast<LONG>(lower + static_cast<long long>(i)));
    }
    names = std::move(read);
    lowerBound = lower;
    return true;
}

bool readNameArray(SAFEARRAY** arrayRef, std::vector<std::string>& names) {
    SAFEARRAY* array = arrayRef ? *arrayRef : nullptr;
    if (!lockArray(array)) return false;
    std::vector<std::string> read;
    LONG lower = 0;
    const bool isNameArray = readLockedNameArray(array, read, lower);
    SafeArrayUnlock(array);
    if (isNameArray) names = std::move(read);
    return isNameArray;
}

bool readDataArray(SAFEARRAY** arrayRef, std::vector<DataColumn>& columns) {
    SAFEARRAY* array = arrayRef ? *arrayRef : nullptr;
    if (!lockArray(array)) return false;
    if (!hasShape(array, 2, VT_R8, sizeof(double))) {
        SafeArrayUnlock(array);
        return false;
    }
    LONG rowLower = 0, rowUpper = -1, columnLower = 0, columnUpper = -1;
    SafeArrayGetLBound(array, 1, &rowLower);
    SafeArrayGetUBound(array, 1, &rowUpper);
    SafeArrayGetLBound(array, 2, &columnLower);
    SafeArrayGetUBound(array, 2, &columnUpper);
    const std::size_t rows = extent(rowLower, rowUpper);
    std::vector<DataColumn> read(extent(columnLower, columnUpper), DataColumn(rows, 0.0));
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < read.size(); ++c) {
            // Row index first, then column index.
            LONG index[2] = {static_cast<LONG>(rowLower + static_cast<long long>(r)),
                             static_cast<LONG>(columnLower + static_cast<long long>(c))};
            SafeArrayGetElement(array, index, &read[c][r]);
        }
    }
    SafeArrayUnlock(array);
    columns = std::move(read);
    return true;
}
