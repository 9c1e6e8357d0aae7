#include "app/environment_check.h"

#include <winsock2.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include "app/environment_check_seams.h"
#include "app/required_services.h"
#include "app/startup_message.h"
#include "app/windows_version.h"
#include "base/message_ids.h"
#include "base/scoped_privileges.h"

IsUserAnAdminCall g_isUserAnAdminCall = IsUserAnAdmin;
GetVersionExCall g_getVersionExCall = GetVersionExW;

bool CheckEnvironment(HINSTANCE)
{
    CoInitialize(nullptr);

    WSADATA winsock;
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) {
        ShowStartupText(L"WSA startup failed!");
        return false;
    }
    if (!g_isUserAnAdminCall()) {
        ShowStartupMessage(kMessageNotAdministrator);
        return false;
    }

    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!g_getVersionExCall(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
        ShowStartupMessage(kMessageWindowsTooOld);
        return false;
    }
    WindowsVersionVerdict verdict =
        JudgeWindowsVersion(version.dwMajorVersion, version.dwMinorVersion, version.wServicePackMajor);
    if (verdict == WindowsVersionVerdict::TooOld) {
        ShowStartupMessage(kMessageWindowsTooOld);
        return false;
    }
    // The service check shows its own message.
    if (verdict == WindowsVersionVerdict::NeedsHttpService && !CheckRequiredServices())
        return false;

    // Each step turns on what it needs only while it runs (the folder's rights, finding the
    // server's process); a token without one would fail that step half-way.
    static const wchar_t* const kNeeded[] = {SE_BACKUP_NAME, SE_RESTORE_NAME, SE_TAKE_OWNERSHIP_NAME, SE_DEBUG_NAME};
    if (!TokenHoldsPrivileges(kNeeded, sizeof(kNeeded) / sizeof(kNeeded[0]))) {
        ShowStartupMessage(kMessageNoPrivileges);
        return false;
    }

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    return true;
}
