#include "system/services/server_exit.h"

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
    return g_setupTools.FindProcessByPath(server) == 0;
}
