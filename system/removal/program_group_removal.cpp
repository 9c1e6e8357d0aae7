// The links of an installation in the shared all-users Start-menu program group.
#include "system/removal/installation_removal.h"

#include <objbase.h>
#include <shlobj.h>

#include "base/same_folder.h"
#include "base/whole_format.h"

namespace {

// The working folder of the link at `path`; false when the link cannot be read.
bool LinkWorkingFolder(const wchar_t* path, wchar_t (&folder)[MAX_PATH])
{
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                      reinterpret_cast<void**>(&link));
    if (SUCCEEDED(result))
        result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result))
        result = file->Load(path, STGM_READ);
    if (SUCCEEDED(result))
        result = link->GetWorkingDirectory(folder, MAX_PATH);
    if (file)
        file->Release();
    if (link)
        link->Release();
    if (FAILED(result))
        SetLastError(static_cast<DWORD>(result));
    return SUCCEEDED(result);
}

} // namespace

bool RemoveProgramShortcuts(const wchar_t* groupName, const wchar_t* folder)
{
    if (groupName == nullptr || groupName[0] == 0 || folder == nullptr || folder[0] == 0) {
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
    wchar_t pattern[MAX_PATH];
    if (!FormatWhole(group, MAX_PATH, L"%s\\%s", programs, groupName) ||
        !FormatWhole(pattern, MAX_PATH, L"%s\\*.lnk", group))
        return false;

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            return false;
    }
    DWORD failure = ERROR_SUCCESS;
    while (search != INVALID_HANDLE_VALUE) {
        wchar_t link[MAX_PATH];
        wchar_t workingFolder[MAX_PATH] = {};
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            FormatWhole(link, MAX_PATH, L"%s\\%s", group, found.cFileName) &&
            LinkWorkingFolder(link, workingFolder) && SameFolder(workingFolder, folder) && !DeleteFileW(link))
            failure = GetLastError();
        if (!FindNextFileW(search, &found)) {
            FindClose(search);
            search = INVALID_HANDLE_VALUE;
        }
    }
    // Refused while another installation's links (or anything else) are in it.
    RemoveDirectoryW(group);
    SetLastError(failure);
    return failure == ERROR_SUCCESS;
}
