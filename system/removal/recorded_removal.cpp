// An installation removed by its record: what the setup made goes, nothing else.
#include "system/removal/installation_removal.h"

#include "base/link_check.h"
#include "base/path_join.h"
#include "formats/installation_record/installation_record.h"

bool RemoveRecordedInstallation(const wchar_t* folder)
{
    InstallationRecord record;
    if (!record.Load(folder)) {
        // Installations made before the record existed were always in a folder of their own.
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return DeleteFolderTree(folder);
        return false;
    }
    if (record.MadeFolder())
        return DeleteFolderTree(folder);

    DWORD failure = ERROR_SUCCESS;
    auto note = [&failure](bool done) {
        DWORD error = GetLastError();
        if (!done && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && failure == ERROR_SUCCESS)
            failure = error;
    };
    wchar_t path[MAX_PATH];
    for (size_t i = 0; i < record.Count(); ++i) {
        if (record.Kind(i) != RecordedKind::kFile || CrossesLink(folder, record.Path(i)))
            continue;
        if (JoinPath(path, folder, record.Path(i))) {
            SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
            note(DeleteFileW(path) != FALSE);
        }
    }
    // Deepest first; a folder that still holds what somebody else put there stays, but one
    // made with all it holds (the backups) goes whole.
    for (size_t i = record.Count(); i-- > 0;) {
        if (record.Kind(i) == RecordedKind::kTree && !CrossesLink(folder, record.Path(i)) &&
            JoinPath(path, folder, record.Path(i)))
            note(DeleteFolderTree(path));
        if (record.Kind(i) == RecordedKind::kFolder && !CrossesLink(folder, record.Path(i)) &&
            JoinPath(path, folder, record.Path(i)) && !RemoveDirectoryW(path) && GetLastError() != ERROR_DIR_NOT_EMPTY)
            note(false);
    }
    if (JoinPath(path, folder, kInstallationRecordName))
        note(DeleteFileW(path) != FALSE);
    SetLastError(failure);
    return failure == ERROR_SUCCESS;
}
