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

// What became of the server's service of an installation.
enum class ServiceRemoval {
    kDone,        // it is gone
    kNone,        // there is no service of that name; nothing was done
    kNotOurs,     // the service of that name runs another command line (or cannot be read): it stays
    kNotStopped,  // it did not stop; it is deleted all the same and goes once it ends
    kNotRemoved,  // it could not be deleted (the setup's helper has said why)
};

// Stops and deletes the service `serviceName` while its command line is still the one the
// setup gives the server of `folder` (IsServerCommandOf), then waits a few seconds for the
// server's process to let go of its files. No other service is touched, however its path
// reads. The reason of kNotOurs, kNotStopped and kNotRemoved is the thread's last error.
ServiceRemoval RemoveServerService(const wchar_t* serviceName, const wchar_t* folder);

// Deletes `folder` with everything in it, without asking, and never what lies outside it:
// a junction or symbolic link met in the tree (or the folder itself, when it is one) is
// removed itself, not followed. What cannot be deleted is skipped and the rest still goes.
// True when the folder is gone afterwards (also when it never existed); otherwise the
// reason is the thread's last error (the first failure's).
bool DeleteFolderTree(const wchar_t* folder);

// Removes from `folder` what its record (formats/installation_record) names the setup
// made: files, then folders deepest first (a folder that holds something else stays; one
// made with everything in it, the backups, goes whole), then the record. Whether the setup
// made `folder` itself is never read from the record, which lies in the folder: the folder
// stays for the caller to judge. A record that is missing or cannot be read removes the
// names that the payload and every run make, and nothing else. Entries behind a link are
// left alone. True when everything that could go has gone; otherwise the first failure's
// reason is the thread's last error.
bool RemoveRecordedInstallation(const wchar_t* folder);

// Deletes the links of the all-users Start-menu program group `groupName` whose working
// folder is `folder` (every link the setup makes has the installation folder there), then
// the group when nothing else is left in it: the group is shared by every installation on
// the computer. True when none of the installation's links is left (also when there was
// no group); otherwise the reason is the thread's last error. The calling thread must have
// initialised COM.
bool RemoveProgramShortcuts(const wchar_t* groupName, const wchar_t* folder);
