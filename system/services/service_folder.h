#pragma once
#include <windows.h>

// QueryServiceConfigW, replaceable because Wine's manager refuses an empty binary path
// and so never hands back a configuration without one.
using QueryServiceConfigCall = BOOL(WINAPI*)(SC_HANDLE service, QUERY_SERVICE_CONFIGW* config, DWORD size,
                                             DWORD* needed);
extern QueryServiceConfigCall g_queryServiceConfig;
