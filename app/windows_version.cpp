#include "app/windows_version.h"

WindowsVersionVerdict JudgeWindowsVersion(DWORD major, DWORD minor, WORD servicePackMajor)
{
    if (major < 5 || (major == 5 && minor == 0) || (major == 5 && minor == 1 && servicePackMajor < 2))
        return WindowsVersionVerdict::TooOld;
    if (major == 5 && minor <= 2)
        return WindowsVersionVerdict::NeedsHttpService;
    return WindowsVersionVerdict::Supported;
}
