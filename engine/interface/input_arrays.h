#pragma once
// Reading the add-in's arrays (passed by reference: a pointer to the
// SAFEARRAY pointer) into the run block's lists. Both lock the array for
// exactly the time they read it.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "regression/data_column.h"

// A one-dimensional array of strings whose bytes are narrow text. Element i
// (from the lower bound) becomes entry i; its bytes up to the first zero.
// False, with the list unchanged, when the array cannot be locked (after a
// message box) or is not a one-dimensional array of strings (silently).
bool readNameArray(SAFEARRAY** arrayRef, std::vector<std::string>& names);

// A two-dimensional array of doubles, rows by columns. Element (r, c) becomes
// value r - lb1 of column c - lb2. False, with the list unchanged, when the
// array cannot be locked (after a message box) or is not a two-dimensional
// array of doubles (silently).
bool readDataArray(SAFEARRAY** arrayRef, std::vector<DataColumn>& columns);
