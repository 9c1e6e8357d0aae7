// The installation sequence run for real under Wine, reported to a recording reporter: the
// embedded server payload is unpacked, the real service is created in the prefix's Service
// Control Manager, the real server starts and reports ready through its event.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/message_ids.h"
#include "base/scoped_handle.h"
#include "base/scoped_seam.h"
#include "base/setup_tools.h"
#include "certificates/certificate_fixtures.h"
#include "engine/changes/certificate_changes.h"
#include "engine/changes/change_transaction.h"
#include "engine/changes/folder_changes.h"
#include "engine/changes/hosts_change.h"
#include "formats/config/server_config.h"
#include "formats/digest/ready_event_name.h"
#include "formats/installation_record/installation_record.h"
#include "formats/language/message_box.h"
#include "install/fake_bindings.h"
#include "install/recording_reporter.h"
#include "services/service_test_support.h"
#include "support/at_scope_exit.h"
#include "support/hosts_file_keeper.h"
#include "support/installation_fixture.h"
#include "support/socket_helpers.h"
#include "support/enum_printers.h"
#include "support/machine_state.h"
#include "support/uninstall_entry_reader.h"
#include "support/wait_until.h"
#include "system/certificates/trust_list.h"
#include "system/hosts/hosts_file.h"
#include "system/http/ssl_binding_seams.h"
#include "system/network/port_holder.h"
#include "system/services/service_command.h"
#include "system/uninstall/remembered_installation_store.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

DWORD FileKiB(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow / 1024 : 0;
}

// Every entry below `folder` with a digest of its content: a tree put back byte for byte,
// with nothing more and nothing less, compares equal.
std::map<std::wstring, size_t> TreeDigest(const std::wstring& folder)
{
    std::map<std::wstring, size_t> digest;
    for (const std::wstring& name : ListTree(folder))
        digest[name] = name.back() == L'\\' ? 0 : std::hash<std::string>()(ReadWholeFile(folder + L"\\" + name));
    return digest;
}

// Boxes shown through the report sink, with their kind.
class RecordingMessages : public MessageSink
{
public:
    int Show(HWND, const wchar_t* text, UINT kind) const override
    {
        boxes.emplace_back(text, kind);
        return 0;
    }
    mutable std::vector<std::pair<std::wstring, UINT>> boxes;
};

// Installation runs nobody attends: the system's error boxes (services) go nowhere.
class InstallSequenceTest : public ::testing::Test
{
protected:
    void SetUp() override { previous_ = SetReportSink(&quiet_); }
    void TearDown() override { SetReportSink(previous_); }

    // Every step starts, then is done, in order, with the bar's positions of seven steps;
    // the run ends after `finished`, with no message.
    static void ExpectSuccessfulRun(const RecordingRun& run)
    {
        const int positions[] = {14, 28, 42, 57, 71, 85, 100};
        ASSERT_EQ(2u * kInstallStepCount, run.steps.size());
        for (int step = 0; step < kInstallStepCount; ++step) {
            const RecordingRun::Step& started = run.steps[2 * step];
            const RecordingRun::Step& done = run.steps[2 * step + 1];
            EXPECT_EQ(step, started.step);
            EXPECT_EQ(kStepStarted, started.state);
            EXPECT_EQ(step > 0 ? positions[step - 1] : 0, started.position);
            EXPECT_EQ(step, done.step);
            EXPECT_EQ(kStepDone, done.state) << "step " << step << ", reason " << done.reason;
            EXPECT_EQ(positions[step], done.position);
        }
        EXPECT_FALSE(run.Failed());
        EXPECT_TRUE(run.ended && run.endedAllDone);
        EXPECT_TRUE(run.messages.empty());
    }

    // The server's size as listed, give or take the small files (configuration, first-start
    // file, link, root certificate).
    void ExpectListedSize(const UninstallEntryReader& entry) const
    {
        DWORD programs = FileKiB(File(L"Velmora.exe")) + FileKiB(File(L"uninstall.exe"));
        ASSERT_GT(programs, 100u);
        EXPECT_GE(entry.Number(L"EstimatedSize"), programs);
        EXPECT_LE(entry.Number(L"EstimatedSize"), programs + 32);
    }

