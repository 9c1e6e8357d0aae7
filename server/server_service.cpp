#include "server/server_service.h"

#include "server/module_folder.h"
#include "server/ready_event.h"
#include "server/server_options.h"
#include "server/status_server.h"

namespace {

// How long until the next status report. Opening the listener and closing it take well
// under these, and a controller (the setup among them) sleeps for the hint before it
// looks again, so a longer hint only makes it wait for nothing.
const DWORD kStartWaitHintMs = 250;
const DWORD kStopWaitHintMs = 500;

CServerService* g_service = nullptr;

}  // namespace

CServerService::CServerService() : statusHandle_(nullptr), status_()
{
    status_.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    InitializeCriticalSection(&statusLock_);
}

CServerService::~CServerService()
{
    DeleteCriticalSection(&statusLock_);
}

int CServerService::Run()
{
    CServerService service;
    g_service = &service;
    // An own-process service may register under any name; the manager passes the real one.
    wchar_t anyName[] = L"";
    SERVICE_TABLE_ENTRYW table[] = {{anyName, ServiceMain}, {nullptr, nullptr}};
    int result = StartServiceCtrlDispatcherW(table) ? 0 : static_cast<int>(GetLastError());
    g_service = nullptr;
    return result;
}

void WINAPI CServerService::ServiceMain(DWORD argc, wchar_t** argv)
{
    g_service->Main(argc > 0 ? argv[0] : L"");
}

void CServerService::Main(const wchar_t* serviceName)
{
    // The stop control may come as soon as the handler is registered.
    stopRequested_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stopRequested_)
        return;
    statusHandle_ = RegisterServiceCtrlHandlerExW(serviceName, Control, this);
    if (statusHandle_ == nullptr)
        return;
    Report(SERVICE_START_PENDING, NO_ERROR, kStartWaitHintMs);
    DWORD exitCode = Serve();
    Report(SERVICE_STOPPED, exitCode, 0);
}

DWORD CServerService::Serve()
{
    wchar_t folder[MAX_PATH];
    if (!GetModuleFolder(folder, MAX_PATH))
        return GetLastError();
    ServerOptions options;
    if (!LoadServerOptions(folder, &options))
        return GetLastError();

    CStatusServer server;
    DWORD error = server.Open(options);
    if (error != NO_ERROR)
        return error;
    Report(SERVICE_RUNNING, NO_ERROR, 0);
    SignalServerReady(folder);

    error = server.Serve(stopRequested_.Get());
    Report(SERVICE_STOP_PENDING, NO_ERROR, kStopWaitHintMs);
    server.Close();
    return error;
}

DWORD WINAPI CServerService::Control(DWORD control, DWORD, void*, void* context)
{
    auto* self = static_cast<CServerService*>(context);
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        self->Report(SERVICE_STOP_PENDING, NO_ERROR, kStopWaitHintMs);
        SetEvent(self->stopRequested_.Get());
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void CServerService::Report(DWORD state, DWORD exitCode, DWORD waitHintMs)
{
    // The handler runs on the dispatcher's thread, the rest on the service's own.
    EnterCriticalSection(&statusLock_);
    bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status_.dwCheckPoint = pending && status_.dwCurrentState == state ? status_.dwCheckPoint + 1 : 0;
    status_.dwCurrentState = state;
    status_.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status_.dwWin32ExitCode = exitCode;
    status_.dwWaitHint = waitHintMs;
    SetServiceStatus(statusHandle_, &status_);
    LeaveCriticalSection(&statusLock_);
}
