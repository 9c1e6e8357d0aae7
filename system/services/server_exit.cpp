#include "system/services/server_exit.h"

#include "base/bounded_text.h"
#include "base/bounded_wait.h"
#include "base/installation_names.h"
#include "base/path_join.h"
#include "base/setup_tools.h"

namespace {

const int kExitPolls = 50;
const DWORD kExitPollMs = 100;

} // namespace

bool WaitForServerExit(const wchar_t* folder, CancelCheck cancel, void* context)
{
    wchar_t server[MAX_PATH];
    if (!JoinPath(server, folder, kServerProgramName))
        return false;
    for (int i = 0; i < kExitPolls && g_setupTools.FindProcessByPath(server); ++i) {
        if (cancel && cancel(context))
            return false;
        Sleep(kExitPollMs);
    }
    if (g_setupTools.FindProcessByPath(server) == 0)
        return true;
    if (!cancel || !cancel(context)) {
        wchar_t what[MAX_PATH + 40];
        FormatText(what, L"the end of the server process \"%s\"", server);
        LogWaitEndedByTime(what, kExitPolls * kExitPollMs);
    }
    return false;
}
