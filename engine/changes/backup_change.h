#pragma once
#include <windows.h>

#include "engine/changes/machine_change.h"
#include "system/removal/installation_restore.h"

// The backup of an installation that was there (an upgrade, or a folder that was there):
// every file the run replaces goes into it first, so that a rollback can put the previous
// installation back whole. Undo stops the server the run may have started, puts the files
// back (RestoreInstallation), and only once they are all back does the backup go, with the
// "backups" folder when the run made it. When the server does not stop or a file cannot be
// put back, the backup stays, with the only copy of what it holds, and the log says where.
class BackupChange final : public MachineChange
{
public:
    // `mark`: where the installation's record stood before the run.
    BackupChange(const wchar_t* serviceName, const wchar_t* folder, const wchar_t* backups, const wchar_t* backup,
                 const RecordMark& mark);
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    const wchar_t* Kind() const override { return L"backup of the installation"; }

private:
    wchar_t service_[64];
    wchar_t folder_[MAX_PATH];
    wchar_t backups_[MAX_PATH];
    wchar_t backup_[MAX_PATH];
    RecordMark mark_;
    bool madeBackups_ = false;
};
