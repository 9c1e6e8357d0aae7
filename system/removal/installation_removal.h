#pragma once
#include <windows.h>
#include <stddef.h>

// Removing an installation, part by part, for the setup's rollback of a failed new
// installation and for the uninstaller alike. Each part is its own call because the two
// differ in what they do when one part fails, and the uninstaller cannot delete the folder
// it runs from itself. A folder is always compared by SameFolder (base/same_folder.h).
//
// The entries in Programs and Features go by RemoveUninstallEntriesOfFolder, beside the
// code that writes them.
#include "system/uninstall/uninstall_entry.h"

// Where removing services stopped.
enum class ServiceRemoval {
    kDone,            // none of them is left
    kNoneInFolder,    // no service of that name runs from the folder; nothing was done
    kListUnreadable,  // the list of services could not be read
    kNotStopped,      // a service did not stop and was left as it was
    kNotRemoved,      // a stopped service could not be deleted (CSetupTools reported why)
};

// Stops and deletes the service `serviceName` when its executable lies in `folder`; a
// service of that name that runs a program elsewhere stays (kNoneInFolder). A service
// that does not stop is deleted anyway, and the system deletes it once it ends.
ServiceRemoval RemoveServiceOfFolder(const wchar_t* serviceName, const wchar_t* folder);

// Stops and deletes every Win32 service whose executable lies in `folder`. The first one
// that does not stop ends the work, as its files would still be in use: kNotStopped, its
// name in `failedService` and the reason in the thread's last error.
ServiceRemoval RemoveServicesOfFolder(const wchar_t* folder, wchar_t* failedService, size_t capacity);

// Deletes `folder` with everything in it, without asking, and never what lies outside it:
// a junction, symbolic link or mount point met in the tree (or the folder itself, when it
// is one) is removed itself, never entered, also when it takes a folder's place while the
// tree is being deleted. What cannot be deleted is skipped and the rest still goes.
// True when the folder is gone afterwards (also when it never existed); otherwise the
// reason is the thread's last error (the first failure's).
bool DeleteFolderTree(const wchar_t* folder);

// Removes the installation in `folder` by its record (formats/installation_record): the
// whole folder when the setup made it, else only the files and then the (emptied) folders
// that the setup made, so that installing into an existing folder and removing again
// leaves what was there. Without a record (installations made before it existed) the whole
// folder goes. Entries behind a link are left alone. True when everything recorded that
// could go has gone; otherwise the first failure's reason is the thread's last error.
bool RemoveRecordedInstallation(const wchar_t* folder);

// Deletes the links of the all-users Start-menu program group `groupName` whose working
// folder is `folder` (every link the setup makes has the installation folder there), then
// the group when nothing else is left in it: the group is shared by every installation on
// the computer. True when none of the installation's links is left (also when there was
// no group); otherwise the reason is the thread's last error. The calling thread must have
// initialised COM.
bool RemoveProgramShortcuts(const wchar_t* groupName, const wchar_t* folder);
