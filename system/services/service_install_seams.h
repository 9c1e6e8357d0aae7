#pragma once
#include <windows.h>

// Seams of the service's installation: platform calls that tests replace (through
// ScopedSeam) to see what Wine cannot; the product never replaces them.

// ChangeServiceConfig2W: Wine accepts failure actions without keeping them, so they
// cannot be read back there.
using ChangeServiceConfig2Call = BOOL(WINAPI*)(SC_HANDLE service, DWORD infoLevel, void* info);
extern ChangeServiceConfig2Call g_changeServiceConfig2Call;
