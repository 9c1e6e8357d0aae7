#pragma once
#include <windows.h>

// What the running Windows version means for the installation.
enum class WindowsVersionVerdict
{
    TooOld,             // before XP SP2: the server cannot run
    NeedsHttpService,   // XP SP2 and later 5.x: the HTTP SSL service must be checked
    Supported,          // 6.0 and later: the HTTP service is part of the system
};

WindowsVersionVerdict JudgeWindowsVersion(DWORD major, DWORD minor, WORD servicePackMajor);
