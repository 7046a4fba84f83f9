#pragma once
// Builds the arrays the add-in passes: names as a one-dimensional array of
// strings holding narrow bytes (as Excel's call mechanism converts them), data
// as a two-dimensional array of doubles, rows by columns. OwnedArray destroys
// its array unless the test has done so already.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

struct OwnedArray {
    SAFEARRAY* array = nullptr;
    OwnedArray() = default;
    explicit OwnedArray(SAFEARRAY* a) : array(a) {}
    OwnedArray(OwnedArray&& other) noexcept : array(other.array) { other.array = nullptr; }
    OwnedArray& operator=(OwnedArray&& other) noexcept;
    ~OwnedArray();
    SAFEARRAY** ref() { return &array; }
};

// names: narrow byte strings; lower: the array's lower bound.
OwnedArray makeNameArray(const std::vector<std::string>& names, LONG lower = 1);
// columns[c][r]; every column has the same length. Dimension 1 runs over
// rows (lower bound rowLower), dimension 2 over columns.
OwnedArray makeDataArray(const std::vector<std::vector<double>>& columns, LONG rowLower = 1,
                         LONG columnLower = 1);
// A rows x columns array of doubles with no element written yet.
OwnedArray makeEmptyDataArray(ULONG rows, ULONG columns, LONG rowLower = 1, LONG columnLower = 1);

// The UTF-16 text of a cell of a two-dimensional string array at (row, col).
std::wstring stringElement(SAFEARRAY* array, LONG row, LONG column);

// Code page 932 bytes of a UTF-16 text (the narrow form of Japanese names).
std::string cp932(const std::wstring& text);
