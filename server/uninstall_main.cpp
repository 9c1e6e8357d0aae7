// uninstall.exe: takes back what the Velmora Server installation it belongs to made, after
// asking; with /quiet without asking and without any box, for deployment tools. Its
// command line and exit codes: server/uninstall_command.h. This process does the whole
// removal and ends when it has ended, so its exit code tells how it went.
#include <windows.h>

#include <memory>

#include "base/bounded_text.h"
#include "base/instance_lock.h"
#include "base/message_title.h"
#include "base/run_log_file.h"
#include "base/setup_log.h"
#include "base/system_dll.h"
#include "formats/language/language.h"
#include "formats/language/message_box.h"
#include "formats/language/usage_text.h"
#include "server/module_folder.h"
#include "server/running_image.h"
#include "server/uninstall_command.h"
#include "server/uninstall_messages.h"
#include "system/removal/installation_take_back.h"

namespace {

const wchar_t kLogName[] = L"VelmoraUninstall";

// Every box goes to the log too; a quiet uninstall shows none.
void PlugInSinks(bool quiet)
{
    static const ScreenMessages screen(kUninstallTitle);
    static const QuietMessages silence;
    static const LoggedMessages shownAndLogged(screen);
    static const LoggedMessages silentButLogged(silence);
    const MessageSink* sink = quiet ? &silentButLogged : &shownAndLogged;
    SetReportSink(sink);
    SetScreenSink(sink);
}

int Stop(DWORD error)
{
    return UninstallExitCode(UninstallEnd::kStopped, error, false);
}

int RefuseCommandLine(const RunSwitches& switches)
{
    wchar_t text[kUsageTextCapacity] = {};
    FormatRefusedCommandLine(SwitchSet::kUninstall, switches, text, kUsageTextCapacity);
    ReportSink().Show(nullptr, text, kErrorMessage);
    return Stop(ERROR_INVALID_PARAMETER);
}

// The box says which file and why; a quiet run's default log, when it opened.
int RefuseLog(const RunSwitches& switches, LogRefusal refusal, DWORD error)
{
    wchar_t text[1024] = {};
    DescribeLogRefusal(switches, kLogName, refusal, error, text);
    ReportSink().Show(nullptr, text, kErrorMessage);
    return Stop(refusal == LogRefusal::kSystemError ? error : ERROR_INVALID_PARAMETER);
}

// True when this run holds the lock; otherwise, after telling why, false with the exit code.
bool HoldsLock(const CInstanceLock& lock, InstanceLockVerdict verdict, DWORD error, int& exitCode)
{
    wchar_t text[512] = {};
    switch (verdict) {
    case InstanceLockVerdict::kHeld:
        g_setupLog.Line(L"start-up: this run holds the lock %s", lock.Name());
        return true;
    case InstanceLockVerdict::kAnotherSetup:
        ReportSink().Show(nullptr,
                          L"Another Velmora Server setup or uninstall is running on this computer. Nothing was "
                          L"removed: wait until it ends, then start the uninstall again.",
                          kErrorMessage);
        exitCode = UninstallExitCode(UninstallEnd::kBesideAnother, NO_ERROR, false);
        return false;
    case InstanceLockVerdict::kSquatted:
        FormatText(text,
                   L"A program not started by an administrator holds the name \"%s\" by which Velmora Server "
                   L"setups and uninstalls run one at a time. Nothing was removed: end that program, then start "
                   L"the uninstall again.",
                   lock.Name());
        ReportSink().Show(nullptr, text, kErrorMessage);
        exitCode = Stop(ERROR_ACCESS_DENIED);
        return false;
    default:
        ShowUninstallError(L"The uninstall could not make sure that no setup runs beside it; nothing was removed.",
                           error);
        exitCode = Stop(error);
        return false;
    }
}

// Moves this program's file out of `folder` and has it deleted at the next restart. When
// it cannot move, it stays, and the take-back names it with the rest of the folder. False
// when the moved file would stay for good: it is named in `report`.
bool GetOutOfTheWay(const wchar_t* folder, TakeBackReport& report)
{
    MovedImage moved;
    bool goes = true;
    if (!MoveRunningImageOut(folder, moved)) {
        g_setupLog.Line(L"uninstaller: could not move out of \"%s\" (error %lu); it stays there", folder,
                        GetLastError());
    } else if (!DeleteAtRestart(moved)) {
        report.Left(GetLastError(), nullptr, L"%s (this uninstaller, moved out of the installation folder)", moved.image);
        goes = false;
    } else {
        g_setupLog.Line(L"uninstaller: moved to \"%s\", deleted with its folder at the next restart", moved.image);
    }
    // The current folder of this process would keep the installation folder busy.
    wchar_t system[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        SetCurrentDirectoryW(system);
    return goes;
}

int Uninstall(bool quiet)
{
    wchar_t folder[MAX_PATH];
    if (!GetModuleFolder(folder, MAX_PATH)) {
        DWORD error = GetLastError();
        ShowUninstallError(L"The installation folder could not be determined; nothing was removed.", error);
        return Stop(error);
    }
    std::unique_ptr<TakeBackPlan> plan(new TakeBackPlan);
    if (!PlanTakeBack(folder, *plan)) {
        DWORD error = GetLastError();
        ShowUninstallError(L"The list of installed programs could not be read; nothing was removed.", error);
        return Stop(error);
    }
    // Only the machine's list says what is an installation: a copy of this program put
    // into some folder takes nothing from it.
    if (!plan->service[0]) {
        wchar_t text[MAX_PATH + 160];
        FormatText(text, L"No installation of Velmora Server in the list of installed programs is in \"%s\"; nothing "
                         L"was removed.", folder);
        ReportSink().Show(nullptr, text, kErrorMessage);
        return Stop(ERROR_FILE_NOT_FOUND);
    }
    if (!AgreesToTakeBack(*plan, quiet))
        return UninstallExitCode(UninstallEnd::kDeclined, NO_ERROR, false);

    std::unique_ptr<TakeBackReport> report(new TakeBackReport);
    const bool uninstallerGoes = GetOutOfTheWay(folder, *report);
    const bool everythingTakenBack = CarryOutTakeBack(*plan, *report) && uninstallerGoes;
    TellWhatStayed(*report, everythingTakenBack);
    return UninstallExitCode(UninstallEnd::kCarriedOut, report->FirstError(), everythingTakenBack);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int)
{
    LoadSystemDllsOnly();
    RunSwitches switches;
    const bool run = ParseUninstallCommandLine(GetCommandLineW(), switches);
    PlugInSinks(switches.quiet);
    // The usage in the system's language, as the setup's.
    g_language.SelectLanguage(GetSystemDefaultLCID());
    // As in the setup: the lock first, so that a run beside another neither takes the
    // other's log file nor fails over it; held until this process ends, the removal's end.
    // A refused command line changes nothing and needs no lock.
    CInstanceLock lock;
    const InstanceLockVerdict lockVerdict = run ? lock.Acquire() : InstanceLockVerdict::kHeld;
    const DWORD lockError = GetLastError();
    const LogRefusal logRefusal = OpenRunLog(switches, kLogName);
    const DWORD logError = GetLastError();
    LogRunHeader(kUninstallTitle, GetCommandLineW());

    int exitCode = 0;
    if (HoldsLock(lock, lockVerdict, lockError, exitCode))
        exitCode = logRefusal != LogRefusal::kNone ? RefuseLog(switches, logRefusal, logError)
                   : run                           ? Uninstall(switches.quiet)
                                                   : RefuseCommandLine(switches);
    g_setupLog.Line(L"==== exit code %d", exitCode);
    return exitCode;
}
