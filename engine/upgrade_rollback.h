#pragma once
#include <windows.h>

#include "engine/install_request.h"

#include "system/removal/installation_restore.h"
#include "system/uninstall/saved_uninstall_entry.h"

// What a run into an existing installation finds before it changes anything, so that the
// run, if it fails or is cancelled, can put the previous server back.
struct PreviousInstallation
{
    bool serviceRunning = false;  // the service of the run's name was running or starting
    bool hadBackups = false;      // the installation's "backups" folder was there
    RecordMark record;
    // An upgrade writes the new version and size over the entry among the installed programs.
    SavedUninstallEntry entry;
    bool entrySaved = false;
};

// Taken before the run stops the service.
void RememberPreviousInstallation(const InstallRequest& request, PreviousInstallation& previous);

// Whether a failed run changed an installation that was there: an upgrade, or a run into
// a folder that was there that took a backup (`backup`, empty for none) before replacing
// anything.
bool ChangedPreviousInstallation(const InstallRequest& request, const wchar_t* backup);

// After a failed run that ChangedPreviousInstallation: stops the server the run may have
// started, puts the replaced files back from the backup and takes away what the run
// added (system/removal/installation_restore.h), puts an upgraded installation's entry among
// the installed programs back as it was, then starts the service again when it
// was running before the run. Nobody is left to act on what could not be put back, so
// failures go unreported; the backup then stays.
void RestorePreviousInstallation(const InstallRequest& request, const wchar_t* backup,
                                 const PreviousInstallation& previous);