    std::wstring File(const wchar_t* relative) const { return installation_.InstallDir() + L"\\" + relative; }

    QuietMessages quiet_;
    const MessageSink* previous_ = nullptr;
    InstallationFixture installation_{L"install"};
    const std::wstring& installDir_ = installation_.InstallDir();
    const std::wstring& serviceName_ = installation_.ServiceName();
};

TEST_F(InstallSequenceTest, NewInstallationThenUpgradeKeepingConfigurationAndFirstStartFile)
{
    installation_.PrepareSettings();
    UninstallEntryReader entry(serviceName_);
    {
        RecordingRun run;
        ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(run));
    }
    // The unpacked tree, the first-start file and the configuration written for it.
    for (const wchar_t* file : {L"Velmora.exe", L"uninstall.exe", L"links\\brindleway.url",
                                L"config\\BrindlewayRootCA.cer"})
        EXPECT_TRUE(PathExists(File(file))) << file;
    EXPECT_EQ(736u + 704u, ReadWholeFile(File(L"config\\start.dat")).size());
    std::string config = ReadWholeFile(File(L"config\\velmora.cfg"));
    EXPECT_NE(std::string::npos, config.find("\r\nserver_ip=0.0.0.0\r\n"));
    EXPECT_EQ(std::string::npos, config.find("server_mode"));
    EXPECT_FALSE(PathExists(File(L"backups")));  // a new folder needs no backup
    // The run made the folder: on record, so that removing it takes the folder whole.
    InstallationRecord record;
    ASSERT_TRUE(record.Load(installDir_.c_str()));
    EXPECT_TRUE(record.MadeFolder());
    EXPECT_EQ(std::wstring(L"config\\velmora.cfg"), record.Path(record.Count() - 1));
    // The service as created, running the server, which keeps running.
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_setupTools.GetServiceState(serviceName_.c_str()));
    EXPECT_NE(0u, g_setupTools.FindProcessByPath(File(L"VELMORA.EXE").c_str()));
    wchar_t command[2 * MAX_PATH] = {};
    ASSERT_TRUE(ReadServiceCommand(serviceName_.c_str(), command, 2 * MAX_PATH));
    EXPECT_TRUE(IsServerCommandOf(command, installDir_.c_str())) << command;
    for (const wchar_t* link : {L"\\Velmora.lnk", L"\\Brindleway Software Corp.lnk", L"\\Uninstall....lnk"})
        EXPECT_TRUE(PathExists(ProgramGroupPath() + link)) << link;
    // Listed among the installed programs, one entry per service.
    const std::wstring displayName = L"Velmora Server (" + serviceName_ + L")";
    const std::pair<const wchar_t*, std::wstring> texts[] = {
        {L"DisplayName", displayName}, {L"DisplayVersion", L"1.0.0.368"},
        {L"Publisher", L"Brindleway Software Corp."}, {L"InstallLocation", installDir_},
        {L"DisplayIcon", File(L"Velmora.exe")}, {L"UninstallString", L"\"" + File(L"uninstall.exe") + L"\""},
        {L"QuietUninstallString", L"\"" + File(L"uninstall.exe") + L"\" /quiet"}};
    for (const auto& text : texts)
        EXPECT_EQ(text.second, entry.Text(text.first)) << text.first;
    EXPECT_EQ(1u, entry.Number(L"NoModify"));
    EXPECT_EQ(1u, entry.Number(L"NoRepair"));
    ASSERT_NO_FATAL_FAILURE(ExpectListedSize(entry));
    // What it made is remembered where only administrators write, for its removal.
    RememberedInstallation made;
    ASSERT_TRUE(ReadRememberedInstallation(serviceName_.c_str(), made));
    EXPECT_EQ(Provenance::kMade, made.folder);
    EXPECT_EQ(installDir_, made.topmost_made_folder);
    EXPECT_EQ(Provenance::kMade, made.service);
    EXPECT_EQ(serviceName_, made.service_name);
    EXPECT_EQ(Provenance::kMade, made.binding);
    EXPECT_STREQ(L"0.0.0.0", made.binding_address);
    EXPECT_EQ(Provenance::kMade, made.shortcuts);
    EXPECT_NE(Provenance::kNone, made.root_certificate);
    EXPECT_NE(Provenance::kNone, made.trust_list);
    // An installation of an earlier release remembered nothing.
    ASSERT_TRUE(RemoveRememberedInstallation(serviceName_.c_str()));

    // The administrator's own configuration and the server's data must survive the upgrade,
    // which brings the entry of an older server up to date.
    const std::string ownConfig = "server_ip=10.1.2.3\r\nserver_ssl_mode=false\r\n";
    ASSERT_TRUE(WriteWholeFile(File(L"config\\velmora.cfg"), ownConfig));
    ASSERT_TRUE(WriteWholeFile(File(L"config\\start.dat"), "server data"));
    ASSERT_TRUE(entry.SetText(L"DisplayVersion", L"0.9.0.100"));
    ASSERT_TRUE(entry.SetText(L"DisplayName", L"Velmora Server (old)"));
    g_serverConfig.Clear();
    ASSERT_TRUE(g_serverConfig.Load(File(L"config\\velmora.cfg").c_str()));
    // The service as another hand wrote it: the same server in other case, which the
    // upgrade writes in the setup's own form.
    const std::wstring ownCommand = L"\"" + File(L"Velmora.exe") + L"\" /start";
    std::wstring otherCase = ownCommand;
    CharLowerW(&otherCase[0]);
    ASSERT_TRUE(WriteServiceCommand(serviceName_.c_str(), otherCase.c_str()));
    g_settings.upgrade = true;
    g_settings.server_address.sin_addr.s_addr = inet_addr("192.0.2.7");  // must not be used
    std::wstring backup;
    {
        RecordingRun upgrade;
        ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(upgrade));
        backup = upgrade.Result().backup_folder;
    }
    EXPECT_EQ(ownCommand, ReadServiceConfig(serviceName_).binaryPath);
    EXPECT_EQ(ownConfig, ReadWholeFile(File(L"config\\velmora.cfg")));
    EXPECT_EQ("server data", ReadWholeFile(File(L"config\\start.dat")));
    // The replaced server went into backups\<UTC start time>, which the entry does not count.
    const std::wstring backups = installDir_ + L"\\backups\\";
    EXPECT_EQ(0u, backup.rfind(backups, 0));
    EXPECT_EQ(19u, backup.size() - backups.size());  // %Y-%m-%d %H-%M-%S
    EXPECT_TRUE(PathExists(backup + L"\\Velmora.exe"));
    EXPECT_EQ(L"1.0.0.368", entry.Text(L"DisplayVersion"));
    EXPECT_EQ(displayName, entry.Text(L"DisplayName"));
    ASSERT_NO_FATAL_FAILURE(ExpectListedSize(entry));
    // Its upgrade remembers what it can prove: the service that runs this server. Who made
    // the folder, the certificates and the binding it cannot tell.
    RememberedInstallation upgraded;
    ASSERT_TRUE(ReadRememberedInstallation(serviceName_.c_str(), upgraded));
    EXPECT_EQ(Provenance::kMade, upgraded.service);
    EXPECT_EQ(serviceName_, upgraded.service_name);
    for (Provenance unknown : {upgraded.folder, upgraded.server_certificate, upgraded.root_certificate,
                               upgraded.trust_list, upgraded.binding, upgraded.hosts_block})
        EXPECT_EQ(Provenance::kUnknown, unknown);
}

