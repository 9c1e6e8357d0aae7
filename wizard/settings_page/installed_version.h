#pragma once
#include <windows.h>

// The server version that this setup offers: 1.0.0.368.
// True when a file version (the high and low words of dwFileVersionMS and
// dwFileVersionLS) is newer than the offered one.
bool IsNewerThanOffered(DWORD versionMS, DWORD versionLS);

// Checks the server executable of an existing installation before it is upgraded. A file
// without version information passes at once. When it is newer than the offered version,
// message 39 asks (owned by `page`, in every run) whether to go on; No fails the check.
// Otherwise the installation's config\velmora.cfg is merged into the configuration store
// so that its values are kept.
bool CheckInstalledVersion(HWND page, const wchar_t* executablePath, const wchar_t* installDir);
