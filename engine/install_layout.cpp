#include "engine/install_layout.h"

#include <string.h>

#include "base/installation_names.h"
#include "base/path_join.h"
#include "base/whole_format.h"
#include "engine/installation_identity.h"

namespace {

bool FormBackup(const InstallRequest& request, time_t startTime, InstallLayout& layout)
{
    if (!request.FolderWasThere())
        return true;
    struct tm utc = {};
    gmtime_s(&utc, &startTime);
    wchar_t stamp[32];
    wcsftime(stamp, 32, L"%Y-%m-%d %H-%M-%S", &utc);
    return FormatWhole(layout.backup, MAX_PATH - 1, L"%s\\%s", layout.backups, stamp);
}

} // namespace

bool FormInstallLayout(const InstallRequest& request, time_t startTime, InstallLayout& layout)
{
    memset(&layout, 0, sizeof(layout));
    const wchar_t* folder = request.folder;
    if (!folder[0]) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    if ( FormatWhole(layout.folder, MAX_PATH, L"%s", folder) &&
        JoinPath(layout.server, folder, kServerProgramName) &&
        JoinPath(layout.configuration, folder, kConfigurationFileName) &&
        JoinPath(layout.backups, folder, kBackupsFolderName) && FormBackup(request, startTime, layout) &&
        ServerCommandLine(folder, layout.command_line, 2 * MAX_PATH) &&
        FormatWhole(layout.display_name, 128, L"Velmora Server (%s)", request.service_name))
        return true;
    memset(&layout, 0, sizeof(layout));
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}
