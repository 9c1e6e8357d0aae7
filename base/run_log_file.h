#pragma once
#include <windows.h>

#include "base/log_path_rules.h"
#include "base/run_switches.h"

// The run's log (base/setup_log.h) as setup.exe and uninstall.exe open it. `program` names
// the program in the default file's name and in the first line: "VelmoraSetup",
// "VelmoraUninstall".

// Opens the log that the switches ask for: /log's file (a relative name in the current
// folder), or for a quiet run without /log a new file of its own in the account's temporary
// folder (SYSTEM's: %SystemRoot%\Temp), <program>-<UTC time>-<random>.log. No log without
// either. kNone when opened (or none asked for); otherwise why not, with the system's
// reason as the thread's last error for kSystemError, and a quiet run then has its default
// file open, if it can, to tell why.
LogRefusal OpenRunLog(const RunSwitches& switches, const wchar_t* program);

// The text that tells why the log could not be opened, naming the file; `error` is the
// last error that OpenRunLog left.
void DescribeLogRefusal(const RunSwitches& switches, const wchar_t* program, LogRefusal refusal, DWORD error,
                        wchar_t (&text)[1024]);

// The run's first line: `title` ("Velmora Server Setup"), the version, the process and the
// command line as given.
void LogRunHeader(const wchar_t* title, const wchar_t* commandLine);
