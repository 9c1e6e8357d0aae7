#pragma once
#include <windows.h>

// The command line of setup.exe and uninstall.exe. Switches start with '/' or '-' and are
// taken in any case:
//   /quiet            an unattended run in which nothing waits and no box shows
//   /log FILE, /log=FILE   append a log of the run to FILE
//   /?                show the usage
// Without switches the program runs as it always has.
struct RunSwitches
{
    bool quiet;
    bool whatif;            // /whatif: say what the run would change, and change nothing
    bool usage;             // /? was given: show the usage and do nothing else
    wchar_t log[MAX_PATH];  // empty: no /log
    wchar_t refused[128];   // the first argument that is no switch of ours (cut)
};

enum class SwitchesVerdict
{
    kRun,
    kUsage,    // /? : the usage, nothing else
    kRefused,  // an unknown switch, a stray argument, /log without its file: the usage, and a failure
};

// Reads the arguments of `commandLine` (the whole line, the program's name first, as
// GetCommandLineW gives it) into `switches`.
SwitchesVerdict ParseRunSwitches(const wchar_t* commandLine, RunSwitches& switches);
