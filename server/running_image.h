#pragma once
#include <windows.h>

// The uninstaller runs from the folder it removes, and the file of a running program can
// be renamed but not deleted. So before the removal this process moves its own file out
// of the folder's way, within the volume (a running image cannot be copied away and
// deleted), into a new folder of its own, and has both deleted at the next restart. The
// process that was started does the whole removal, so its exit code tells how it went.

struct MovedImage
{
    wchar_t folder[MAX_PATH];  // "...\velmora-uninstall-{GUID}", made by the move
    wchar_t image[MAX_PATH];   // folder + "\uninstall.exe"
};

// Moves this program's file from the installation folder into a new folder that only SYSTEM
// and the administrators can write, with a name nobody can know in advance: in the
// system's temporary folder (%SystemRoot%\Temp), or, when that lies on another volume, at
// the root of the installation folder's volume. Never the installation folder's parent:
// the installation may have made that folder, and it must be able to go. False, with the
// reason as the last error, when the file stays where it was.
bool MoveRunningImageOut(const wchar_t* installationFolder, MovedImage& moved);

// Has the moved file, then its emptied folder, deleted at the next restart (the system's
// PendingFileRenameOperations). False with the reason as the last error.
bool DeleteAtRestart(const MovedImage& moved);
