#include "engine/changes/backup_change.h"

#include "base/bounded_text.h"
#include "base/protected_folder.h"
#include "base/setup_log.h"
#include "engine/changes/service_changes.h"
#include "system/services/server_exit.h"

namespace {

// Files are put back only under a stopped server: a running one holds them, or writes
// over what was put back. False when the server in `folder` is still running.
bool StopServer(const wchar_t* serviceName, const wchar_t* folder)
{
    StopServiceOfName(serviceName, nullptr, nullptr);
    // The stopped server may hold its files for a moment.
    if (WaitForServerExit(folder, nullptr, nullptr))
        return true;
    SetLastError(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    return false;
}

} // namespace

BackupChange::BackupChange(const wchar_t* serviceName, const wchar_t* folder, const wchar_t* backups,
                           const wchar_t* backup, const RecordMark& mark)
    : mark_(mark)
{
    CopyText(service_, serviceName);
    CopyText(folder_, folder);
    CopyText(backups_, backups);
    CopyText(backup_, backup);
}

bool BackupChange::Preview(ChangePreview& preview)
{
    if (GetFileAttributesW(backup_) != INVALID_FILE_ATTRIBUTES) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    preview.Say(Kind(), L"would move every file it replaces into %s first; finds no folder of that name", backup_);
    return true;
}

bool BackupChange::Apply()
{
    // A new folder, never one that is there already: its name can be foreseen.
    if (GetFileAttributesW(backup_) != INVALID_FILE_ATTRIBUTES) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    madeBackups_ = GetFileAttributesW(backups_) == INVALID_FILE_ATTRIBUTES;
    if (CreateProtectedFolder(backup_))
        return true;
    const DWORD error = GetLastError();
    RemoveDirectoryW(backup_);
    if (madeBackups_)
        RemoveDirectoryW(backups_);
    SetLastError(error);
    return false;
}

bool BackupChange::Undo()
{
    if (!StopServer(service_, folder_) || !RestoreInstallation(folder_, backup_, mark_)) {
        const DWORD error = GetLastError();
        g_setupLog.Line(L"rollback: the previous installation's files stay in \"%s\"", backup_);
        SetLastError(error);
        return false;
    }
    // Nothing was upgraded, so nothing is left to go back to.
    if (madeBackups_)
        RemoveDirectoryW(backups_);
    return true;
}
