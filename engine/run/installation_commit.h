#pragma once
#include <windows.h>

#include "engine/changes/change_transaction.h"
#include "engine/install_request.h"

// What an installation of an earlier release, which remembered nothing, can be proven to
// have made: its service, while the service's command line is this installation's. Who
// made the folder, the certificates, the binding and the hosts lines it cannot tell: they
// stay unknown, and a removal leaves them and says so.
void RememberEarlierRelease(const InstallRequest& request, bool serviceIsTheInstallations,
                            RememberedInstallation& memory);

// Keeps the run's changes after its last step, and writes what the installation made and
// found where only administrators write (its entry among the installed programs). An
// upgrade keeps and extends the record of the installation it upgrades. A record that
// cannot be written stops nothing, as the installation works: the log says so.
void CommitInstallation(const InstallRequest& request, ChangeTransaction& changes);
