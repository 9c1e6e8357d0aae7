#pragma once
#include <windows.h>

#include "base/run_switches.h"

// The usage of setup.exe or uninstall.exe in the current language: the syntax, a line for
// each switch of the program, its exit codes. Bounded by `capacity`, always terminated.
void FormatUsage(SwitchSet set, wchar_t* text, size_t capacity);

// What a refused command line tells: the first argument refused (when one was), then the
// usage.
void FormatRefusedCommandLine(SwitchSet set, const RunSwitches& switches, wchar_t* text, size_t capacity);

// Room for either text in any language.
const size_t kUsageTextCapacity = 4096;
