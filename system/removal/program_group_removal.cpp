// The program group of an installation in the all-users Start menu.
#include "system/removal/installation_removal.h"

#include <shlobj.h>

#include "base/whole_format.h"

bool RemoveProgramGroup(const wchar_t* groupName)
{
    if (groupName == nullptr || groupName[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    wchar_t programs[MAX_PATH];
    HRESULT result = SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    if (FAILED(result)) {
        SetLastError(HRESULT_CODE(result));
        return false;
    }
    wchar_t group[MAX_PATH];
    if (!FormatWhole(group, MAX_PATH, L"%s\\%s", programs, groupName))
        return false;
    return DeleteFolderTree(group);
}
