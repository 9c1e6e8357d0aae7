#include "base/path_join.h"

#include "base/bounded_text.h"

#include <windows.h>
#include <wchar.h>

bool JoinPath(wchar_t* out, size_t capacity, const wchar_t* folder, const wchar_t* name)
{
    if (out == nullptr || folder == nullptr || name == nullptr || capacity == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    size_t needed = wcslen(folder) + 1 + wcslen(name) + 1;
    if (needed > capacity) {
        out[0] = 0;
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    FormatText(out, capacity, L"%s\\%s", folder, name);
    return true;
}
