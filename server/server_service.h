#pragma once
#include <windows.h>

#include "base/scoped_handle.h"

// The server as a service of its own process: reports its states to the Service Control
// Manager, serves until the stop control, and tells the setup through the readiness
// event once it answers requests.
class CServerService
{
public:
    // Hands the process's main thread to the Service Control Manager until the service
    // has stopped. Returns the process's exit code: 0, or the error that kept the
    // dispatcher from starting (e.g. when not started by the manager).
    static int Run();

private:
    CServerService();
    ~CServerService();
    CServerService(const CServerService&) = delete;
    CServerService& operator=(const CServerService&) = delete;
    static void WINAPI ServiceMain(DWORD argc, wchar_t** argv);
    static DWORD WINAPI Control(DWORD control, DWORD eventType, void* eventData, void* context);

    void Main(const wchar_t* serviceName);
    DWORD Serve();
    void Report(DWORD state, DWORD exitCode, DWORD waitHintMs);

    SERVICE_STATUS_HANDLE statusHandle_;
    SERVICE_STATUS status_;
    CRITICAL_SECTION statusLock_;
    UniqueHandle stopRequested_;
};
