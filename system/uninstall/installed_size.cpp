#include "system/uninstall/installed_size.h"

#include "base/installation_names.h"
#include "base/scoped_handle.h"
#include "base/whole_format.h"

namespace {


bool IsDotEntry(const wchar_t* name)
{
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

ULONGLONG SaturatedSum(ULONGLONG a, ULONGLONG b)
{
    return a > ~0ull - b ? ~0ull : a + b;
}

ULONGLONG FolderBytes(const wchar_t* folder, bool top)
{
    wchar_t pattern[MAX_PATH];
    if (!FormatWhole(pattern, MAX_PATH, L"%s\\*", folder))
        return 0;
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(FindFirstFileW(pattern, &found));
    if (!search)
        return 0;
    ULONGLONG bytes = 0;
    do {
        if (IsDotEntry(found.cFileName))
            continue;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            bytes = SaturatedSum(bytes, (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow);
            continue;
        }
        // A linked folder lies elsewhere and may even lead back here.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            (top && lstrcmpiW(found.cFileName, kBackupsFolderName) == 0))
            continue;
        wchar_t child[MAX_PATH];
        if (FormatWhole(child, MAX_PATH, L"%s\\%s", folder, found.cFileName))
            bytes = SaturatedSum(bytes, FolderBytes(child, false));
    } while (FindNextFileW(search.Get(), &found));
    return bytes;
}

}  // namespace

DWORD InstalledSizeKiB(const wchar_t* folder)
{
    if (folder == nullptr || folder[0] == 0)
        return 0;
    return KiBFromBytes(FolderBytes(folder, true));
}

DWORD KiBFromBytes(ULONGLONG bytes)
{
    // Rounded up without adding to `bytes`, which may be as large as its type.
    const ULONGLONG kib = bytes / 1024 + (bytes % 1024 != 0);
    return kib > 0xFFFFFFFFull ? 0xFFFFFFFFul : static_cast<DWORD>(kib);
}
