#include "server/module_folder.h"

#include <windows.h>

bool GetModuleFolder(wchar_t* folder, size_t capacity)
{
    if (folder == nullptr || capacity == 0 || capacity > 0x7FFFFFFF) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    DWORD length = GetModuleFileNameW(nullptr, folder, static_cast<DWORD>(capacity));
    if (length == 0)
        return false;
    // A path that filled the buffer may have been cut; a cut path names no real folder.
    if (length >= capacity - 1) {
        folder[0] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    wchar_t* lastSeparator = nullptr;
    for (wchar_t* c = folder; *c; ++c) {
        if (*c == L'\\')
            lastSeparator = c;
    }
    if (lastSeparator == nullptr) {
        folder[0] = 0;
        SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    *lastSeparator = 0;
    return true;
}
