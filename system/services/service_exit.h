#pragma once
#include <windows.h>

// What the service manager says of a service that did not do what it was asked: its state,
// the exit code it reported and its process. Read where a start failed, for the failure's
// text.
struct ServiceExit
{
    bool known = false;      // the service manager answered
    DWORD state = 0;         // SERVICE_STOPPED, SERVICE_RUNNING, ...
    DWORD win32_exit = 0;    // ERROR_SERVICE_SPECIFIC_ERROR: see specific_exit
    DWORD specific_exit = 0;
    DWORD process_id = 0;    // 0 when it has no process
};

// QueryServiceStatusEx of the named service; `known` false when it cannot be read.
ServiceExit QueryServiceExit(const wchar_t* serviceName);
