#include "engine/run/install_sequence.h"

#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <time.h>

#include <new>

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "base/link_check.h"
#include "base/message_ids.h"
#include "base/module_resource.h"
#include "base/path_join.h"
#include "base/protected_folder.h"
#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "engine/failure_points.h"
#include "engine/install_layout.h"
#include "engine/changes/backup_change.h"
#include "engine/changes/binding_change.h"
#include "engine/changes/certificate_changes.h"
#include "engine/changes/change_transaction.h"
#include "engine/changes/folder_changes.h"
#include "engine/changes/listing_changes.h"
#include "engine/changes/service_changes.h"
#include "engine/installation_identity.h"
#include "engine/payload_extractor.h"
#include "engine/program_shortcuts.h"
#include "engine/run/installation_commit.h"
#include "engine/server_address.h"
#include "system/services/server_exit.h"
#include "formats/config/config_file.h"
#include "formats/crypto/start_file.h"
#include "formats/digest/ready_event_name.h"
#include "formats/installation_record/installation_record.h"
#include "resources/certificate_ids.h"
#include "system/http/http_port_use.h"
#include "system/http/ssl_binding.h"
#include "system/network/port_holder.h"
#include "system/services/readiness_event.h"
#include "system/services/service_exit.h"
#include "system/services/service_wait.h"
#include "system/uninstall/installed_size.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

// One run of the sequence: reporting, cancel checks and the run's own messages.
class InstallRun
{
public:
    InstallRun(const InstallRequest& request, InstallJob& job)
        : request_(request), job_(job), changes_(*job.transaction), reporter_(*job.reporter), wait_(job.readiness)
    {
    }

