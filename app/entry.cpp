#include "app/entry.h"

#include <winsock2.h>
#include <objbase.h>

#include "app/environment_check.h"
#include "app/instance_lock.h"
#include "app/load_settings.h"
#include "app/run_log.h"
#include "app/setup_switches.h"
#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/message_ids.h"
#include "base/setup_log.h"
#include "base/setup_tools.h"
#include "formats/language/message_box.h"
#include "wizard/frame/install_wizard.h"
#include "wizard/setup_exit_code.h"

namespace {

// Every box reaches the log (when there is one); a quiet run shows none at all, and an
// unattended one none of the failures reported from below the wizard.
void PlugInSinks(bool quiet, bool unattended)
{
    static const QuietMessages silence;
    static const LoggedMessages silentButLogged(silence);
    static const LoggedMessages shownAndLogged(ScreenSink());
    SetScreenSink(quiet ? &silentButLogged : &shownAndLogged);
    SetReportSink(quiet || unattended ? &silentButLogged : &shownAndLogged);
}

// /? and a command line that is refused: the usage, in a box or in the quiet run's log.
int ShowUsage(SwitchesVerdict verdict, const SetupSwitches& switches)
{
    if (verdict == SwitchesVerdict::kUsage) {
        ScreenSink().Show(nullptr, kSetupUsage, MB_OK | MB_ICONINFORMATION);
        return kExitCancelled;
    }
    wchar_t text[2048] = {};
    FormatText(text, L"Unknown argument: %s\r\n\r\n%s", switches.refused, kSetupUsage);
    ScreenSink().Show(nullptr, text, kErrorMessage);
    return kExitFailure;
}

// False after telling why, when this run must not go on beside another.
bool TakeInstanceLock(CInstanceLock& lock, int& exitCode)
{
    switch (lock.Acquire()) {
    case InstanceLockVerdict::kHeld:
        g_setupLog.Line(L"start-up: this run holds the lock %s", kInstanceLockName);
        return true;
    case InstanceLockVerdict::kAnotherSetup:
        ShowMessage(nullptr, kErrorMessage, kSetupAlreadyRunning);
        exitCode = kExitAlreadyRunning;
        return false;
    case InstanceLockVerdict::kSquatted:
        ShowMessage(nullptr, kErrorMessage, kSetupLockSquatted, kInstanceLockName);
        return false;
    default:
        ShowSystemErrorMessage(nullptr, kErrorMessage, GetLastError());
        return false;
    }
}

int RunWithSettings(HINSTANCE instance)
{
    CInstanceLock lock;
    int exitCode = kExitFailure;
    if (!TakeInstanceLock(lock, exitCode))
        return exitCode;
    LogSettingsInEffect();
    if (!CheckEnvironment(instance))
        return kExitFailure;
    g_setupLog.Line(L"start-up: checks passed (Winsock 2.2, administrator, Windows version, privileges)");
    return RunWizard(GetActiveWindow());
}

} // namespace

int RunSetup(HINSTANCE instance)
{
    SetupSwitches switches;
    SwitchesVerdict verdict = ParseSetupSwitches(GetCommandLineW(), switches);
    g_settings.quiet = switches.quiet;
    PlugInSinks(switches.quiet, false);
    bool logOpened = OpenRunLog(switches);
    LogRunHeader(GetCommandLineW());
    if (!logOpened) {
        // Attended: the box says which file and why; quiet: the default log, when it opened.
        DWORD error = GetLastError();
        wchar_t reason[512] = {};
        g_setupTools.FormatSystemError(error, reason, 512);
        wchar_t text[1024] = {};
        FormatText(text, L"Cannot write the log file \"%s\": %s (system error %lu)", switches.log, reason, error);
        ScreenSink().Show(nullptr, text, kErrorMessage);
        return kExitFailure;
    }
    if (verdict != SwitchesVerdict::kRun) {
        int exitCode = ShowUsage(verdict, switches);
        g_setupLog.Line(L"==== exit code %d", exitCode);
        return exitCode;
    }

    int exitCode = kExitFailure;
    if (LoadSettings()) {
        PlugInSinks(switches.quiet, g_settings.force_auto);
        exitCode = RunWithSettings(instance);
    }
    g_setupLog.Line(L"==== exit code %d", exitCode);

    WSACleanup();
    CoUninitialize();
    // The record holds the administrator's password in plain text.
    SecureZeroMemory(&g_settings, sizeof(g_settings));
    return exitCode;
}
