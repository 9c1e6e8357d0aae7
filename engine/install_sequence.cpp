#include "engine/install_sequence.h"

#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <time.h>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/last_error.h"
#include "base/message_ids.h"
#include "base/module_resource.h"
#include "base/path_join.h"
#include "base/protected_folder.h"
#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "engine/installation_identity.h"
#include "engine/journaled_changes.h"
#include "engine/payload_extractor.h"
#include "engine/program_shortcuts.h"
#include "engine/server_address.h"
#include "engine/server_exit.h"
#include "engine/undo_journal.h"
#include "engine/upgrade_rollback.h"
#include "formats/config/config_file.h"
#include "formats/crypto/start_file.h"
#include "formats/digest/ready_event_name.h"
#include "formats/installation_record/installation_record.h"
#include "formats/language/message_box.h"
#include "resources/certificate_ids.h"
#include "system/services/readiness_event.h"
#include "system/services/service_wait.h"
#include "system/uninstall/installed_size.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

const wchar_t kServiceDescription[] = L"Brindleway Velmora Server";
const int kServiceStopAttempts = 3;

// One run of the sequence: reporting, cancel checks and the run's own messages.
class InstallRun
{
public:
    explicit InstallRun(InstallJob& job) : job_(job), reporter_(*job.reporter), wait_(job.readiness) {}

    // True when every step is done; a cancel is honoured up to the last step's end.
    bool Run();

private:
    bool Prepare();
    bool HoldReadinessEvent();
    bool Extract();
    bool InstallCertificate();
    bool Configure();
    bool CreateService();
    bool StartService();
    bool WaitUntilReady();

    void Finish(int step)
    {
        int position = (step + 1) * 100 / kInstallStepCount;
        reporter_.StepChanged(step, kStepDone, position, 0);
        if (step + 1 < kInstallStepCount)
            reporter_.StepChanged(step + 1, kStepStarted, position, 0);
    }
    // The step's red cross, and the status line names it with the system's text for
    // `reason`. Nothing else: for a failure whose message was shown already.
    bool Fail(int step, DWORD reason)
    {
        job_.failed = true;
        reporter_.StepChanged(step, kStepFailed, 100, reason);
        wchar_t name[256] = {};
        FormatMessageId(name, 256, kInstallStepTexts[step]);
        const wchar_t* shownName = name;
        while (*shownName == L' ')
            ++shownName;
        wchar_t systemText[512] = {};
        SystemText(reason, systemText, 512);
        wchar_t status[1024] = {};
        FormatMessageId(status, 1024, kStatusStepFailed, shownName, systemText);
        reporter_.Status(status);
        return false;
    }
    // A failure whose system text the user is shown.
    bool FailWithSystemText(int step, DWORD error)
    {
        Fail(step, error);
        wchar_t text[1024] = {};
        g_setupTools.FormatSystemError(error, text, 1024);
        reporter_.Acknowledge(text, kErrorMessage);
        return false;
    }
    // A failure that the user is told of by the step's own warning `id`.
    bool FailWithWarning(int step, DWORD error, UINT id)
    {
        Fail(step, error);
        Warn(id);
        return false;
    }
    // A failure that the user is told of by message `id`, about `first` and `second`.
    bool FailWithMessage(int step, DWORD error, UINT id, const wchar_t* first, const wchar_t* second)
    {
        Fail(step, error);
        wchar_t text[1024] = {};
        FormatMessageId(text, 1024, id, first, second);
        reporter_.Acknowledge(text, kErrorMessage);
        return false;
    }
    // A cancel honoured: the step's red cross, no message, the status line says so.
    bool Cancelled(int step)
    {
        job_.failed = true;
        reporter_.StepChanged(step, kStepFailed, 100, ERROR_CANCELLED);
        wchar_t status[512] = {};
        FormatMessageId(status, 512, kStatusCancelled);
        reporter_.Status(status);
        return false;
    }
    bool CancelRequested() const { return reporter_.CancelRequested(); }

    void Warn(UINT id) const
    {
        wchar_t text[512] = {};
        FormatMessageId(text, 512, id);
        reporter_.Acknowledge(text, kWarningMessage);
    }
    // The system's text for `error` on one line, for the status line.
    static void SystemText(DWORD error, wchar_t* text, size_t capacity)
    {
        g_setupTools.FormatSystemError(error, text, capacity);
        for (int end = lstrlenW(text); end > 0 && (text[end - 1] == L'\r' || text[end - 1] == L'\n' ||
                                                   text[end - 1] == L' ');)
            text[--end] = 0;
    }

