#include "base/bounded_text.h"
#include "base/path_join.h"
#include "base/setup_tools.h"

#include <shlobj.h>

bool CSetupTools::GetProgramGroup(const wchar_t* groupName, wchar_t* groupPath) const
{
    const size_t kCapacity = 256;
    if (!groupName || !groupPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    LPITEMIDLIST programs = nullptr;
    HRESULT result = SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_PROGRAMS, &programs);
    if (FAILED(result) || !programs) {
        // A success without a folder has no code of its own.
        SetLastError(FAILED(result) ? static_cast<DWORD>(result) : ERROR_PATH_NOT_FOUND);
        return false;
    }
    wchar_t path[MAX_PATH] = {};
    BOOL converted = SHGetPathFromIDListW(programs, path);
    CoTaskMemFree(programs);
    if (!converted) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }

    // A cut name would make (and, after a failed installation, delete) some other folder.
    wchar_t group[kCapacity];
    if (!JoinPath(group, path, groupName))
        return false;

    if (GetFileAttributesW(group) == INVALID_FILE_ATTRIBUTES && !CreateDirectoryW(group, nullptr))
        return false;
    CopyText(groupPath, kCapacity, group);
    return true;
}
