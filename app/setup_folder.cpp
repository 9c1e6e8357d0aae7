#include "app/setup_folder.h"

#include <wchar.h>

#include "base/bounded_text.h"

namespace {

const wchar_t kSettingsFileName[] = L"\\velmorasetup.cfg";

} // namespace

bool FolderOfModulePath(const wchar_t* path, DWORD length, DWORD capacity, wchar_t (&folder)[MAX_PATH])
{
    folder[0] = 0;
    if (length == 0 || length >= capacity || length >= MAX_PATH)
        return false;
    const wchar_t* lastSeparator = nullptr;
    for (DWORD at = 0; at < length; ++at)
        if (path[at] == L'\\')
            lastSeparator = path + at;
    if (!lastSeparator)
        return false;
    const size_t folderLength = static_cast<size_t>(lastSeparator - path);
    if (folderLength + wcslen(kSettingsFileName) >= MAX_PATH)
        return false;
    CopyTextN(folder, MAX_PATH, path, folderLength);
    return true;
}

bool RunningSetupFolder(wchar_t (&folder)[MAX_PATH])
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (FolderOfModulePath(path, length, MAX_PATH, folder))
        return true;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}
