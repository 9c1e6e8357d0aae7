#pragma once
#include "app/setup_switches.h"

// The run's log (base/setup_log.h) as the entry fills it.

// Opens the log that the switches ask for: /log's file, or for a quiet run without /log
// %TEMP%\VelmoraSetup.log (the administrator's own folder). No log without either. False,
// with the reason as the thread's last error, when the file cannot be opened; a quiet run
// then has the default file open, if it can, for the entry to tell why.
bool OpenRunLog(const SetupSwitches& switches);

// The run's first line: the version, the process and the command line as given.
void LogRunHeader(const wchar_t* commandLine);

// The settings the run goes on with, after velmorasetup.cfg and the defaults: everything
// but the administrator's password, of which only whether it was given.
void LogSettingsInEffect();
