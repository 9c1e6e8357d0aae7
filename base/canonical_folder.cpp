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

// The system drops a name's trailing dots and blanks: "D:\\Serve.\\x" is "D:\\Serve\\x" to it,
// and every later check must look at the folder it will write to. False for a name of
// nothing but dots and blanks.
bool DropTrailingDotsAndBlanks(wchar_t* path, size_t start)
{
    size_t out = start;
    size_t nameStart = start;
    for (size_t in = start;; ++in) {
        const wchar_t c = path[in];
        if (c != L'\\' && c != 0) {
            path[out++] = c;
            continue;
        }
        while (out > nameStart && (path[out - 1] == L'.' || path[out - 1] == L' '))
            --out;
        if (out == nameStart)
            return false;
        path[out++] = c;
        if (c == 0)
            return true;
        nameStart = out;
    }
}

// Where the names after the root begin: after "C:\\" or "\\\\server\\share\\"; the whole
// length when there are none.
size_t NamesStart(const wchar_t* full)
{
    if (!IsShare(full))
        return 3;
    const wchar_t* share = wcschr(full + 2, L'\\');
    const wchar_t* names = share ? wcschr(share + 1, L'\\') : nullptr;
    return names ? static_cast<size_t>(names - full) + 1 : wcslen(full);
}

// The long form of every 8.3 alias in the part of `path` that exists: the deepest existing
// folder is asked for its long name, and the rest, which does not exist yet, kept.
void ExpandShortNames(wchar_t* path, size_t capacity)
{
    wchar_t prefix[MAX_PATH];
    CopyText(prefix, path);
    size_t cut = wcslen(prefix);
    for (;;) {
        wchar_t longForm[MAX_PATH];
        DWORD length = GetLongPathNameW(prefix, longForm, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            wchar_t whole[MAX_PATH];
            if (FormatText(whole, MAX_PATH, L"%s%s", longForm, path + cut) < MAX_PATH - 1)
                CopyText(path, capacity, whole);
            return;
        }
        const wchar_t* separator = wcsrchr(prefix, L'\\');
        if (!separator || static_cast<size_t>(separator - prefix) <= 2)
            return;
        cut = static_cast<size_t>(separator - prefix);
        prefix[cut] = 0;
    }
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
    const size_t namesStart = NamesStart(full);
    if (namesStart < wcslen(full) && !DropTrailingDotsAndBlanks(full, namesStart)) {
        SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    // A share's names are the server's to tell; they are refused as a place anyway.
    if (!IsShare(full))
        ExpandShortNames(full, MAX_PATH);
    if (!FitsInto(full, capacity)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    CopyText(folder, capacity, full);
    return true;
}
