#pragma once
#include <windows.h>

// The server version that this setup offers: 1.0.0.368.
// True when a file version (the high and low words of dwFileVersionMS and
// dwFileVersionLS) is newer than the offered one.
bool IsNewerThanOffered(DWORD versionMS, DWORD versionLS);

// What the server executable of an existing installation says of its version.
enum class InstalledVersion
{
    kUnversioned,  // no version information: the installation is taken as it is
    kNotNewer,     // the offered version or an older one (or a version that cannot be read)
    kNewer,
};

InstalledVersion ReadInstalledVersion(const wchar_t* executablePath);

// Merges the installation's config\velmora.cfg into the configuration store, so that its
// values are kept by the upgrade.
void KeepInstalledConfiguration(const wchar_t* installDir);