    // What this run makes goes on the installation's record, so that removing it takes
    // that and nothing else. An installation from before the record has none and keeps it
    // so: its removal takes the whole folder, as it always did.
    bool OpenRecord()
    {
        wchar_t path[MAX_PATH];
        if (!JoinPath(path, g_settings.install_dir, kInstallationRecordName))
            return false;
        if (g_settings.upgrade && GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
            return true;
        const bool madeFolder = !g_settings.upgrade && !g_settings.folder_confirmed;
        // The settings page makes the folder; a run without the page makes it here.
        if (madeFolder && !CreateJournaledFolder(g_settings.install_dir))
            return false;
        if (!record_.Open(g_settings.install_dir, madeFolder))
            return false;
        if (!g_settings.upgrade)
            JournalInstallation(g_settings.install_dir);
        return true;
    }
    // Nothing (true) without a record.
    bool Record(RecordedKind kind, const wchar_t* path)
    {
        return !record_.IsOpen() || record_.Add(kind, path);
    }

    static bool CancelCheck(void* self) { return static_cast<InstallRun*>(self)->CancelRequested(); }

    InstallJob& job_;
    InstallReporter& reporter_;
    InstallationRecordWriter record_;
    const ReadinessWait wait_;
    // Made at the run's start and held until the server has reported through it.
    UniqueHandle readyEvent_;
    time_t startTime_ = 0;
};

// Passes the extraction's reports on and notes whether it told of a failure itself.
class TellingReporter : public InstallReporter
{
public:
    explicit TellingReporter(InstallReporter& next) : next_(next) {}
    void StepChanged(int step, StepState state, int position, DWORD reason) override
    {
        next_.StepChanged(step, state, position, reason);
    }
    void Status(const wchar_t* text) override { next_.Status(text); }
    void Acknowledge(const wchar_t* text, UINT kind) override
    {
        told = true;
        next_.Acknowledge(text, kind);
    }
    bool CancelRequested() override { return next_.CancelRequested(); }
    void Ended(bool allStepsDone) override { next_.Ended(allStepsDone); }

