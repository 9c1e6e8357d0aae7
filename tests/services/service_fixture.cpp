// A real own-process service for the service tests. Its behaviour is chosen by words on
// its command line (the service's binary path):
//   start-pending=MS  stay in START_PENDING for MS milliseconds before running
//   stop-pending=MS   stay in STOP_PENDING for MS milliseconds before stopping
//   hint=MS           the wait hint reported while pending (default 50)
//   stop-held=NAME    stay in STOP_PENDING until the named event NAME is set
//   refuse            report STOPPED with an error instead of ever running
//   exit-at-once      end the process before talking to the service manager
//   end-after=MS      once running, stop by itself after MS milliseconds and end
//   idle              not a service: sleep for a minute (a plain child process)
// and by the words of a file beside it named after it with ".options" appended, for a copy
// put in the place of the server, whose service runs it as "<folder>\Velmora.exe" /start.
#include <windows.h>

#include <string>
#include <shellapi.h>
#include <wchar.h>
#include <stdlib.h>

namespace {

DWORD g_startPendingMs = 0, g_stopPendingMs = 0, g_waitHintMs = 50, g_endAfterMs = INFINITE;
bool g_refuse = false, g_exitAtOnce = false, g_idle = false;
const wchar_t* g_stopHeldBy = nullptr;
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopRequested = nullptr;
CRITICAL_SECTION g_reportLock;
DWORD g_checkPoint = 0;

// How often a lingering service repeats its pending status.
const DWORD kReportIntervalMs = 50;

void ReadOptions()
{
    const struct { const wchar_t* prefix; DWORD* value; } numbers[] = {
        {L"start-pending=", &g_startPendingMs}, {L"stop-pending=", &g_stopPendingMs}, {L"hint=", &g_waitHintMs},
        {L"end-after=", &g_endAfterMs}};
    const struct { const wchar_t* word; bool* flag; } words[] = {
        {L"refuse", &g_refuse}, {L"exit-at-once", &g_exitAtOnce}, {L"idle", &g_idle}};
    // The command line's words, then the file's (read as ASCII).
    std::wstring line = GetCommandLineW();
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    HANDLE file = CreateFileW((std::wstring(self) + L".options").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        char text[256] = {};
        DWORD read = 0;
        ReadFile(file, text, sizeof(text) - 1, &read, nullptr);
        CloseHandle(file);
        line += L" " + std::wstring(text, text + read);
    }
    int count = 0;
    wchar_t** args = CommandLineToArgvW(line.c_str(), &count);
    for (int i = 1; args && i < count; ++i) {
        for (const auto& number : numbers)
            if (wcsncmp(args[i], number.prefix, wcslen(number.prefix)) == 0)
                *number.value = static_cast<DWORD>(wcstoul(args[i] + wcslen(number.prefix), nullptr, 10));
        for (const auto& word : words)
            if (wcscmp(args[i], word.word) == 0)
                *word.flag = true;
        if (wcsncmp(args[i], L"stop-held=", 10) == 0)
            g_stopHeldBy = _wcsdup(args[i] + 10);
    }
    LocalFree(args);
}

void Report(DWORD state, DWORD waitHint, DWORD exitCode = NO_ERROR)
{
    EnterCriticalSection(&g_reportLock);
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = exitCode == NO_ERROR ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
    status.dwServiceSpecificExitCode = exitCode;
    bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = pending ? ++g_checkPoint : 0;
    status.dwWaitHint = pending ? waitHint : 0;
    SetServiceStatus(g_statusHandle, &status);
    LeaveCriticalSection(&g_reportLock);
}

void Linger(DWORD state, DWORD durationMs)
{
    for (DWORD start = GetTickCount();;) {
        Report(state, g_waitHintMs);
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= durationMs)
            return;
        Sleep(durationMs - elapsed < kReportIntervalMs ? durationMs - elapsed : kReportIntervalMs);
    }
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*)
{
    if (control == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOP_PENDING, g_waitHintMs);
        SetEvent(g_stopRequested);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, wchar_t**)
{
    g_statusHandle = RegisterServiceCtrlHandlerExW(L"", Handler, nullptr);
    if (!g_statusHandle)
        return;
    if (g_refuse) {
        Report(SERVICE_START_PENDING, g_waitHintMs);
        Report(SERVICE_STOPPED, 0, 3);
        return;
    }
    Linger(SERVICE_START_PENDING, g_startPendingMs);
    Report(SERVICE_RUNNING, 0);
    WaitForSingleObject(g_stopRequested, g_endAfterMs);
    Linger(SERVICE_STOP_PENDING, g_stopPendingMs);
    if (HANDLE release = g_stopHeldBy ? OpenEventW(SYNCHRONIZE, FALSE, g_stopHeldBy) : nullptr) {
        while (WaitForSingleObject(release, kReportIntervalMs) == WAIT_TIMEOUT)
            Report(SERVICE_STOP_PENDING, g_waitHintMs);
        CloseHandle(release);
    }
    Report(SERVICE_STOPPED, 0);
}

} // namespace

int wmain()
{
    ReadOptions();
    if (g_exitAtOnce)
        return 2;
    if (g_idle) {
        Sleep(60000);
        return 0;
    }
    InitializeCriticalSection(&g_reportLock);
    g_stopRequested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    wchar_t name[] = L"";
    SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