    // True when every step is done; a cancel is honoured up to the last step's end.
    bool Run();
    InstallResult Result() const;

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
        reporter_.StepChanged(step, kStepDone, position);
        if (step + 1 < kInstallStepCount)
            reporter_.StepChanged(step + 1, kStepStarted, position);
    }
    // The step's red cross, then the failure as data, told once by whoever runs the
    // installation.
    bool Fail(const InstallFailure& failure)
    {
        job_.failed = true;
        failure_ = failure;
        reporter_.StepChanged(failure.step, kStepFailed, 100);
        reporter_.Failed(failure_);
        return false;
    }
    bool FailAt(FailurePoint point, const FailureFacts& facts) { return Fail(FailureAt(point, facts)); }
    // The operation just failed: its code is the thread's last error.
    bool FailAt(FailurePoint point)
    {
        FailureFacts facts;
        facts.error = GetLastError();
        return FailAt(point, facts);
    }
    bool Cancelled(int step) { return Fail(CancelledAt(step)); }
    // The failure at `point`, told by what the run found out about its cause.
    bool FailBecause(FailurePoint point, const FailureFacts& facts, const FailureCause& cause)
    {
        InstallFailure failure = FailureAt(point, facts);
        if (failure.message != kStatusCancelled)
            failure.cause = cause;
        return Fail(failure);
    }
    FailureCause ServerStartCause() const;
    bool FailNotReady(FailurePoint point, DWORD waitedMs);
    bool FailForRoom(const FailureFacts& facts);
    bool CancelRequested() const { return reporter_.CancelRequested(); }
    // Only saying what the run would change: the changes say it themselves; the steps that
    // are no change object say it here, and nothing is made.
    ChangePreview* Previewing() const { return changes_.Previewing(); }
    void SayWhatWouldBeWritten(const PayloadTally& tally);
    void SayFileWouldBeWritten(const wchar_t* kind, const wchar_t* relative);

    // What this run makes goes on the installation's record, so that removing it takes
    // that and nothing else. An installation from before the record has none and keeps it
    // so: its removal takes the whole folder, as it always did.
    bool OpenRecord()
    {
        wchar_t path[MAX_PATH];
        if (!JoinPath(path, layout_.folder, kInstallationRecordName))
            return false;
        if (request_.Upgrade() && GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
            return true;
        const bool madeFolder = !request_.FolderWasThere();
        // The settings page makes the folder; a run without the page makes it here.
        if (madeFolder && !changes_.Apply(new (std::nothrow) MadeFolderChange(layout_.folder)))
            return false;
        if (!Previewing() && !record_.Open(layout_.folder, madeFolder))
            return false;
        return request_.Upgrade() || changes_.Apply(new (std::nothrow) RecordedFilesChange(layout_.folder));
    }
    // A file of the folder that the run is about to write over goes into the backup first,
    // where a rollback finds it (BackupChange). Nothing to do without a backup (a new folder)
    // or without the file.
    bool SetAside(const wchar_t* relative)
    {
        wchar_t path[MAX_PATH], saved[MAX_PATH];
        if (!backup_[0] || !JoinPath(path, layout_.folder, relative) ||
            GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
            return true;
        if (CrossesLink(layout_.folder, relative) || BackupCrossesLink(layout_.folder, backup_, relative)) {
            SetLastError(ERROR_CANT_ACCESS_FILE);
            return false;
        }
        if (!JoinPath(saved, backup_, relative))
            return false;
        wchar_t* name = wcsrchr(saved, L'\\');
        *name = 0;
        g_setupTools.CreateDirectoryTree(saved);
        *name = L'\\';
        return MoveFileExW(path, saved, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    // Nothing (true) without a record.
    bool Record(RecordedKind kind, const wchar_t* path)
    {
        return !record_.IsOpen() || record_.Add(kind, path);
    }

    static bool CancelCheck(void* self) { return static_cast<InstallRun*>(self)->CancelRequested(); }

    const InstallRequest& request_;
    InstallLayout layout_ = {};
    InstallJob& job_;
    ChangeTransaction& changes_;
    InstallReporter& reporter_;
    InstallationRecordWriter record_;
    const ReadinessWait wait_;
    // Made at the run's start and held until the server has reported through it.
    UniqueHandle readyEvent_;
    // The backup folder once made: the extraction's, and what a failed run puts back from.
    const wchar_t* backup_ = L"";
    InstallFailure failure_;
};

void FormatAddress(const sockaddr_in& address, wchar_t* text, size_t capacity)
{
    const BYTE* b = reinterpret_cast<const BYTE*>(&address.sin_addr);
    FormatText(text, capacity, L"%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

InstallResult InstallRun::Result() const
{
    InstallResult result;
    result.outcome = failure_.step < 0                   ? RunOutcome::kSucceeded
                     : failure_.message == kStatusCancelled ? RunOutcome::kCancelled
                                                            : RunOutcome::kFailed;
    result.failed_step = failure_.step;
    result.code = failure_.code;
    CopyText(result.backup_folder, backup_);
    return result;
}

bool InstallRun::Run()
{
    reporter_.StepChanged(kStepPrepare, kStepStarted, 0);
    // Before any change: a path that does not fit must not fail the run half-way.
    if (!FormInstallLayout(request_, time(nullptr), layout_))
        return FailAt(FailurePoint::kLayout);
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
    changes_.Apply(new (std::nothrow)
                       UninstallEntryChange(request_.service_name, layout_.folder, InstalledSizeKiB(layout_.folder)));
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
    return true;
}

bool InstallRun::Prepare()
{
    // Where the record stands before the run adds to it: a rollback cuts it back to here.
    const RecordMark mark = MarkInstallationRecord(layout_.folder);
    // Runs again after a rollback when it was running. Only a change that could not be made
    // fails here, told with the system's text like the record's.
    if (!changes_.Apply(new (std::nothrow) StoppedServiceChange(request_.service_name, CancelCheck, this)))
        return FailAt(FailurePoint::kRecord);
    if (CancelRequested())
        return Cancelled(kStepPrepare);
    if (!HoldReadinessEvent())
        return false;

    if (!request_.hosted) {
        wchar_t address[1100];
        BuildServerAddress(request_, address, 1100, 1024);
        // An upgrade's links replace the old server's under the same names: they are the
        // installation's either way, and stay.
        const bool created = request_.Upgrade() && !Previewing()
                                 ? CreateProgramShortcuts(layout_.folder, address, CancelCheck, this) ==
                                       ProgramShortcutsResult::Created
                                 : changes_.Apply(new (std::nothrow)
                                                      ShortcutsChange(layout_.folder, address, CancelCheck, this));
        if (!created && (GetLastError() == ERROR_CANCELLED || CancelRequested()))
            return Cancelled(kStepPrepare);
        if (!created)
            return FailAt(FailurePoint::kProgramGroup);
    }
    if (CancelRequested())
        return Cancelled(kStepPrepare);

    if (request_.FolderWasThere()) {
        // Made by an earlier version, or by somebody else: users may write there, and the
        // service is about to run from it as SYSTEM.
        TreeRightsResult rights;
        if (!changes_.Apply(new (std::nothrow) FolderRightsChange(layout_.folder, !request_.Upgrade(), rights))) {
            if (!rights.error)
                rights.error = GetLastError();
            InstallFailure failure;
            failure.step = kStepPrepare;
            failure.code = rights.error;
            failure.message = rights.message;
            CopyText(failure.argument, rights.path.c_str());
            CopyText(failure.detail, rights.detail.c_str());
            return Fail(failure);
        }
    }
    if (!OpenRecord())
        return FailAt(FailurePoint::kRecord);
    if (layout_.backup[0]) {
        const bool madeBackups = GetFileAttributesW(layout_.backups) == INVALID_FILE_ATTRIBUTES;
        if (!changes_.Apply(new (std::nothrow) BackupChange(request_.service_name, layout_.folder, layout_.backups,
                                                            layout_.backup, mark)))
            return FailAt(GetLastError() == ERROR_ALREADY_EXISTS ? FailurePoint::kBackupThere : FailurePoint::kBackup);
        if ((madeBackups && !Record(RecordedKind::kFolder, kBackupsFolderName)) ||
            !Record(RecordedKind::kTree, layout_.backup + lstrlenW(layout_.folder) + 1))
            return FailAt(FailurePoint::kBackup);
        backup_ = layout_.backup;
    }
    if (CancelRequested())
        return Cancelled(kStepPrepare);
    Finish(kStepPrepare);
    return true;
}

bool InstallRun::Extract()
{
    PayloadJob job;
    bool corrupt = false;
    job.corrupt = &corrupt;
    job.input = job_.buffers[0];
    job.window = job_.buffers[1];
    job.cancel = &job_.cancel_requested;
    job.folder = layout_.folder;
    job.keepUnmarked = request_.Upgrade();
    // An installation from before the record gets none; what this run writes into it is
    // listed in its backup instead, so that a failed run can take it away again.
    InstallationRecordWriter runList;
    if (!Previewing() && !record_.IsOpen() && backup_[0] && !runList.Open(backup_, false))
        return FailAt(FailurePoint::kRunList);
    job.record = record_.IsOpen() ? &record_ : runList.IsOpen() ? &runList : nullptr;
    // Before the first file: a drive without room for the server fails here, not half-way.
    ULARGE_INTEGER room = {};
    if (request_.payload_bytes != 0 && GetDiskFreeSpaceExW(layout_.folder, &room, nullptr, nullptr) &&
        room.QuadPart < request_.payload_bytes) {
        FailureFacts facts;
        facts.error = ERROR_DISK_FULL;
        return FailForRoom(facts);
    }
    PayloadTally tally;
    if (Previewing())
        job.tally = &tally;
    SetLastError(0);
    if (!ExtractPayload(job, backup_) || CancelRequested()) {
        FailureFacts facts;
        facts.error = GetLastError();
        facts.cancelled = CancelRequested();
        facts.corrupt = corrupt;
        if (!facts.cancelled && request_.payload_bytes != 0 &&
            (facts.error == ERROR_DISK_FULL || facts.error == ERROR_HANDLE_DISK_FULL))
            return FailForRoom(facts);
        return FailAt(FailurePoint::kPayload, facts);
    }
    if (Previewing()) {
        SayWhatWouldBeWritten(tally);
        if (!request_.Upgrade())
            SayFileWouldBeWritten(L"first-start file", kStartFileName);
        return true;
    }
    // Without it the server starts without its administrator: a failed write fails the run.
    if (!request_.Upgrade()
        && (!SetAside(kStartFileName) || !WriteStartFile(layout_.folder, request_.admin_account, kAdminAccountSize, request_.server_locale,
                            kServerLocaleSize) ||
            !Record(RecordedKind::kFile, kStartFileName)))
        return FailAt(FailurePoint::kStartFile);
    return true;
}

bool InstallRun::InstallCertificate()
{
    if (request_.Upgrade() || request_.hosted)
        return true;
    // From setup.exe itself: the unpacked copy lies where it could be swapped before it is read.
    const BYTE* root = nullptr;
    DWORD rootSize = 0;
    if (FindModuleResource(GetModuleHandleW(nullptr), RT_RCDATA, IDR_ROOT_CERTIFICATE, &root, &rootSize))
        changes_.Apply(new (std::nothrow) RootCertificateChange(root, rootSize));

    if (!changes_.Apply(new (std::nothrow) TrustListChange()))
        return FailAt(FailurePoint::kTrustList);
    wchar_t address[16];
    FormatAddress(request_.address, address, 16);
    if (!changes_.Apply(new (std::nothrow) SslBindingChange(address, request_.cert_thumbprint)))
        return FailAt(FailurePoint::kBinding);
    return true;
}

bool InstallRun::Configure()
{
    if (request_.Upgrade())
        return true;
    if (Previewing()) {
        SayFileWouldBeWritten(L"configuration file", kConfigurationFileName);
        return true;
    }
    if (!SetAside(kConfigurationFileName))
        return FailAt(FailurePoint::kConfiguration);
    DeleteFileW(layout_.configuration);
    // A server without its configuration is no working server: a full or locked disk fails here.
    // The request's own copy: the engine never writes the pages' store.
    if (!const_cast<CConfigFile&>(request_.configuration).Save(layout_.configuration) ||
        !Record(RecordedKind::kFile, kConfigurationFileName))
        return FailAt(FailurePoint::kConfiguration);
    return true;
}

bool InstallRun::CreateService()
{
    // The settings page refused a name of another program's service; it may have come since.
    LocalInstallationFacts facts;
    const InstallationIdentity service = IdentifyService(layout_.folder, request_.service_name, facts);
    if (service.kind == InstallationKind::kNone) {
        if (!changes_.Apply(new (std::nothrow) CreatedServiceChange(layout_.command_line, request_.service_name,
                                                                    layout_.display_name, layout_.folder)))
            return FailAt(FailurePoint::kServiceCreate);
    } else if (service.kind != InstallationKind::kInstalled) {
        return FailAt(FailurePoint::kServiceForeign);
    } else if (service.command_differs &&
               !changes_.Apply(new (std::nothrow) ServiceCommandChange(request_.service_name, layout_.command_line))) {
        // An 8.3 or otherwise written path: the server would name its readiness event
        // after another text than the setup waits for.
        return FailAt(FailurePoint::kServiceCommand);
    }
    if (CancelRequested())
        return Cancelled(kStepService);
    return true;
}

// Before the run's first change, and after the old server has gone (it holds the event
// while it runs): a name that another program holds fails the run with nothing changed.
bool InstallRun::HoldReadinessEvent()
{
    // The server that holds it now is not stopped by a preview.
    if (Previewing())
        return true;
    WaitForServerExit(layout_.folder, CancelCheck, this);
    if (CancelRequested())
        return Cancelled(kStepPrepare);
    wchar_t name[64];
    if (!ServerReadyEventName(layout_.folder, name, 64))
        return FailAt(FailurePoint::kReadinessName);
    if (CreateReadinessEvent(name, readyEvent_))
        return true;
    FailureFacts facts;
    facts.error = GetLastError();
    facts.argument = name;
    return FailAt(FailurePoint::kReadinessEvent, facts);
}

bool InstallRun::StartService()
{
    if (CancelRequested())
        return Cancelled(kStepStart);
    if (Previewing()) {
        Previewing()->Say(L"service", L"would start \"%s\" and wait up to %lu s for the server to say it is ready",
                          request_.service_name, wait_.rounds * wait_.roundMs / 1000);
        return true;
    }
    if (ControlServiceAndWaitWithin(request_.service_name, false, kServiceWaitLimitMs, CancelCheck, this) !=
        SERVICE_RUNNING) {
        FailureFacts facts;
        facts.error = GetLastError();
        facts.cancelled = CancelRequested();
        FailureCause cause = ServerStartCause();
        cause.error = facts.error;
        return FailBecause(FailurePoint::kServerStart, facts, cause);
    }
    return true;
}

// What the service manager says of the service, and who holds the server's port: a server
// that cannot listen ends as soon as it starts.
FailureCause InstallRun::ServerStartCause() const
{
    FailureCause cause;
    cause.kind = FailureCauseKind::kServerStart;
    CopyText(cause.service_name, request_.service_name);
    FormatAddress(request_.address, cause.address, 16);
    cause.service = QueryServiceExit(request_.service_name);
    cause.port = FindPortHolder(request_.address.sin_addr.s_addr, kSslBindingPort, cause.service.process_id);
    if (cause.port.process_id == kSystemProcessId)
        FindHttpPortUse(cause.address, request_.cert_thumbprint, cause.port.binding, cause.port.reservation);
    return cause;
}

// How long the run waited, and whether the service still runs.
bool InstallRun::FailNotReady(FailurePoint point, DWORD waitedMs)
{
    FailureFacts facts;
    facts.error = GetLastError();
    FailureCause cause;
    cause.kind = FailureCauseKind::kNotReady;
    CopyText(cause.service_name, request_.service_name);
    CopyText(cause.path, layout_.folder);
    cause.waited_ms = waitedMs;
    cause.service = QueryServiceExit(request_.service_name);
    return FailBecause(point, facts, cause);
}

// The drive of the installation folder and its room, against the payload's unpacked size.
bool InstallRun::FailForRoom(const FailureFacts& facts)
{
    FailureCause cause;
    cause.kind = FailureCauseKind::kDiskSpace;
    CopyText(cause.path, layout_.folder);
    if (!GetVolumePathNameW(layout_.folder, cause.volume, MAX_PATH))
        CopyTextN(cause.volume, MAX_PATH, layout_.folder, 3);
    ULARGE_INTEGER freeToCaller = {};
    if (GetDiskFreeSpaceExW(layout_.folder, &freeToCaller, nullptr, nullptr))
        cause.free_bytes = freeToCaller.QuadPart;
    cause.needed_bytes = request_.payload_bytes;
    return FailBecause(FailurePoint::kPayload, facts, cause);
}

bool InstallRun::WaitUntilReady()
{
    if (Previewing())
        return true;
    for (int round = 0; round < wait_.rounds; ++round) {
        if (g_setupTools.FindProcessByPath(layout_.server) == 0)
            return FailNotReady(FailurePoint::kServerGone, round * wait_.roundMs);
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
    return FailNotReady(FailurePoint::kServerNotReady, wait_.rounds * wait_.roundMs);
}

void InstallRun::SayWhatWouldBeWritten(const PayloadTally& tally)
{
    const ULONGLONG kib = (tally.bytes + 1023) / 1024, replacedKib = (tally.replaced_bytes + 1023) / 1024;
    Previewing()->Say(L"files", L"would write %lu files (%I64u KiB) and make %lu folders in %s; finds %lu of them "
                                L"there (%I64u KiB), which it would %s, and keeps %lu files of the installation as they are",
                      tally.files, kib, tally.folders, layout_.folder, tally.replaced, replacedKib,
                      backup_[0] ? L"move into the backup first" : L"write over", tally.kept);
}

void InstallRun::SayFileWouldBeWritten(const wchar_t* kind, const wchar_t* relative)
{
    wchar_t path[MAX_PATH];
    if (!JoinPath(path, layout_.folder, relative))
        return;
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        Previewing()->Say(kind, L"would write %s; finds none", path);
    else
        Previewing()->Say(kind, L"would write %s; finds one there, which it would %s", path,
                          backup_[0] ? L"move into the backup first" : L"write over");
}

} // namespace

InstallResult RunInstallation(const InstallRequest& request, InstallJob& job)
{
    InstallRun run(request, job);
    run.Run();
    return run.Result();
}

DWORD WINAPI InstallThreadProc(void* param)
{
    InstallJob& job = *static_cast<InstallJob*>(param);
    CoInitialize(nullptr);
    job.result = RunInstallation(*job.request, job);
    const bool allStepsDone = job.result.outcome == RunOutcome::kSucceeded && !job.failed;
    // A failed run leaves the machine as it was before the setup ran, whatever its kind:
    // what the run and the pages before it changed is taken back, the last change first
    // (the service before the folder it runs from, the files before the service that was
    // stopped for them starts again). Nobody is left to act on what stays: the log names it.
    if (job.failed)
        job.transaction->RollBack();
    else if (!job.transaction->Previewing())
        CommitInstallation(*job.request, *job.transaction);
    // Only now: until the machine is as it was, the page must not offer a way out.
    job.finished = true;
    job.reporter->Ended(allStepsDone);
    CoUninitialize();
    return 0;
}
