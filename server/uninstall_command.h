#pragma once
#include <windows.h>

#include "base/run_switches.h"

// uninstall.exe toward whoever starts it: its command line and its exit code.
//   uninstall.exe [/quiet] [/norestart] [/log FILE] [/?]   (/log=FILE too; switches as the
//   setup takes them, without its /config and /whatif; the usage: formats/language/usage_text.h)
// Exit codes: 0 everything the installation made was taken back; 1 the user said no; 3
// another setup or uninstall runs; 87 (ERROR_INVALID_PARAMETER) the command line or its log
// file was refused, or the line only asked for the usage; otherwise the system's code of the first thing that stayed, or of why
// the uninstall could not start. Nothing is changed unless the uninstall was carried out.

inline constexpr int kUninstallDeclined = 1;
inline constexpr int kUninstallBesideAnother = 3;

// True when `commandLine` (the whole line, as GetCommandLineW gives it) asks for an
// uninstall; /? and anything not named above do not. The whole line is read, so a /quiet
// anywhere keeps a refusal off the screen.
bool ParseUninstallCommandLine(const wchar_t* commandLine, RunSwitches& switches);

// How a run ended.
enum class UninstallEnd
{
    kStopped,      // before any change: the command line, the log, the lock, the folder, the plan
    kDeclined,     // the user said no
    kBesideAnother,  // another setup or uninstall holds the lock
    kCarriedOut,   // the take-back ran
};

// The exit code: `error` is why a run stopped, or the first error of a carried-out one
// (0 when none); `everythingTakenBack` what the take-back said. A failure never reads as
// success, nor as a "no" or another run: a code of 0, 1 or 3 for a failure becomes
// ERROR_GEN_FAILURE or the code as an HRESULT (0x80070001, 0x80070003).
int UninstallExitCode(UninstallEnd end, DWORD error, bool everythingTakenBack);
