#include "app/entry.h"

#include <winsock2.h>
#include <objbase.h>

#include "app/environment_check.h"
#include "app/load_settings.h"
#include "base/install_settings.h"
#include "formats/language/message_box.h"
#include "wizard/frame/install_wizard.h"
#include "wizard/setup_exit_code.h"

int RunSetup(HINSTANCE instance)
{
    if (!LoadSettings())
        return kExitFailure;
    // A run that nobody attends reports its failures to nobody; its exit code tells them.
    static const QuietMessages silence;
    if (g_settings.force_auto)
        SetReportSink(&silence);

    int exitCode = kExitFailure;
    if (CheckEnvironment(instance))
        exitCode = RunWizard(GetActiveWindow());

    WSACleanup();
    CoUninitialize();
    // The record holds the administrator's password in plain text.
    SecureZeroMemory(&g_settings, sizeof(g_settings));
    return exitCode;
}
