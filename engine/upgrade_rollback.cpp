#include "engine/upgrade_rollback.h"

#include "base/installation_names.h"
#include "base/path_join.h"
#include "base/setup_tools.h"
#include "engine/server_exit.h"

namespace {

const int kServiceStopAttempts = 3;

bool IsRunning(DWORD state)
{
    return state == SERVICE_RUNNING || state == SERVICE_START_PENDING || state == SERVICE_CONTINUE_PENDING;
}

// Files are put back only under a stopped server: a running one holds them, or writes
// over what was put back. False when the server in `folder` is still running.
bool StopServer(const wchar_t* serviceName, const wchar_t* folder)
{
    if (g_setupTools.ServiceExists(serviceName)) {
        for (int i = 0; i < kServiceStopAttempts; ++i)
            if (g_setupTools.ControlServiceAndWait(serviceName, true) == SERVICE_STOPPED)
                break;
    }
    // The stopped server may hold its files for a moment.
    return WaitForServerExit(folder, nullptr, nullptr);
}

} // namespace

void RememberPreviousInstallation(const InstallRequest& request, PreviousInstallation& previous)
{
    previous.serviceRunning = IsRunning(g_setupTools.GetServiceState(request.service_name));
    wchar_t backups[MAX_PATH];
    previous.hadBackups = JoinPath(backups, request.folder, kBackupsFolderName) &&
                          GetFileAttributesW(backups) != INVALID_FILE_ATTRIBUTES;
    previous.record = MarkInstallationRecord(request.folder);
    if (request.Upgrade())
        previous.entrySaved = previous.entry.Save(request.service_name);
}

bool ChangedPreviousInstallation(const InstallRequest& request, const wchar_t* backup)
{
    return request.Upgrade() || (request.FolderWasThere() && backup[0]);
}

void RestorePreviousInstallation(const InstallRequest& request, const wchar_t* backup,
                                 const PreviousInstallation& previous)
{
    const wchar_t* folder = request.folder;
    if (!folder[0])
        return;
    // Without a backup the run failed before it replaced anything: only the service
    // it stopped is to be started again. The backups folder goes with the last backup in
    // it when this run made it: nothing was upgraded, so nothing is left to go back to.
    // When a file could not be put back, the backup with its only copy stays.
    if (StopServer(request.service_name, folder) && backup[0] &&
        RestoreInstallation(folder, backup, previous.record) && !previous.hadBackups) {
        wchar_t backups[MAX_PATH];
        if (JoinPath(backups, folder, kBackupsFolderName))
            RemoveDirectoryW(backups);
    }
    if (previous.entrySaved)
        previous.entry.PutBack();
    if (previous.serviceRunning)
        g_setupTools.ControlServiceAndWait(request.service_name, false);
}
