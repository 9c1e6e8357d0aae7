#include "base/bounded_text.h"
#include "base/setup_tools.h"

#include <wchar.h>

namespace {

bool PathExists(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool CSetupTools::CreateDirectoryTree(const wchar_t* path) const
{
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    // A cut path would name, and make, another folder.
    wchar_t buffer[520];
    if (!FitsInto(path, 520)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    size_t length = CopyText(buffer, path);

    // A trailing backslash is never the separator, and the first character is never
    // one either ("\x" has no parent to make).
    for (size_t i = length >= 2 ? length - 2 : 0; i >= 1; --i) {
        if (buffer[i] != L'\\')
            continue;
        buffer[i] = 0;
        if (!PathExists(buffer) && !CreateDirectoryW(buffer, nullptr))
            CreateDirectoryTree(buffer);  // what fails here fails again below, with its reason
        buffer[i] = L'\\';
        break;
    }

    DWORD attributes = GetFileAttributesW(buffer);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // A file of that name is no folder: later work inside it would fail far from here.
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return true;
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    return CreateDirectoryW(buffer, nullptr) != FALSE;
}
