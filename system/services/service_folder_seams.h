#pragma once
#include <windows.h>

// Seams of the service folder's query: platform calls that tests replace (through
// ScopedSeam) to produce what Wine cannot; the product never replaces them.

// QueryServiceConfigW: Wine's manager refuses an empty binary path and so never hands back
// a configuration without one.
using QueryServiceConfigCall = BOOL(WINAPI*)(SC_HANDLE service, QUERY_SERVICE_CONFIGW* config, DWORD size,
                                             DWORD* needed);
extern QueryServiceConfigCall g_queryServiceConfigCall;
