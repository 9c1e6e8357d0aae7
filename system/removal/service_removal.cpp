// The server's service of an installation: recognised by its whole command line, stopped
// and deleted.
#include "system/removal/installation_removal.h"

#include "base/bounded_text.h"
#include "base/bounded_wait.h"
#include "base/setup_tools.h"
#include "system/services/server_exit.h"
#include "system/services/service_command.h"

namespace {

const int kStartPolls = 600;
const DWORD kStartPollMs = 100;

// A service that did not stop may have left no reason; a timeout is what it amounts to.
// One still starting takes no stop: it is let finish starting first (a minute at most).
bool Stop(const wchar_t* serviceName)
{
    int polls = 0;
    for (; polls < kStartPolls && g_setupTools.GetServiceState(serviceName) == SERVICE_START_PENDING; ++polls)
        Sleep(kStartPollMs);
    if (polls == kStartPolls) {
        wchar_t what[120];
        FormatText(what, L"the service \"%s\" to finish starting before its stop", serviceName);
        LogWaitEndedByTime(what, kStartPolls * kStartPollMs);
    }
    if (g_setupTools.ControlServiceAndWait(serviceName, true) == SERVICE_STOPPED)
        return true;
    if (GetLastError() == NO_ERROR)
        SetLastError(ERROR_SERVICE_REQUEST_TIMEOUT);
    return false;
}

} // namespace

ServiceRemoval RemoveServerService(const wchar_t* serviceName, const wchar_t* folder)
{
    // Service command lines are at most 32767 characters; ours fit in far less.
    wchar_t command[2 * MAX_PATH];
    if (!ReadServiceCommand(serviceName, command, 2 * MAX_PATH))
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? ServiceRemoval::kNone : ServiceRemoval::kNotOurs;
    if (!IsServerCommandOf(command, folder))
        return ServiceRemoval::kNotOurs;
    const bool stopped = Stop(serviceName);
    const DWORD stopError = GetLastError();
    if (!g_setupTools.RemoveService(serviceName))
        return ServiceRemoval::kNotRemoved;
    // The stopped server may hold its files for a moment, and they go next.
    if (stopped)
        WaitForServerExit(folder, nullptr, nullptr);
    SetLastError(stopError);
    return stopped ? ServiceRemoval::kDone : ServiceRemoval::kNotStopped;
}
