#pragma once
#include <windows.h>

#include <string>
#include <vector>

// This product's entries among the installed programs, as the system holds them: the
// service name each is for and the installation folder it names. Both registry views are
// read: a 32-bit setup on 64-bit Windows listed its server in the 32-bit view, and the
// server it installed is the same installation.
struct ListedInstallation
{
    std::wstring service;   // the key name after kUninstallKeyPrefix
    std::wstring location;  // its InstallLocation
};

// Every entry of ours with an installation folder, from the 64-bit view and the 32-bit
// view (on 32-bit Windows the one view twice is read once). False when neither view can
// be read; a view without our key holds none.
bool ListUninstallEntries(std::vector<ListedInstallation>& entries);
