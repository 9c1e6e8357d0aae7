#pragma once
#include <windows.h>
#include <stddef.h>

// The installed server's entry in the system's list of installed programs (the Uninstall
// key of HKEY_LOCAL_MACHINE). There is one entry per service name, so that every hosted
// server is listed, and removed, on its own.
//
// On 64-bit Windows the entry is in the native registry view whichever build wrote it
// (kSharedRegistryView), so that the other build's setup and the uninstaller find it; the
// system lists the programs of both views.

inline constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Every entry's key name is this prefix followed by the service name.
inline constexpr wchar_t kUninstallKeyPrefix[] = L"VelmoraServer_";
// The uninstaller's switch for a removal without questions and without message boxes.
inline constexpr wchar_t kQuietUninstallSwitch[] = L"/quiet";

// The entry's key name below kUninstallRoot. False (ERROR_FILENAME_EXCED_RANGE) when it
// does not fit into `capacity` characters.
bool UninstallEntryKeyName(const wchar_t* serviceName, wchar_t* keyName, size_t capacity);

// Creates the entry of the server `serviceName` installed in `folder`, or brings an
// existing one up to date (name, version, commands, size). False on failure, the reason
// in the thread's last error.
bool WriteUninstallEntry(const wchar_t* serviceName, const wchar_t* folder, DWORD estimatedKiB);

// Deletes every entry of ours whose installation folder is `folder` (compared without
// regard to case or a trailing backslash). Entries of other folders and of other
// programs stay. True when none is left, also when there was none.
bool RemoveUninstallEntriesOfFolder(const wchar_t* folder);
