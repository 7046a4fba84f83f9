#pragma once
// Hands the results table over to the caller: a new two-dimensional array of
// strings (rows by cells, both indexed from 1) in the caller's VARIANT, which
// owns it from then on. The table itself is left unchanged.
#include <windows.h>
#include <oleauto.h>

#include "report/result_table.h"

// What the VARIANT held before is released (VariantClear), so the caller may
// reuse one VARIANT for every run; it must therefore hold a valid value
// (VT_EMPTY at least). False when the array could not be created; the VARIANT then has the array
// type and a null array. The width is that of the first row (0 for an empty
// table); shorter rows are filled up with empty strings.
bool handBackResults(const ResultTable& table, VARIANT* resultVariant);
