#pragma once
// Work storage whose entries start unset: for arrays of DoubleDouble (whose
// members start at zero) sized for the most variables but used for a few,
// where zeroing the whole array on every call would cost more than the
// arithmetic on the part in use. Entries must be written before they are
// read; assigning to one starts its life (the type is trivially copyable).
#include <cstddef>

template <class T, std::size_t N>
struct ScratchArray {
    union {
        T values[N];
    };
    ScratchArray() {}  // leaves values unset

    T& operator[](std::size_t i) { return values[i]; }
    const T& operator[](std::size_t i) const { return values[i]; }
    T* data() { return values; }
    const T* data() const { return values; }
};
