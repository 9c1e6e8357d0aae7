#pragma once
#include <windows.h>

// The command line of setup.exe and uninstall.exe. Switches start with '/' or '-' and are
// taken in any case:
//   /quiet            an unattended run in which nothing waits and no box shows
//   /norestart        taken and ignored: neither program ever restarts the computer, and
//                     deployment tools add it by habit
//   /log FILE, /log=FILE   append a log of the run to FILE
//   /config FILE, /config=FILE   (setup) read the settings from FILE instead of
//                     velmorasetup.cfg beside the program
//   /whatif           (setup) say what the run would change, change nothing
//   /?                show the usage
// Without switches the program runs as it always has.
struct RunSwitches
{
    bool quiet;
    bool whatif;            // /whatif: say what the run would change, and change nothing
    bool usage;             // /? was given: show the usage and do nothing else
    wchar_t log[MAX_PATH];     // empty: no /log
    wchar_t config[MAX_PATH];  // empty: no /config
    wchar_t refused[128];      // the first argument that is no switch of ours (cut)
};

// Which program's switches a line is read for.
enum class SwitchSet
{
    kSetup,
    kUninstall,  // no /config, no /whatif
};

enum class SwitchesVerdict
{
    kRun,
    kUsage,    // /? : the usage, nothing else
    kRefused,  // an unknown switch, a stray argument, /log or /config without its file: the usage, and a failure
};

// Reads the arguments of `commandLine` (the whole line, the program's name first, as
// GetCommandLineW gives it) into `switches`. The whole line is read even after a refused
// argument, so that a /quiet anywhere on it keeps the refusal off the screen; `refused`
// names the first one.
SwitchesVerdict ParseRunSwitches(const wchar_t* commandLine, SwitchSet set, RunSwitches& switches);
