#include "base/protected_folder.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "base/object_security.h"
#include "base/scoped_handle.h"

const wchar_t kProtectedFolderRights[] = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
const wchar_t kInheritedFolderRights[] = L"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)";
const wchar_t kInheritedFileRights[] = L"O:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)";

namespace {

const size_t kLongestFolder = 520;

bool IsFolder(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool CreateProtectedFolder(const wchar_t* path)
{
    if (!path || !path[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    wchar_t buffer[kLongestFolder];
    if (!FitsInto(path, kLongestFolder)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    size_t length = CopyText(buffer, path);
    while (length > 3 && buffer[length - 1] == L'\\')
        buffer[--length] = 0;
    if (IsFolder(buffer))
        return true;

    // Up to the deepest folder that exists; each separator passed marks one to make.
    size_t ends[kLongestFolder / 2];
    size_t count = 0;
    ends[count++] = length;
    for (size_t i = length; i-- > 1;) {
        if (buffer[i] != L'\\')
            continue;
        buffer[i] = 0;
        bool exists = IsFolder(buffer) || (i == 2 && buffer[1] == L':');
        buffer[i] = L'\\';
        if (exists)
            break;
        ends[count++] = i;
    }

    UniqueLocalMemory descriptor;
    if (!SecurityFromText(kProtectedFolderRights, descriptor))
        return false;
    SECURITY_ATTRIBUTES protectedRights = {sizeof(protectedRights), descriptor.Get(), FALSE};
    // The topmost new folder first, with the rights; those below inherit them.
    for (size_t n = count; n-- > 0;) {
        wchar_t saved = buffer[ends[n]];
        buffer[ends[n]] = 0;
        bool made = CreateDirectoryW(buffer, n == count - 1 ? &protectedRights : nullptr) ||
                    (GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(buffer) && n != count - 1);
        buffer[ends[n]] = saved;
        if (!made)
            return false;
    }
    return true;
}
