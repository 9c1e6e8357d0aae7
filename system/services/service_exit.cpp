#include "system/services/service_exit.h"

#include "system/services/service_open.h"

ServiceExit QueryServiceExit(const wchar_t* serviceName)
{
    ServiceExit exit;
    OpenedService opened;
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!OpenServiceByName(serviceName, opened) ||
        !QueryServiceStatusEx(opened.service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof(status), &needed))
        return exit;
    exit.known = true;
    exit.state = status.dwCurrentState;
    exit.win32_exit = status.dwWin32ExitCode;
    exit.specific_exit = status.dwServiceSpecificExitCode;
    exit.process_id = status.dwProcessId;
    return exit;
}