    bool told = false;

private:
    InstallReporter& next_;
};

void FormatAddress(const sockaddr_in& address, const wchar_t* format, wchar_t* text, size_t capacity)
{
    const BYTE* b = reinterpret_cast<const BYTE*>(&address.sin_addr);
    FormatText(text, capacity, format, b[0], b[1], b[2], b[3]);
}

void InstallPath(const wchar_t* relative, wchar_t* path, size_t capacity)
{
    FormatText(path, capacity, L"%s\\%s", g_settings.install_dir, relative);
}

bool InstallRun::Run()
{
    startTime_ = time(nullptr);
    reporter_.StepChanged(kStepPrepare, kStepStarted, 0, 0);
    if (!Prepare())
        return false;
    if (!Extract())
        return false;
    Finish(kStepExtract);
    if (!InstallCertificate())
        return false;
    Finish(kStepCertificate);
    if (!Configure())
        return false;
    // Being listed is a convenience, not part of a working server: its failure stops nothing.
    const DWORD installedKiB = InstalledSizeKiB(g_settings.install_dir);
    if (g_settings.upgrade)
        WriteUninstallEntry(g_settings.service_name, g_settings.install_dir, installedKiB);
    else
        WriteJournaledUninstallEntry(g_settings.service_name, g_settings.install_dir, installedKiB);
    Finish(kStepConfigure);
    if (!CreateService())
        return false;
    Finish(kStepService);
    if (!StartService())
        return false;
    Finish(kStepStart);
    if (!WaitUntilReady())
        return false;
    // The last look: a run that says it is done is done.
    if (CancelRequested())
        return Cancelled(kStepInitialize);
    Finish(kStepInitialize);
    wchar_t done[512] = {};
    FormatMessageId(done, 512, kStatusDone);
    reporter_.Status(done);
    return true;
}

bool InstallRun::Prepare()
{
    if (g_setupTools.ServiceExists(g_settings.service_name)) {
        for (int i = 0; i < kServiceStopAttempts && !CancelRequested(); ++i)
            if (ControlServiceAndWaitWithin(g_settings.service_name, true, kServiceWaitLimitMs, CancelCheck, this) ==
                SERVICE_STOPPED)
                break;
    }
    if (CancelRequested())
        return Cancelled(kStepPrepare);
    if (!HoldReadinessEvent())
        return false;

    if (!g_settings.upgrade) {
        wchar_t ip[32];
        FormatAddress(g_settings.server_address, L"%u.%u.%u.%u", ip, 32);
        g_serverConfig.Set(L"server_ip", ip);
        if (g_settings.saas_mode)
            g_serverConfig.Set(L"server_mode", L"saas");
    }

    if (!g_settings.saas_mode) {
        wchar_t address[1100];
        BuildServerAddress(address, 1100, 1024);
        ProgramShortcutsResult shortcuts = CreateProgramShortcuts(g_settings.install_dir, address, CancelCheck, this);
        // Whatever came of it, only this installation's links are taken back; an upgrade's
        // replace the old server's, which stay.
        if (!g_settings.upgrade)
            JournalShortcuts(g_settings.install_dir);
        switch (shortcuts) {
        case ProgramShortcutsResult::NoGroup:
            return FailWithWarning(kStepPrepare, LastErrorOr(ERROR_PATH_NOT_FOUND), kNoProgramGroup);
        case ProgramShortcutsResult::Cancelled:
            return Cancelled(kStepPrepare);
        case ProgramShortcutsResult::Created:
            break;
        }
    }
    if (CancelRequested())
        return Cancelled(kStepPrepare);

    g_settings.backup_dir[0] = 0;
    if (g_settings.upgrade || g_settings.folder_confirmed) {
        // Made by an earlier version, or by somebody else: users may write there, and the
        // service is about to run from it as SYSTEM.
        const TreeRightsResult rights = ProtectJournaledFolder(g_settings.install_dir, !g_settings.upgrade);
        if (rights.error && rights.message)
            return FailWithMessage(kStepPrepare, rights.error, rights.message, rights.path.c_str(),
                                   rights.detail.c_str());
        if (rights.error)
            return FailWithSystemText(kStepPrepare, rights.error);
    }
    if (!OpenRecord())
        return FailWithSystemText(kStepPrepare, LastErrorOr(ERROR_WRITE_FAULT));
    if (g_settings.upgrade || g_settings.folder_confirmed) {
        struct tm utc = {};
        time_t now = startTime_;
        gmtime_s(&utc, &now);
        wchar_t stamp[32];
        wcsftime(stamp, 32, L"%Y-%m-%d %H-%M-%S", &utc);
        wchar_t backup[260];
        // A cut name would be another folder, and one that fills the buffer holds no file.
        if (FormatText(backup, 260, L"%s\\backups\\%s", g_settings.install_dir, stamp) >= 259)
            return FailWithSystemText(kStepPrepare, ERROR_FILENAME_EXCED_RANGE);
        // A new folder, never one that is there already: its name can be foreseen.
        if (GetFileAttributesW(backup) != INVALID_FILE_ATTRIBUTES)
            return FailWithSystemText(kStepPrepare, ERROR_ALREADY_EXISTS);
        wchar_t backups[260];
        InstallPath(L"backups", backups, 260);
        bool madeBackups = GetFileAttributesW(backups) == INVALID_FILE_ATTRIBUTES;
        if (!CreateProtectedFolder(backup) || (madeBackups && !Record(RecordedKind::kFolder, L"backups")) ||
            !Record(RecordedKind::kTree, backup + lstrlenW(g_settings.install_dir) + 1))
            return FailWithSystemText(kStepPrepare, LastErrorOr(ERROR_CANNOT_MAKE));
        CopyText(g_settings.backup_dir, backup);
    }
    if (CancelRequested())
        return Cancelled(kStepPrepare);
    Finish(kStepPrepare);
    return true;
}

bool InstallRun::Extract()
{
    TellingReporter telling(reporter_);
    PayloadJob job;
    job.reporter = &telling;
    job.input = job_.buffers[0];
    job.window = job_.buffers[1];
    job.cancel = &job_.cancel_requested;
    // An installation from before the record gets none; what this run writes into it is
    // listed in its backup instead, so that a failed run can take it away again.
    InstallationRecordWriter runList;
    if (!record_.IsOpen() && g_settings.backup_dir[0] && !runList.Open(g_settings.backup_dir, false))
        return FailWithSystemText(kStepExtract, LastErrorOr(ERROR_WRITE_FAULT));
    job.record = record_.IsOpen() ? &record_ : runList.IsOpen() ? &runList : nullptr;
    SetLastError(0);
    if (!ExtractPayload(job, g_settings.backup_dir) || CancelRequested()) {
        DWORD error = LastErrorOr(ERROR_INVALID_DATA);
        if (CancelRequested())
            return Cancelled(kStepExtract);
        // The extraction tells of most of its failures itself: once is enough.
        return telling.told ? Fail(kStepExtract, error) : FailWithSystemText(kStepExtract, error);
    }
    // Without it the server starts without its administrator: a failed write fails the run.
    if (!g_settings.upgrade
        && (!WriteStartFile(g_settings.install_dir, AdminAccountRecord(g_settings), kAdminAccountRecordSize,
                            ServerLocaleRecord(g_settings), kServerLocaleRecordSize) ||
            !Record(RecordedKind::kFile, L"config\\start.dat")))
        return FailWithSystemText(kStepExtract, LastErrorOr(ERROR_WRITE_FAULT));
    return true;
}

bool InstallRun::InstallCertificate()
{
    if (g_settings.upgrade || g_settings.saas_mode)
        return true;
    // From setup.exe itself: the unpacked copy lies where it could be swapped before it is read.
    const BYTE* root = nullptr;
    DWORD rootSize = 0;
    if (FindModuleResource(GetModuleHandleW(nullptr), RT_RCDATA, IDR_ROOT_CERTIFICATE, &root, &rootSize))
        AddJournaledRootCertificate(root, rootSize, L"Root");

    DWORD error = 0;
    if (!EnsureJournaledTrustList())
        error = LastErrorOr(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
    if (error == 0) {
        wchar_t address[32];
        FormatAddress(g_settings.server_address, L"%u.%u.%u.%u", address, 32);
        SetLastError(0);
        // A refused binding without a code must not pass for success either.
        if (!SetJournaledSslBinding(address, g_settings.cert_thumbprint, 20))
            error = LastErrorOr(ERROR_GEN_FAILURE);
    }
    if (error == 0)
        return true;

    Fail(kStepCertificate, error);
    wchar_t message[1024] = {};
    FormatMessageId(message, 1024, kCertificateFailed);
    AppendText(message, L" : ");
    wchar_t systemText[260];
    g_setupTools.FormatSystemError(error, systemText, 260);
    AppendText(message, systemText);
    reporter_.Acknowledge(message, kWarningMessage);
    return false;
}

bool InstallRun::Configure()
{
    if (g_settings.upgrade)
        return true;
    wchar_t path[260];
    InstallPath(L"config\\velmora.cfg", path, 260);
    DeleteFileW(path);
    // A server without its configuration is no working server: a full or locked disk fails here.
    if (!g_serverConfig.Save(path) || !Record(RecordedKind::kFile, L"config\\velmora.cfg"))
        return FailWithSystemText(kStepConfigure, LastErrorOr(ERROR_WRITE_FAULT));
    return true;
}

bool InstallRun::CreateService()
{
    wchar_t commandLine[600];
    if (!ServerCommandLine(g_settings.install_dir, commandLine, 600))
        return FailWithSystemText(kStepService, ERROR_FILENAME_EXCED_RANGE);
    // The settings page refused a name of another program's service; it may have come since.
    LocalInstallationFacts facts;
    const InstallationIdentity service = IdentifyService(g_settings.install_dir, g_settings.service_name, facts);
    if (service.kind == InstallationKind::kNone) {
        wchar_t displayName[128];
        FormatText(displayName, 128, L"Velmora Server (%s)", g_settings.service_name);
        // The service manager's failures show their own box.
        if (!g_setupTools.InstallService(commandLine, g_settings.service_name, displayName,
                                         kServiceDescription))
            return Fail(kStepService, LastErrorOr(ERROR_GEN_FAILURE));
        JournalService(g_settings.service_name, g_settings.install_dir);
    } else if (service.kind != InstallationKind::kInstalled) {
        return FailWithSystemText(kStepService, ERROR_SERVICE_EXISTS);
    } else if (service.command_differs && !SetJournaledServiceCommand(g_settings.service_name, commandLine)) {
        // An 8.3 or otherwise written path: the server would name its readiness event
        // after another text than the setup waits for.
        return FailWithSystemText(kStepService, LastErrorOr(ERROR_GEN_FAILURE));
    }
    if (CancelRequested())
        return Cancelled(kStepService);
    return true;
}

// Before the run's first change, and after the old server has gone (it holds the event
// while it runs): a name that another program holds fails the run with nothing changed.
bool InstallRun::HoldReadinessEvent()
{
    WaitForServerExit(g_settings.install_dir, CancelCheck, this);
    if (CancelRequested())
        return Cancelled(kStepPrepare);
    wchar_t name[64];
    if (!ServerReadyEventName(g_settings.install_dir, name, 64))
        return FailWithSystemText(kStepPrepare, LastErrorOr(ERROR_GEN_FAILURE));
    if (CreateReadinessEvent(name, readyEvent_))
        return true;
    const DWORD error = LastErrorOr(ERROR_GEN_FAILURE);
    if (error != ERROR_ALREADY_EXISTS)
        return FailWithSystemText(kStepPrepare, error);
    Fail(kStepPrepare, error);
    wchar_t text[512] = {};
    FormatMessageId(text, 512, kReadinessNameHeld, name);
    reporter_.Acknowledge(text, kWarningMessage);
    return false;
}

bool InstallRun::StartService()
{
    if (CancelRequested())
        return Cancelled(kStepStart);
    if (ControlServiceAndWaitWithin(g_settings.service_name, false, kServiceWaitLimitMs, CancelCheck, this) !=
        SERVICE_RUNNING) {
        DWORD error = LastErrorOr(ERROR_SERVICE_NOT_ACTIVE);
        if (CancelRequested())
            return Cancelled(kStepStart);
        return FailWithWarning(kStepStart, error, kServerNotStarted);
    }
    return true;
}

bool InstallRun::WaitUntilReady()
{
    wchar_t server[260];
    InstallPath(L"Velmora.exe", server, 260);
    for (int round = 0; round < wait_.rounds; ++round) {
        if (g_setupTools.FindProcessByPath(server) == 0)
            return FailWithWarning(kStepInitialize, ERROR_PROCESS_ABORTED, kInitializationFailed);
        // In slices, to see a cancel within one.
        for (DWORD waited = 0; waited < wait_.roundMs;) {
            if (CancelRequested())
                return Cancelled(kStepInitialize);
            const DWORD slice = wait_.roundMs - waited < kCancelPollMs ? wait_.roundMs - waited : kCancelPollMs;
            if (WaitForSingleObject(readyEvent_.Get(), slice) == WAIT_OBJECT_0)
                return true;
            waited += slice;
        }
    }
    return FailWithWarning(kStepInitialize, ERROR_TIMEOUT, kInitializationFailed);
}

// A failed run leaves the machine as it was before the setup ran: what the run and the
// pages before it changed is taken back, the last change first (the service
// before the folder it runs from). Nobody is left to act on what stays, so failures go
// unreported.
void RemoveFailedInstallation()
{
    g_undoJournal.Undo();
}

} // namespace

bool RunInstallation(InstallJob& job)
{
    return InstallRun(job).Run();
}

DWORD WINAPI InstallThreadProc(void* param)
{
    InstallJob& job = *static_cast<InstallJob*>(param);
    CoInitialize(nullptr);
    // Taken here, as the run's first act is to stop the service.
    PreviousInstallation previous;
    RememberPreviousInstallation(previous);
    bool allStepsDone = RunInstallation(job);
    // What was there before goes back before what the run made in a new place goes.
    if (job.failed && ChangedPreviousInstallation())
        RestorePreviousInstallation(previous);
    // Whatever the kind of run: a failed upgrade too takes away the service it created.
    if (job.failed)
        RemoveFailedInstallation();
    // What is left stays: the completed installation's, or the upgrade's.
    g_undoJournal.Forget();
    // Only now: until the machine is as it was, the page must not offer a way out.
    job.finished = true;
    job.reporter->Ended(allStepsDone);
    CoUninitialize();
    return 0;
}