// The machine as the installation may change it, with the bindings.
std::vector<std::wstring> MachineWithBindings(const InstallationFixture& installation)
{
    std::vector<std::wstring> state = MachineState(installation.Root().Path());
    g_bindings.AddLines(state);
    return state;
}

// The test service put in the place of the unpacked server: it runs as the server's service
// and never reports ready; `options` (service_fixture.cpp) say what else it does.
std::function<void(int)> ServerNeverReady(const char* options = "")
{
    return [=](int step) {
        if (step != kStepService)
            return;
        const std::wstring server = std::wstring(g_settings.install_dir) + L"\\Velmora.exe";
        CopyFileW(PathBesideTests(L"service_fixture.exe").c_str(), server.c_str(), FALSE);
        if (*options)
            WriteWholeFile(server + L".options", options);
    };
}

// A failed or cancelled new installation, one row per step and per way of failing, reports
// the failed step with its reason and, unless cancelled, one box, whether the run or the
// service manager shows it. A cancel that comes while the run waits for a service or the
// server ends the waiting step within a second. The run leaves the machine as it was before
// the setup ran: what the pages before the run changed (folder, certificate, hosts file) and
// what the run made (program group, files, root certificate, trust list, HTTPS binding,
// entry, service) go, and another program's binding that the run replaced comes back. What
// was there before stays. (Each text itself: the failure text and presenter tables.)
TEST_F(InstallSequenceTest, FailedNewInstallationsTellTheReasonAndLeaveTheMachineAsItWas)
{
    ScopedWinsock winsock;  // for the sockets that hold and look at the server's port
    struct Case
    {
        const char* name;
        int cancelAtStep;
        std::function<void()> arrange;
        int failedStep;
        DWORD reason;
        std::wstring box;  // the one box's text; none after a cancel
        bool otherBinding = false;  // another program's certificate is bound to the address
        DWORD cancelDelayMs = 0;    // the cancel comes this long after the step started
        const char* serverOptions = "";  // of the test service in the server's place
        bool readinessHeld = false;      // another program makes the readiness event first
        bool portHeld = false;           // this program listens on port 443 of every address
        std::function<void(InstallRequest&)> request = nullptr;
        bool boxStart = false;           // `box` is the box's start: what follows varies
        DWORD readinessRoundMs = 300;    // one of the four rounds of the wait for the server
    } cases[] = {
        {"cancel before the first check", kStepPrepare, [] {}, kStepPrepare, ERROR_CANCELLED, L""},
        // The name follows from the folder; the run fails before it changes anything, and
        // names the event in its box.
        {"a readiness event made first", -1, [] {}, kStepPrepare, ERROR_ALREADY_EXISTS, L"", false, 0, "", true},
        {"a refused binding", -1, [] { g_bindings.refuseServer = true; }, kStepCertificate, ERROR_ACCESS_DENIED,
         L"Failed to install the certificate : " + SystemErrorText(ERROR_ACCESS_DENIED), true},
        // The cancel is seen only once the service is registered: everything is made.
        {"cancel during the certificate step", kStepCertificate, [] {}, kStepService, ERROR_CANCELLED, L"", true},
        // Into a folder that was there, with a configuration and a first-start file of its
        // own, which the run writes over and puts back.
        {"a service name the system refuses", -1,
         [] {
             g_settings.folder_confirmed = true;
             const std::wstring config = std::wstring(g_settings.install_dir) + L"\\config";
             ASSERT_TRUE(CreateDirectoryW(g_settings.install_dir, nullptr) && CreateDirectoryW(config.c_str(), nullptr));
             for (const wchar_t* own : {L"\\velmora.cfg", L"\\start.dat"})
                 ASSERT_TRUE(WriteWholeFile(config + own, "mine"));
             CopyText(g_settings.service_name, L"\\");
         },
         kStepService,
         ERROR_INVALID_NAME, SystemErrorText(ERROR_INVALID_NAME)},
        {"cancel while the service starts", kStepStart, [] {}, kStepStart, ERROR_CANCELLED, L"", false, 500,
         "start-pending=3000"},
        // Another program's service of the name, or the server of another folder: refused
        // at the service step, and kept as it was: stopped for the run, it runs again.
        {"a service of the name that runs another program", -1,
         [] {
             ASSERT_TRUE(g_setupTools.InstallService(FixtureCommandLine(L"").c_str(), g_settings.service_name,
                                                     L"Velmora (test)", L"t"));
             ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING),
                       g_setupTools.ControlServiceAndWait(g_settings.service_name, false));
         },
         kStepService, ERROR_SERVICE_EXISTS, SystemErrorText(ERROR_SERVICE_EXISTS)},
        // A plain listening socket of this program on the server's port: the real server ends as
        // it starts, and the box says who holds the port (as the system names it, or not).
        {"port 443 held by another program", -1, [] {}, kStepStart, ERROR_SHARING_VIOLATION,
         L"Port 443 of the address 0.0.0.0 is taken by ", false, 0, "", false, true, nullptr, true, 5000},
        // Wine has no nearly full drive: the payload says it takes more than any drive holds.
        {"a drive without room for the server", -1, [] {}, kStepExtract, ERROR_DISK_FULL,
         L"The Velmora Server needs 1073741824 MB on the drive C:\\ for the folder \"{folder}\", but the drive has ",
         false, 0, "", false, false, [](InstallRequest& request) { request.payload_bytes = 1ull << 50; }, true},
        {"cancel while waiting until the server is ready", kStepInitialize, [] {}, kStepInitialize, ERROR_CANCELLED,
         L"", false, 500},
        // The test service in the server's place stops and ends before it is ready.
        {"a server whose process is gone", -1, [] {}, kStepInitialize, ERROR_PROCESS_ABORTED,
         L"The Velmora Server ended before it reported that it is ready (waited ", false, 0, "end-after=200", false,
         false, nullptr, true},
    };
    RecordingMessages shown;
    AtScopeExit sink([previous = SetReportSink(&shown)] { SetReportSink(previous); });
    ScopedSeam<HttpSetServiceConfigurationCall> set(g_httpSetServiceConfigurationCall, FakeSet);
    ScopedSeam<HttpQueryServiceConfigurationCall> query(g_httpQueryServiceConfigurationCall, FakeQuery);
    ScopedSeam<HttpDeleteServiceConfigurationCall> remove(g_httpDeleteServiceConfigurationCall, FakeDelete);
    HostsFileKeeper hosts;
    wchar_t hostsFolder[MAX_PATH] = {};
    ASSERT_TRUE(GetHostsFolder(hostsFolder, MAX_PATH));
    const std::vector<BYTE> pfx = ReadCertificateFile(L"default_server.pfx");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shown.boxes.clear();
        InstallationFixture installation(L"failed");
        installation.PrepareSettings();
        // A machine without what the setup adds: the server certificate, the root, the list.
        RemoveFromMachineStore(L"MY", std::vector<BYTE>(g_settings.cert_thumbprint, g_settings.cert_thumbprint + 20));
        RemoveFromMachineStore(L"Root", RootCertificateHash());
        ASSERT_TRUE(DeleteServerTrustList());
        g_bindings = FakeBindings();
        if (c.otherBinding)
            g_bindings.hashes[L"0.0.0.0:443"] = std::string("\xAA\xBB\xCC").append(17, '\0');
        ASSERT_NO_FATAL_FAILURE(c.arrange());
        std::wstring box = c.box;
        const size_t folderAt = box.find(L"{folder}");
        if (folderAt != std::wstring::npos)
            box.replace(folderAt, wcslen(L"{folder}"), g_settings.install_dir);
        std::unique_ptr<PortHolder> portHolder(c.portHeld ? new PortHolder(0) : nullptr);
        ASSERT_TRUE(!portHolder || portHolder->Bound());
        UniqueHandle squatter;
        if (c.readinessHeld) {
            wchar_t name[kServerReadyEventNameLength + 1] = {};
            ASSERT_TRUE(ServerReadyEventName(g_settings.install_dir, name, kServerReadyEventNameLength + 1));
            squatter.Reset(CreateEventW(nullptr, TRUE, FALSE, name));
            ASSERT_TRUE(squatter);
            box = std::wstring(L"Another program holds the name \"") + name +
                  L"\" through which the installed server reports that it is ready. End that program, then start "
                  L"the setup again.";
        }
        // Another server listed for a folder whose name starts alike.
        InstallationFixture other(L"other");
        ASSERT_TRUE(WriteUninstallEntry(other.ServiceName().c_str(), (installation.InstallDir() + L"-2").c_str(), 1));
        const std::vector<std::wstring> before = MachineWithBindings(installation);
        // What the settings and domain pages change before the run.
        ChangeTransaction changes;
        ASSERT_TRUE(changes.Apply(new MadeFolderChange(g_settings.install_dir)));
        ASSERT_TRUE(changes.Apply(new ServerCertificateChange(pfx.data(), static_cast<DWORD>(pfx.size()), L"",
                                                              g_settings.cert_thumbprint)));
        ASSERT_TRUE(changes.Apply(new HostsChange(hostsFolder, g_settings.server_address, "velmora-undone.test")));
        RunPlan plan;
        plan.changes = &changes;
        plan.cancelAtStep = c.cancelAtStep;
        plan.cancelDelayMs = c.cancelDelayMs;
        // The real server where the port is held: it is the one to find the port taken.
        plan.atStepStart = c.portHeld ? nullptr : ServerNeverReady(c.serverOptions);
        plan.readiness = {4, c.readinessRoundMs};
        plan.request = c.request;
        RecordingRun run(plan);
        portHolder.reset();

        EXPECT_TRUE(run.Failed());
        EXPECT_TRUE(run.ended);
        EXPECT_FALSE(run.endedAllDone);
        EXPECT_EQ(c.failedStep, run.Last().step);
        EXPECT_EQ(kStepFailed, run.Last().state);
        EXPECT_EQ(100, run.Last().position);
        EXPECT_EQ(c.reason, run.Last().reason);
        const RecordingRun::Step* started = run.Find(c.failedStep, kStepStarted);
        ASSERT_NE(nullptr, started);
        EXPECT_TRUE(c.cancelDelayMs == 0 || run.Last().tick - started->tick < c.cancelDelayMs + 1000)
            << run.Last().tick - started->tick << " ms";
        // Told once, a cancel as a cancel; the status line's words are the presenter's.
        ASSERT_EQ(1u, run.failures.size());
        EXPECT_EQ(c.reason == ERROR_CANCELLED, run.failures[0].message == kStatusCancelled);
        std::vector<std::pair<std::wstring, UINT>> boxes = shown.boxes;
        boxes.insert(boxes.end(), run.messages.begin(), run.messages.end());
        ASSERT_EQ(box.empty() ? 0u : 1u, boxes.size()) << testing::PrintToString(boxes);
        if (!box.empty()) {
            EXPECT_EQ(box, TrimmedText(boxes[0].first).substr(0, c.boxStart ? box.size() : std::wstring::npos));
            const UINT kind = box == SystemErrorText(c.reason) ? kErrorMessage : kWarningMessage;
            EXPECT_EQ(kind, boxes[0].second);
        }
        EXPECT_EQ(L"", MachineDifference(before, MachineWithBindings(installation)));
        for (const wchar_t* own : {L"config\\velmora.cfg", L"config\\start.dat"}) {
            const std::wstring path = std::wstring(g_settings.install_dir) + L"\\" + own;
            if (PathExists(path)) {
                EXPECT_EQ("mine", ReadWholeFile(path)) << own;
            }
        }
        // An old service goes its own way; it is let finish before it is removed.
        WaitUntil([&] {
            DWORD state = g_setupTools.GetServiceState(g_settings.service_name);
            return state != SERVICE_START_PENDING && state != SERVICE_STOP_PENDING;
        });
    }
}

