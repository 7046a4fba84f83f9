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

// Locks an array for reading; when that fails (a null array included) tells
// the user in a message box and answers false.
bool lockArray(SAFEARRAY* array);

// The elements of a one-dimensional array of strings that the caller holds
// locked, read as readNameArray reads them; lowerBound receives the index of
// the first. False, with both outputs unchanged, when the array is not a
// one-dimensional array of strings.
bool readLockedNameArray(SAFEARRAY* array, std::vector<std::string>& names, LONG& lowerBound);

// A two-dimensional array of doubles, rows by columns. Element (r, c) becomes
// value r - lb1 of column c - lb2. False, with the list unchanged, when the
// array cannot be locked (after a message box) or is not a two-dimensional
// array of doubles (silently).
bool readDataArray(SAFEARRAY** arrayRef, std::vector<DataColumn>& columns);
