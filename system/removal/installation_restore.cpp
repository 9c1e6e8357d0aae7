// An installation put back from the backup of a failed run into it.
#include "system/removal/installation_restore.h"

#include "base/bounded_text.h"
#include "base/link_check.h"
#include "base/path_join.h"
#include "base/scoped_handle.h"
#include "formats/installation_record/installation_record.h"
#include "system/removal/installation_removal.h"

namespace {

// The first failure's reason, kept while the work goes on.
struct Failure
{
    DWORD first = ERROR_SUCCESS;
    void Note(bool done)
    {
        DWORD error = GetLastError();
        if (!done && first == ERROR_SUCCESS)
            first = error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
    }
};

bool Exists(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// Moves every file below backup\relative back to folder\relative. A link met in the
// backup is not followed: the run put none there, so it holds nothing of the installation.
// `skipped` (at the top only) is the run's own list, not a file that was there.
void PutBack(const wchar_t* folder, const wchar_t* backup, const wchar_t* relative, const wchar_t* skipped,
             Failure& failure)
{
    wchar_t directory[MAX_PATH], pattern[MAX_PATH];
    if (!(relative[0] ? JoinPath(directory, backup, relative) : CopyText(directory, MAX_PATH, backup) > 0) ||
        !JoinPath(pattern, directory, L"*")) {
        failure.Note(false);
        return;
    }
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(FindFirstFileW(pattern, &found));
    for (bool more = search.IsValid(); more; more = FindNextFileW(search.Get(), &found) != FALSE) {
        const wchar_t* name = found.cFileName;
        if (lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0 ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || (skipped && lstrcmpiW(name, skipped) == 0))
            continue;
        wchar_t child[MAX_PATH];
        if (!(relative[0] ? JoinPath(child, relative, name) : CopyText(child, MAX_PATH, name) > 0)) {
            failure.Note(false);
            continue;
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            PutBack(folder, backup, child, nullptr, failure);
            continue;
        }
        wchar_t source[MAX_PATH], target[MAX_PATH];
        // Through a link it would land outside the installation.
        if (CrossesLink(folder, child)) {
            SetLastError(ERROR_CANT_ACCESS_FILE);
            failure.Note(false);
            continue;
        }
        if (!JoinPath(source, backup, child) || !JoinPath(target, folder, child)) {
            failure.Note(false);
            continue;
        }
        // The run's copy may have been written read-only.
        if (Exists(target))
            SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
        failure.Note(MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE);
    }
}

// Cuts the record back to what it was before the run.
bool CutRecord(const wchar_t* folder, LONGLONG bytes)
{
    wchar_t path[MAX_PATH];
    if (!JoinPath(path, folder, kInstallationRecordName) || CrossesLink(folder, kInstallationRecordName))
        return false;
    UniqueHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
    LARGE_INTEGER at;
    at.QuadPart = bytes;
    return file && SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

} // namespace

RecordMark MarkInstallationRecord(const wchar_t* folder)
{
    RecordMark mark;
    wchar_t path[MAX_PATH];
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!JoinPath(path, folder, kInstallationRecordName) || !GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return mark;
    mark.existed = true;
    mark.bytes = static_cast<LONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    InstallationRecord record;
    mark.entries = record.Load(folder) ? record.Count() : kUnknownEntries;
    return mark;
}

bool RestoreInstallation(const wchar_t* folder, const wchar_t* backup, const RecordMark& before)
{
    if (!folder || !folder[0] || !backup) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    // The run's list: the tail of the installation's record, or the list kept in the
    // backup for an installation without one.
    InstallationRecord run;
    size_t first = kUnknownEntries;
    bool listInBackup = false;
    if (run.Load(folder))
        first = before.existed ? before.entries : 0;
    else if (!before.existed && backup[0] && run.Load(backup))
        first = 0, listInBackup = true;
    const size_t count = first == kUnknownEntries ? 0 : run.Count();

    Failure failure;
    wchar_t path[MAX_PATH], twin[MAX_PATH];
    // What the run wrote without moving anything aside was not there before. Goes first:
    // once the backup is back in place, a twin no longer tells a replaced file.
    for (size_t i = first; i < count; ++i) {
        const wchar_t* relative = run.Path(i);
        if (run.Kind(i) != RecordedKind::kFile || CrossesLink(folder, relative) || !JoinPath(path, folder, relative))
            continue;
        if (backup[0] && (!JoinPath(twin, backup, relative) || Exists(twin)))
            continue;
        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
        bool deleted = DeleteFileW(path) != FALSE;
        failure.Note(deleted || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND);
    }

    Failure putBack;
    // A backup turned into a link stays as it is: nothing moves out of it, and it is not deleted.
    if (backup[0] && Exists(backup) && BackupCrossesLink(folder, backup, L"")) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        putBack.Note(false);
    } else if (backup[0] && Exists(backup)) {
        PutBack(folder, backup, L"", listInBackup ? kInstallationRecordName : nullptr, putBack);
    }
    // Everything is back where it was: the backup holds nothing more and goes (the
    // folders it made go below when the run made them).
    if (putBack.first == ERROR_SUCCESS && backup[0])
        putBack.Note(DeleteFolderTree(backup));

    // Deepest first; a folder that still holds something stays.
    for (size_t i = count; i-- > first;) {
        if (run.Kind(i) == RecordedKind::kFolder && !CrossesLink(folder, run.Path(i)) &&
            JoinPath(path, folder, run.Path(i)))
            RemoveDirectoryW(path);
    }

    // A record the run began goes; an earlier one loses the run's entries, unless the
    // backup stays, which its entries then take along when the installation is removed.
    if (!before.existed) {
        if (JoinPath(path, folder, kInstallationRecordName) && !CrossesLink(folder, kInstallationRecordName)) {
            bool deleted = DeleteFileW(path) != FALSE;
            failure.Note(deleted || GetLastError() == ERROR_FILE_NOT_FOUND);
        }
    } else if (putBack.first == ERROR_SUCCESS) {
        failure.Note(CutRecord(folder, before.bytes));
    }

    DWORD error = putBack.first != ERROR_SUCCESS ? putBack.first : failure.first;
    SetLastError(error);
    return error == ERROR_SUCCESS;
}
