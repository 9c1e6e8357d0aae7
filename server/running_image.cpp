#include "server/running_image.h"

#include <windows.h>
#include <objbase.h>
#include <sddl.h>

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "base/scoped_handle.h"
#include "base/whole_format.h"

namespace {

// The start of the name of the folder that takes the moved file.
const wchar_t kMovedFolderPrefix[] = L"velmora-uninstall-";

// Creates a new folder in `place` (ending in a separator) with a name nobody can know in
// advance, which only SYSTEM and the administrators can write: the system's temporary
// folder, and a volume's root, are folders where every user may create files and folders,
// such as one of the name about to be taken. Fails when the name exists, rather than using
// what is there.
bool CreatePrivateFolder(const wchar_t* place, wchar_t (&folder)[MAX_PATH])
{
    GUID unique;
    wchar_t name[40];
    if (FAILED(CoCreateGuid(&unique)) || StringFromGUID2(unique, name, 40) == 0)
        return false;
    if (!FormatWhole(folder, MAX_PATH, L"%s%s%s", place, kMovedFolderPrefix, name))
        return false;
    // Protected: nothing is inherited from the place's own entries.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)",
                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    UniqueLocalMemory descriptorHolder(descriptor);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    return CreateDirectoryW(folder, &attributes) != FALSE;
}

// Where the moved file may go, in order: the system's temporary folder, then the root of
// the installation folder's volume, which the installation never made.
int MovePlaces(const wchar_t* installationFolder, wchar_t (&places)[2][MAX_PATH])
{
    int count = 0;
    UINT length = GetSystemWindowsDirectoryW(places[count], MAX_PATH);
    if (length > 0 && length + 6 < MAX_PATH && AppendText(places[count], L"\\Temp\\") > 0)
        ++count;
    if (GetVolumePathNameW(installationFolder, places[count], MAX_PATH))
        ++count;
    return count;
}

}  // namespace

bool MoveRunningImageOut(const wchar_t* installationFolder, MovedImage& moved)
{
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 1) {
        SetLastError(length ? ERROR_FILENAME_EXCED_RANGE : GetLastError());
        return false;
    }
    wchar_t places[2][MAX_PATH] = {};
    const int count = MovePlaces(installationFolder, places);
    DWORD error = ERROR_PATH_NOT_FOUND;
    for (int place = 0; place < count; ++place) {
        if (!CreatePrivateFolder(places[place], moved.folder)) {
            error = GetLastError();
            continue;
        }
        // A rename, never a copy: only a rename keeps the running file's name free.
        if (FormatWhole(moved.image, MAX_PATH, L"%s\\%s", moved.folder, kUninstallerName) &&
            MoveFileExW(self, moved.image, 0))
            return true;
        error = GetLastError();
        RemoveDirectoryW(moved.folder);
        // Anything but another volume keeps the file where it is wherever it would go.
        if (error != ERROR_NOT_SAME_DEVICE)
            break;
    }
    moved = {};
    SetLastError(error);
    return false;
}

bool DeleteAtRestart(const MovedImage& moved)
{
    // The file first: the system deletes in this order, and only an empty folder goes.
    return MoveFileExW(moved.image, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) &&
           MoveFileExW(moved.folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
