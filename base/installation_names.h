#pragma once
#include <windows.h>

// The names of what an installation holds, relative to its folder, and of its program
// group: the setup makes them, the server reads them, the uninstaller takes them away.
inline constexpr wchar_t kServerProgramName[] = L"Velmora.exe";
inline constexpr wchar_t kUninstallerName[] = L"uninstall.exe";
// The server's switch that makes it run as the service.
inline constexpr wchar_t kServerServiceSwitch[] = L"/start";
inline constexpr wchar_t kBackupsFolderName[] = L"backups";
inline constexpr wchar_t kConfigurationFileName[] = L"config\\velmora.cfg";
inline constexpr wchar_t kStartFileName[] = L"config\\start.dat";
// The all-users Start-menu group, shared by every installation on the machine.
inline constexpr wchar_t kProgramGroupName[] = L"Velmora Server";