// A failed or cancelled upgrade puts the previous server back: each of its files byte for
// byte (the replaced ones out of the backup), none of the new ones, no backup, its record
// as it was, its service as it was and running again when it ran before.
TEST_F(InstallSequenceTest, FailedUpgradesPutThePreviousServerBack)
{
    struct Case
    {
        const char* name;
        bool wasRunning;
        bool withRecord;  // false: an installation from before the record
        bool cancelOnceUnpacking;
        ReadinessWait readiness;
        int failedStep;
        DWORD reason;
        bool otherCase = false;  // the service names the server in other case
    } cases[] = {
        {"the new server is not ready in time", true, true, false, {0, 0}, kStepInitialize, ERROR_TIMEOUT, true},
        {"cancel while unpacking, no record", false, false, true, {}, kStepExtract, ERROR_CANCELLED},
    };
    HostsFileKeeper hosts;
    wchar_t hostsFolder[MAX_PATH] = {};
    ASSERT_TRUE(GetHostsFolder(hostsFolder, MAX_PATH));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallationFixture installation(L"upgrade");
        installation.PrepareSettings();
        g_settings.saas_mode = true;  // hosted: the failures do not depend on the certificate
        {
            RecordingRun old;
            ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(old));
        }
        const std::wstring dir = installation.InstallDir() + L"\\";
        // A hosted server is marked in its configuration and gets no program group.
        EXPECT_NE(std::string::npos, ReadWholeFile(dir + L"config\\velmora.cfg").find("server_mode=\"saas\"\r\n"));
        EXPECT_FALSE(PathExists(ProgramGroupPath() + L"\\Velmora.lnk"));
        // The old server's own files, and a folder with a file that only the new one has.
        ASSERT_TRUE(WriteWholeFile(dir + L"uninstall.exe", "old uninstaller"));
        ASSERT_TRUE(WriteWholeFile(dir + L"config\\BrindlewayRootCA.cer", "old certificate"));
        ASSERT_TRUE(WriteWholeFile(dir + L"config\\velmora.cfg", "server_ip=10.1.2.3\r\n"));
        ASSERT_TRUE(DeleteFileW((dir + L"links\\brindleway.url").c_str()));
        ASSERT_TRUE(RemoveDirectoryW((dir + L"links").c_str()));
        ASSERT_TRUE(c.withRecord || DeleteFileW((dir + L"uninstall.lst").c_str()));
        const wchar_t* service = installation.ServiceName().c_str();
        ASSERT_TRUE(c.wasRunning || g_setupTools.ControlServiceAndWait(service, true) == SERVICE_STOPPED);
        std::wstring command = L"\"" + dir + L"Velmora.exe\" /start";
        if (c.otherCase) {
            CharUpperW(&command[0]);
            ASSERT_TRUE(WriteServiceCommand(service, command.c_str()));
        }
        // The old release as listed among the installed programs, which the upgrade writes over.
        const UninstallEntryReader entry(installation.ServiceName());
        ASSERT_TRUE(entry.SetText(L"DisplayVersion", L"1.0.0.100"));
        const std::map<std::wstring, size_t> before = TreeDigest(installation.InstallDir());

        g_settings.upgrade = true;
        const std::string hostsBefore = hosts.Text();
        {
            // What the domain page changed goes with the run, as after any kind of run.
            ChangeTransaction changes;
            ASSERT_TRUE(changes.Apply(new HostsChange(hostsFolder, g_settings.server_address, "velmora-up.test")));
            RunPlan plan;
            if (c.cancelOnceUnpacking)
                plan.cancelWhen = [&] { return PathExists(dir + L"links"); };
            plan.readiness = c.readiness;
            plan.changes = &changes;
            RecordingRun upgrade(plan);
            EXPECT_TRUE(upgrade.Failed());
            EXPECT_EQ(c.failedStep, upgrade.Last().step);
            EXPECT_EQ(c.reason, upgrade.Last().reason);
        }
        EXPECT_EQ(hostsBefore, hosts.Text());
        EXPECT_EQ(before, TreeDigest(installation.InstallDir()));
        EXPECT_EQ(L"1.0.0.100", entry.Text(L"DisplayVersion"));
        EXPECT_EQ(c.wasRunning, g_setupTools.GetServiceState(service) == SERVICE_RUNNING);
        EXPECT_EQ(c.wasRunning, g_setupTools.FindProcessByPath((dir + L"Velmora.exe").c_str()) != 0);
        EXPECT_EQ(command, ReadServiceConfig(installation.ServiceName()).binaryPath);
    }
}

} // namespace
