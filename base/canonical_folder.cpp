#include "base/canonical_folder.h"

#include <windows.h>

#include "base/bounded_text.h"

namespace {

bool IsDriveRoot(const wchar_t* path)
{
    wchar_t drive = path[0] | 0x20;
    return drive >= L'a' && drive <= L'z' && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
}

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// "\\server\share": not the "\\?\" and "\\.\" forms, which bypass the path rules.
bool IsShare(const wchar_t* path)
{
    return IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] && !IsSeparator(path[2]) &&
           !((path[2] == L'?' || path[2] == L'.') && (IsSeparator(path[3]) || !path[3]));
}

} // namespace

bool CanonicalFolder(const wchar_t* typed, wchar_t* folder, size_t capacity)
{
    if (!typed || !folder || capacity == 0 || !(IsDriveRoot(typed) || IsShare(typed))) {
        SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    // Repeated separators first: the system keeps some of them as empty names.
    wchar_t joined[MAX_PATH] = {};
    size_t share = IsShare(typed) ? 2 : 0;
    size_t length = share;
    joined[0] = joined[1] = L'\\';
    for (const wchar_t* c = typed + share; *c; ++c) {
        if (IsSeparator(*c) && length > share && joined[length - 1] == L'\\')
            continue;
        if (length + 1 >= MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        joined[length++] = IsSeparator(*c) ? L'\\' : *c;
    }
    wchar_t full[MAX_PATH] = {};
    DWORD fullLength = GetFullPathNameW(joined, MAX_PATH, full, nullptr);
    if (fullLength == 0)
        return false;
    if (fullLength >= MAX_PATH || !(IsDriveRoot(full) || IsShare(full))) {
        SetLastError(fullLength >= MAX_PATH ? ERROR_FILENAME_EXCED_RANGE : ERROR_BAD_PATHNAME);
        return false;
    }
    if (fullLength > 3 && full[fullLength - 1] == L'\\')
        full[--fullLength] = 0;
    if (!FitsInto(full, capacity)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    CopyText(folder, capacity, full);
    return true;
}
