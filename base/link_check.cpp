#include "base/link_check.h"

#include <windows.h>

#include "base/path_join.h"

bool CrossesLink(const wchar_t* root, const wchar_t* relative)
{
    wchar_t full[MAX_PATH];
    if (!JoinPath(full, root, relative))
        return true;
    for (size_t at = lstrlenW(root) + 1;; ++at) {
        if (full[at] != L'\\' && full[at] != 0)
            continue;
        wchar_t kept = full[at];
        full[at] = 0;
        DWORD attributes = GetFileAttributesW(full);
        full[at] = kept;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return true;
        if (kept == 0)
            return false;
    }
}

bool BackupCrossesLink(const wchar_t* folder, const wchar_t* backup, const wchar_t* relative)
{
    const int length = lstrlenW(folder);
    if (length == 0 || lstrlenW(backup) <= length + 1 || backup[length] != L'\\' ||
        CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, backup, length, folder, length) != CSTR_EQUAL)
        return relative[0] != 0 && CrossesLink(backup, relative);
    const wchar_t* within = backup + length + 1;
    wchar_t path[MAX_PATH];
    if (relative[0] && !JoinPath(path, within, relative))
        return true;
    return CrossesLink(folder, relative[0] ? path : within);
}
