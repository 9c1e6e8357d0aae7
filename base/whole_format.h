#pragma once
#include <windows.h>

#include "base/bounded_text.h"

// FormatText for paths and command lines that are acted on: a cut one would name
// something else, so it fails (ERROR_FILENAME_EXCED_RANGE) instead of cutting.
template <typename... Args>
bool FormatWhole(wchar_t* dest, size_t capacity, const wchar_t* format, Args... args)
{
    size_t written = FormatText(dest, capacity, format, args...);
    if (written + 1 < capacity)
        return true;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}
