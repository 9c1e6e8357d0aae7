#include "app/entry.h"

#include <winsock2.h>
#include <objbase.h>

#include "app/environment_check.h"
#include "app/load_settings.h"
#include "app/run_log.h"
#include "app/settings_file_check.h"
#include "app/setup_folder.h"
#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/instance_lock.h"
#include "base/message_ids.h"
#include "base/run_log_file.h"
#include "base/setup_log.h"
#include "formats/language/language.h"
#include "formats/language/message_box.h"
#include "formats/language/usage_text.h"
#include "wizard/frame/install_wizard.h"
#include "wizard/setup_exit_code.h"

namespace {

const wchar_t kLogName[] = L"VelmoraSetup";

// Every box reaches the log (when there is one); a quiet run shows none at all, and an
// unattended one none of the failures reported from below the wizard.
void PlugInSinks(RunMode mode)
{
    static const QuietMessages silence;
    static const LoggedMessages silentButLogged(silence);
    static const LoggedMessages shownAndLogged(ScreenSink());
    SetScreenSink(mode == RunMode::kQuiet ? &silentButLogged : &shownAndLogged);
    SetReportSink(NobodyAnswers(mode) ? &silentButLogged : &shownAndLogged);
}

// /? and a command line that is refused: the usage, in a box or in the quiet run's log.
int ShowUsage(SwitchesVerdict verdict, const RunSwitches& switches)
{
    wchar_t text[kUsageTextCapacity] = {};
    if (verdict == SwitchesVerdict::kUsage) {
        FormatUsage(SwitchSet::kSetup, text, kUsageTextCapacity);
        ScreenSink().Show(nullptr, text, MB_OK | MB_ICONINFORMATION);
        return kExitCancelled;
    }
    FormatRefusedCommandLine(SwitchSet::kSetup, switches, text, kUsageTextCapacity);
    ScreenSink().Show(nullptr, text, kErrorMessage);
    return kExitFailure;
}

// True when this run holds the lock; otherwise, after telling why, false with the exit code.
bool ReportInstanceLock(const CInstanceLock& lock, InstanceLockVerdict verdict, DWORD error, int& exitCode)
{
    switch (verdict) {
    case InstanceLockVerdict::kHeld:
        g_setupLog.Line(L"start-up: this run holds the lock %s", lock.Name());
        return true;
    case InstanceLockVerdict::kAnotherSetup:
        ShowMessage(nullptr, kErrorMessage, kSetupAlreadyRunning);
        exitCode = kExitAlreadyRunning;
        return false;
    case InstanceLockVerdict::kSquatted:
        ShowMessage(nullptr, kErrorMessage, kSetupLockSquatted, lock.Name());
        exitCode = kExitFailure;
        return false;
    default:
        ShowSystemErrorMessage(nullptr, kErrorMessage, error);
        exitCode = kExitFailure;
        return false;
    }
}

// Attended: the box says which file and why; quiet: the default log, when it opened.
int RefuseLog(const RunSwitches& switches, LogRefusal refusal)
{
    wchar_t text[1024] = {};
    DescribeLogRefusal(switches, kLogName, refusal, GetLastError(), text);
    ScreenSink().Show(nullptr, text, kErrorMessage);
    return kExitFailure;
}

// The settings file before it is read: /config's, or velmorasetup.cfg beside the program.
// A path too long for the latter is the settings' loading's to refuse.
SettingsFileCheck CheckSettingsFile(CSettingsFileHold& hold, const RunSwitches& switches)
{
    if (switches.config[0])
        return hold.CheckNamed(switches.config, switches.quiet);
    wchar_t setupDir[MAX_PATH] = {};
    return RunningSetupFolder(setupDir) ? hold.Check(setupDir, switches.quiet) : SettingsFileCheck::kGoOn;
}

int RunWithSettings(HINSTANCE instance)
{
    LogSettingsInEffect();
    if (!CheckEnvironment(instance))
        return kExitFailure;
    g_setupLog.Line(L"start-up: checks passed (Winsock 2.2, administrator, Windows version, privileges)");
    return RunWizard(GetActiveWindow());
}

} // namespace

int RunSetup(HINSTANCE instance)
{
    RunSwitches switches;
    SwitchesVerdict verdict = ParseRunSwitches(GetCommandLineW(), SwitchSet::kSetup, switches);
    g_settings.quiet = switches.quiet;
    g_settings.whatif = switches.whatif;
    // Until the settings are loaded, only the command line tells the kind of run.
    PlugInSinks(switches.quiet ? RunMode::kQuiet : RunMode::kAttended);
    // The lock's refusal comes before the settings, in the system's language all the same.
    g_language.SelectLanguage(GetSystemDefaultLCID());
    // The lock first: a run beside another must neither take the other's log file nor
    // fail over it. The usage changes nothing and needs no lock.
    CInstanceLock lock;
    const InstanceLockVerdict lockVerdict =
        verdict == SwitchesVerdict::kRun ? lock.Acquire() : InstanceLockVerdict::kHeld;
    const DWORD lockError = GetLastError();
    const LogRefusal logRefusal = OpenRunLog(switches, kLogName);
    const DWORD logError = GetLastError();
    LogRunHeader(L"Velmora Server Setup", GetCommandLineW());
    int exitCode = kExitFailure;
    bool refused = !ReportInstanceLock(lock, lockVerdict, lockError, exitCode);
    if (!refused && logRefusal != LogRefusal::kNone) {
        SetLastError(logError);
        exitCode = RefuseLog(switches, logRefusal);
        refused = true;
    } else if (!refused && verdict != SwitchesVerdict::kRun) {
        exitCode = ShowUsage(verdict, switches);
        refused = true;
    }
    if (refused) {
        g_setupLog.Line(L"==== exit code %d", exitCode);
        return exitCode;
    }

    // Held open while the settings are taken from it.
    CSettingsFileHold settingsFile;
    const SettingsFileCheck settingsCheck = CheckSettingsFile(settingsFile, switches);
    if (settingsCheck == SettingsFileCheck::kDeclined)
        exitCode = kExitCancelled;
    else if (settingsCheck == SettingsFileCheck::kGoOn &&
             LoadSettings(switches.config[0] ? settingsFile.Path() : nullptr)) {
        PlugInSinks(g_settings.run_mode);
        exitCode = RunWithSettings(instance);
    }
    g_setupLog.Line(L"==== exit code %d", exitCode);

    WSACleanup();
    CoUninitialize();
    // The record holds the administrator's password in plain text.
    SecureZeroMemory(&g_settings, sizeof(g_settings));
    return exitCode;
}
