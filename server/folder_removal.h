#pragma once

// The uninstaller lives in the folder it removes, and a running program's file cannot be
// deleted. So it leaves the removal to a copy of itself in a new folder under the temporary
// folder, which waits for the original to end, deletes the installation folder, and has
// its own file and folder deleted at the next restart.

// The switch with which the copy is started: uninstall.exe /finish <handle> "<folder>",
// followed by the quiet switch when the removal shows no boxes.
inline constexpr wchar_t kFinishSwitch[] = L"/finish";

// Copies this program to a new folder under the temporary folder and starts the copy for
// `folder`, handing it an inheritable handle of this process to wait on. The copy is
// "velmora-uninstall-{random GUID}\uninstall.exe", in a folder that only SYSTEM and the
// administrators can write. A `quiet` copy shows no box either.
bool HandOffFolderRemoval(const wchar_t* folder, bool quiet);

// The copy's work: waits for the process `processHandleText` (a handle value in decimal),
// then deletes `folder`, which must hold uninstall.exe (so that a wrong argument deletes
// nothing else). Shows an error box when the folder stays. Returns the exit code: 0 when
// the folder is gone.
int FinishFolderRemoval(const wchar_t* processHandleText, const wchar_t* folder);
