#pragma once
#include "app/setup_switches.h"
#include "base/log_path_rules.h"

// The run's log (base/setup_log.h) as the entry fills it.

// Opens the log that the switches ask for: /log's file (a relative name in the current
// folder), or for a quiet run without /log a new file of its own in the account's temporary
// folder (SYSTEM's: %SystemRoot%\Temp), VelmoraSetup-<UTC time>-<random>.log. No log
// without either. kNone when opened (or none asked for); otherwise why not, with the
// system's reason as the thread's last error for kSystemError, and a quiet run then has
// its default file open, if it can, for the entry to tell why.
LogRefusal OpenRunLog(const SetupSwitches& switches);

// The run's first line: the version, the process and the command line as given.
void LogRunHeader(const wchar_t* commandLine);

// The settings the run goes on with, after velmorasetup.cfg and the defaults: everything
// but the administrator's password, of which only whether it was given.
void LogSettingsInEffect();
