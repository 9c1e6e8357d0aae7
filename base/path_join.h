#pragma once
#include <stddef.h>

// "<folder>\<name>" into `out`. A path that does not fit is refused rather than cut, as
// a cut path names another file: false with ERROR_FILENAME_EXCED_RANGE.
bool JoinPath(wchar_t* out, size_t capacity, const wchar_t* folder, const wchar_t* name);

template <size_t N>
bool JoinPath(wchar_t (&out)[N], const wchar_t* folder, const wchar_t* name)
{
    return JoinPath(out, N, folder, name);
}
