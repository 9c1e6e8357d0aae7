#pragma once
#include <windows.h>

// Runs the whole setup: settings, environment checks, wizard, teardown.
// Returns the process exit code.
int RunSetup(HINSTANCE instance);
