// An installation's folder tree, deleted through the shell.
#include "system/removal/installation_removal.h"

#include <shellapi.h>

#include "base/bounded_text.h"

bool DeleteFolderTree(const wchar_t* folder, HWND owner)
{
    if (folder == nullptr || folder[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES)
        return true;
    // The shell wants a list of paths ended by an empty one.
    wchar_t from[MAX_PATH + 1] = {};
    if (!FitsInto(folder, MAX_PATH)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    CopyText(from, MAX_PATH, folder);
    SHFILEOPSTRUCTW operation = {};
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&operation);
    // The shell's result codes are its own; whether the folder is gone is what counts.
    if (GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES)
        return true;
    SetLastError(ERROR_SHARING_VIOLATION);
    return false;
}
