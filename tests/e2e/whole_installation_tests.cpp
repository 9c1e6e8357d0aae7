// Whole installations through setup.exe, driven as a person (or a deployment tool) would,
// with the machine checked afterwards: the service, the answering server, the files, the
// program group, the entry in the list of installed programs. (What the domain page does
// to the hosts file, and the address Finish opens for a domain that resolves, are the
// page's and the progress page's tests.)
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>

#include <atomic>
#include <thread>

#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "e2e/setup_runs.h"
#include "resources/wizard_ids.h"
#include "support/at_scope_exit.h"
#include "support/host_link.h"
#include "support/hosts_file_keeper.h"
#include "support/http_request.h"
#include "support/machine_state.h"
#include "support/uninstall_entry_reader.h"
#include "support/wait_until.h"
#include "wizard/browser_recorder.h"
#include "wizard/setup_exit_code.h"

namespace {

class WholeInstallation : public SetupRunTest
{
protected:
    // What every completed installation leaves: a run without boxes ending with 1, and the
    // running server, its configuration, start file, shortcut and entry.
    void ExpectInstalled(const ProgramRun& run)
    {
        EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING),
                  g_setupTools.GetServiceState(installation_.ServiceName().c_str()));
        // Wine's HTTP service has no SSL: the server answers in plain HTTP on the port, which
        // the Host line must name (plain HTTP means port 80 otherwise).
        std::string page = SendHttpRequest(443, "GET / HTTP/1.1\r\nHost: localhost:443\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(200, StatusCodeOf(page)) << page;
        EXPECT_NE(std::string::npos, page.find("Velmora Server")) << page;
        EXPECT_NE(std::string::npos, ReadWholeFile(InstalledFile(L"config\\velmora.cfg")).find("server_ip=0.0.0.0"));
        EXPECT_FALSE(ReadWholeFile(InstalledFile(L"config\\start.dat")).empty());
        EXPECT_TRUE(PathExists(ProgramGroupPath() + L"\\Velmora.lnk"));
        EXPECT_EQ(installation_.InstallDir(), UninstallEntryReader(installation_.ServiceName()).Text(L"InstallLocation"));
    }
};

} // namespace

// Every page filled in by hand, the domain page included.
TEST_F(WholeInstallation, AttendedThroughEveryPageWithAnUnresolvedDomain)
{
    HostsFileKeeper hosts;
    ASSERT_NO_FATAL_FAILURE(WriteSettingsFile("domain=velmora-e2e.invalid\r\n", false));
    BrowserRecorder browser(L"https");
    ASSERT_TRUE(browser.Ready());
    bool finished = false;
    ProgramRun run = RunSetup([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        ASSERT_TRUE(TypeInto(wizard, IDC_INSTALL_DIR, installation_.InstallDir()) &&
                    TypeInto(wizard, IDC_SERVICE_NAME, installation_.ServiceName()));
        ASSERT_TRUE(wizard.Next(IDD_WIZ_SETHOST) && wizard.Next(IDD_WIZ_USERS));
        ASSERT_TRUE(TypeInto(wizard, IDC_ADMIN_NAME, L"Ann") && TypeInto(wizard, IDC_ADMIN_SURNAME, L"Lee") &&
                    TypeInto(wizard, IDC_ADMIN_PASSWORD, L"Secret-42") &&
                    TypeInto(wizard, IDC_ADMIN_CONFIRM, L"Secret-42"));
        ASSERT_TRUE(wizard.Next(IDD_WIZ_INSTALL));
        finished = WaitUntil([&] { return wizard.ButtonEnabled(WizardDriver::kFinishButton); }, kInstallTimeoutMs);
        PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, finished ? PSBTN_FINISH : PSBTN_CANCEL, 0);
    });
    ASSERT_TRUE(finished);  // the script's last step: an ASSERT in it only left the script
    ExpectInstalled(run);
    // A name that does not resolve cannot be opened: the browser gets the server's address.
    EXPECT_EQ(L"https://127.0.0.1", browser.WaitForAddress());
}

namespace {

const char kUsageStart[] = "setup.exe [/quiet] [/norestart] [/config FILE] [/log FILE] [/whatif] [/?]";
const char kAlreadyRunning[] = "Another Velmora Server setup or uninstall is running on this computer.";

} // namespace

// Quiet, so unattended too: no page waits, and neither a page nor a box shows; the log tells
// the run. A second setup started meanwhile, quiet or attended, refuses to run.
TEST_F(WholeInstallation, QuietWithItsLogWhileASecondSetupIsRefused)
{
    const std::wstring log = folder_.File(L"run.log");
    const std::wstring secondLog = folder_.File(L"second.log");
    ASSERT_NO_FATAL_FAILURE(WriteSettingsFile(std::string(kAccountSettings) + "domain=localhost\r\n"));
    ProgramRun second, attendedSecond;
    std::atomic<bool> wizardShown{false};
    auto watchTheRun = [&](DWORD processId) {
        UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
        // Looked for all along, the second setups' runs included.
        std::thread watcher([&] {
            while (WaitForSingleObject(process.Get(), 20) == WAIT_TIMEOUT)
                if (FindWizardWindow(processId, 0))
                    wizardShown = true;
        });
        // The second setups start once the first holds the lock that keeps them out.
        if (WaitUntil([] {
                return UniqueHandle(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\VelmoraSetupRunning")).IsValid();
            }, 60000)) {
            second = RunProgram({SetupCommand(L"/quiet /log=\"" + secondLog + L"\""), nullptr});
            attendedSecond = RunProgram({SetupCommand(L""), AnswerQuestionsWith(IDNO)});
        }
        watcher.join();
    };
    ProgramRun run = RunProgram({SetupCommand(L"/quiet /log=\"" + log + L"\""), nullptr, nullptr, watchTheRun,
                                 kInstallTimeoutMs + 60000, folder_.Path()});
    EXPECT_TRUE(run.ended);
    EXPECT_FALSE(wizardShown);
    ExpectInstalled(run);
    const std::string logged = ReadWholeFile(log);
    for (const char* line : {"==== Velmora Server Setup ", "settings: service=", "admin_password given (not logged)",
                             "start-up: checks passed", "page welcome: Next",
                             "page administrator: goes on by itself to progress", "step prepare started",
                             "step extract done", "step readiness done", "installation ended: every step done",
                             "==== exit code 1"})
        EXPECT_NE(std::string::npos, logged.find(line)) << line << "\n" << logged;
    EXPECT_EQ(std::string::npos, logged.find("Secret-42"));
    EXPECT_EQ(static_cast<DWORD>(kExitAlreadyRunning), second.exitCode);
    EXPECT_TRUE(second.boxes.empty());
    EXPECT_NE(std::string::npos, ReadWholeFile(secondLog).find(kAlreadyRunning));
    EXPECT_EQ(static_cast<DWORD>(kExitAlreadyRunning), attendedSecond.exitCode);
    ASSERT_EQ(1u, attendedSecond.boxes.size());
    EXPECT_EQ(0u, attendedSecond.boxes[0].text.find(L"Another Velmora Server setup or uninstall is running"));
}

// The switches and the quiet stops, each in a run of setup.exe that nobody attends: every
// run ends by itself with its exit code and leaves its log, the quiet ones without a single
// box, and none installs (the last one fails to). A quiet run takes the domain page's
// answer from hosts_entry and stops where velmorasetup.cfg lacks one.
TEST_F(WholeInstallation, SwitchesEndOnTheirOwnWithTheirExitCodeAndLog)
{
    HostsFileKeeper hosts;
    const std::wstring log = folder_.File(L"run.log");
    const std::string unresolved = "force_auto=false\r\ndomain=velmora-e2e.invalid\r\n";
    const std::string account = kAccountSettings;
    const std::string noAccount = "admin_login=ann\r\nadmin_password=Secret-42\r\n";
    const std::wstring elsewhere = folder_.File(L"elsewhere");
    const std::wstring linkedFolder = folder_.File(L"logs-link");
    ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {elsewhere, linkedFolder}));
    ASSERT_TRUE(IsLink(linkedFolder));
    const struct
    {
        const char* what;
        std::wstring arguments;
        std::string settings;  // velmorasetup.cfg, with this test's installation; empty: none
        DWORD exitCode;
        bool defaultLog;       // the run logs to a new %TEMP%\VelmoraSetup-<UTC time>-<random>.log
        std::vector<std::string> logged;  // none: no log at all
        const char* box;       // the one box an attended run shows; null: none
        bool deadService = false;  // the server's service of the name, disabled
    } cases[] = {
        // A relative /log names a file in the current folder (the copy's own here).
        {"usage, relative /log", L"/? /log=run.log", "", 0, false, {kUsageStart}, kUsageStart},
        {"log that cannot be written", L"/log=\"" + folder_.File(L"missing\\run.log") + L"\"", "",
         static_cast<DWORD>(-1), false, {}, "Cannot write the log file"},
        // Refused before anything is made behind the link, and before anything is installed.
        {"quiet, /log through a linked folder", L"/quiet /log=\"" + linkedFolder + L"\\run.log\"",
         account + "domain=localhost\r\n", static_cast<DWORD>(-1), true,
         {"Cannot write the log file", "a junction, a symbolic link or a mount point", "==== exit code -1"}, nullptr},
        {"quiet without velmorasetup.cfg", L"-QUIET -LOG \"" + log + L"\"", "", static_cast<DWORD>(-1), false,
         {"quiet run: cannot read", "==== exit code -1"}, nullptr},
        {"quiet, unresolved domain, no hosts_entry", L"/quiet /log=\"" + log + L"\"", unresolved + account,
         4, false,
         {"page welcome: Next", "does not resolve and velmorasetup.cfg has no hosts_entry", "==== exit code 4"},
         nullptr},
        {"quiet, hosts_entry=false, no administrator", L"/quiet /log=\"" + log + L"\"",
         unresolved + "hosts_entry=false\r\n" + noAccount, 4, false,
         {"no hosts entry for \"velmora-e2e.invalid\"", "page administrator: the quiet run stops", "==== exit code 4"},
         nullptr},
        // Written, and taken back with the pages' other changes when the run stops.
        {"quiet, hosts_entry=true, no administrator", L"/quiet /log=\"" + log + L"\"",
         unresolved + "hosts_entry=true\r\n" + noAccount, 4, false,
         {"hosts entry for \"velmora-e2e.invalid\" written", "page administrator: the quiet run stops",
          "==== exit code 4"},
         nullptr},
        // Nobody sees the failed step's warning: the log tells the step, the system's code
        // and text, and the box that says what to do.
        {"quiet, the service fails to start", L"/quiet /log=\"" + log + L"\"", account + "domain=localhost\r\n", 2,
         false,
         {"step prepare done (", "step start FAILED (", "box (warning): The service manager did not start the service",
          "installation ended: not every step done", "==== exit code 2"},
         nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(folder_.File(L"velmorasetup.cfg").c_str());
        if (!c.settings.empty()) {
            ASSERT_NO_FATAL_FAILURE(WriteSettingsFile(c.settings));
        }
        DeleteFileW(log.c_str());
        if (hosts.Existed())
            ASSERT_TRUE(WriteWholeFile(hosts.Path(), hosts.Kept()));
        else
            DeleteFileW(hosts.Path().c_str());
        // The server's own service in the folder, which its administrator has disabled.
        ASSERT_TRUE(!c.deadService ||
                    InstallServerService(installation_.InstallDir(), installation_.ServiceName(), SERVICE_DISABLED));
        const std::set<std::wstring> logsBefore = DefaultLogs();
        ProgramRun run = RunSetup(nullptr, c.arguments);
        const std::vector<std::wstring> madeLogs = NewDefaultLogs(logsBefore);
        ASSERT_EQ(c.defaultLog ? 1u : 0u, madeLogs.size());
        EXPECT_EQ(c.exitCode, run.exitCode);
        if (c.box) {
            ASSERT_EQ(1u, run.boxes.size());
            EXPECT_NE(std::wstring::npos, run.boxes[0].text.find(std::wstring(c.box, c.box + strlen(c.box))));
        } else {
            EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
        }
        const std::string logged = ReadWholeFile(c.defaultLog ? madeLogs[0] : log);
        if (c.defaultLog)
            DeleteFileW(madeLogs[0].c_str());
        EXPECT_EQ(c.logged.empty(), logged.find("==== Velmora Server Setup 1.") == std::string::npos) << logged;
        for (const std::string& line : c.logged)
            EXPECT_NE(std::string::npos, logged.find(line)) << line << "\n" << logged;
        EXPECT_EQ(std::string::npos, logged.find("Secret-42"));
        EXPECT_EQ(std::string::npos, hosts.Text().find("velmora-e2e.invalid"));
        EXPECT_EQ(c.deadService, installation_.ServiceExists());
        EXPECT_FALSE(PathExists(elsewhere + L"\\run.log"));
        EXPECT_FALSE(installation_.InstallDirExists());
        if (c.deadService) {
            const size_t code = logged.find("system error ", logged.find("FAILED ("));
            ASSERT_NE(std::string::npos, code) << logged;
            EXPECT_NE('0', logged[code + 13]) << logged;
        }
    }
}

// The entry's quiet uninstall after a whole installation: the machine is as it was before
// (files, services, entries, certificate stores and trust lists, bindings, Start menu,
// hosts file), though the installation's own file record was damaged, and a second service
// of the folder's server under another name stays.
TEST_F(WholeInstallation, TheQuietUninstallTakesBackWhatTheInstallationMadeAndNothingElse)
{
    HostsFileKeeper hosts;
    const std::vector<std::wstring> before = MachineState(installation_.Root().Path());
    ASSERT_NO_FATAL_FAILURE(
        WriteSettingsFile(std::string(kAccountSettings) + "domain=velmora-e2e.invalid\r\nhosts_entry=true\r\n"));
    ProgramRun run = RunProgram({SetupCommand(L"/quiet"), nullptr, nullptr, nullptr, kInstallTimeoutMs, folder_.Path()});
    ASSERT_TRUE(run.ended);
    ExpectInstalled(run);
    const std::wstring second = installation_.ServiceName() + L"_second";
    ASSERT_TRUE(InstallServerService(installation_.InstallDir(), second, SERVICE_DEMAND_START));
    AtScopeExit removeSecond([&] { g_setupTools.RemoveService(second.c_str()); });
    ASSERT_TRUE(WriteWholeFile(InstalledFile(L"uninstall.lst"), "F ..\\..\\outside\r\n"));

    const std::wstring quiet = UninstallEntryReader(installation_.ServiceName()).Text(L"QuietUninstallString");
    ProgramRun uninstall = RunProgram({quiet, nullptr, nullptr, nullptr, 120000});
    ASSERT_TRUE(uninstall.ended);
    EXPECT_TRUE(uninstall.boxes.empty());
    EXPECT_EQ(0u, uninstall.exitCode);
    EXPECT_TRUE(g_setupTools.ServiceExists(second.c_str())) << "another service of the folder was taken";
    ASSERT_TRUE(g_setupTools.RemoveService(second.c_str()));
    EXPECT_EQ(L"", MachineDifference(before, MachineState(installation_.Root().Path())));
}

// A run that only says what it would change changes nothing; each kind of change it says it
// would make, the run then makes, and each it says it would keep (a certificate that is
// there), the run leaves: the list comes from the changes the run applies.
TEST_F(WholeInstallation, WhatIfChangesNothingAndSaysWhatTheRunThenChanges)
{
    HostsFileKeeper hosts;
    const std::vector<std::wstring> before = MachineState(installation_.Root().Path());
    ASSERT_NO_FATAL_FAILURE(
        WriteSettingsFile(std::string(kAccountSettings) + "domain=velmora-e2e.invalid\r\nhosts_entry=true\r\n"));
    const std::wstring log = folder_.File(L"whatif.log");
    ProgramRun preview = RunProgram({SetupCommand(L"/whatif /quiet /log=\"" + log + L"\""), nullptr, nullptr, nullptr,
                                     kInstallTimeoutMs, folder_.Path()});
    ASSERT_TRUE(preview.ended);
    EXPECT_TRUE(preview.boxes.empty());
    EXPECT_EQ(0u, preview.exitCode);
    EXPECT_EQ(L"", MachineDifference(before, MachineState(installation_.Root().Path())));
    const std::string said = ReadWholeFile(log);

    ProgramRun run = RunProgram({SetupCommand(L"/quiet"), nullptr, nullptr, nullptr, kInstallTimeoutMs, folder_.Path()});
    ASSERT_TRUE(run.ended);
    ExpectInstalled(run);
    const std::wstring changed = MachineDifference(before, MachineState(installation_.Root().Path()));
    const std::string service(installation_.ServiceName().begin(), installation_.ServiceName().end());
    // A kind of change as the preview names it, and the mark the change leaves on the machine.
    const struct
    {
        std::string kind;
        std::wstring mark;
    } kinds[] = {
        {"folder", L"+file "},
        {"files", L"+file "},
        {"service", L"+service " + installation_.ServiceName()},
        {"entry among the installed programs", L"+uninstall VelmoraServer_" + installation_.ServiceName()},
        {"Start-menu links", L"+group "},
        {"hosts file", L"+hosts "},
        {"server certificate", L"+MY "},
        {"root certificate", L"+Root "},
        {"trust list", L"+CA list "},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.kind);
        const size_t line = said.find("whatif: " + kind.kind + ": would ");
        ASSERT_NE(std::string::npos, line) << said;
        const std::string verb = said.substr(line + kind.kind.size() + 16, 4);
        // An entry put in the place of one of the same name leaves the machine's list as it was.
        const bool replaces = said.substr(line, said.find('\n', line) - line).find("which it would replace") !=
                              std::string::npos;
        const bool makes = verb != "keep" && verb != "use " && !replaces;
        EXPECT_EQ(makes, changed.find(kind.mark) != std::wstring::npos) << said.substr(line, 200) << "\n" << changed;
    }
    EXPECT_NE(std::string::npos, said.find("whatif: service: would create the service \"" + service)) << said;
    // Wine's HTTP service keeps no binding to compare with: only that it is said.
    EXPECT_NE(std::string::npos, said.find("whatif: HTTPS binding: would bind 0.0.0.0:443 to ")) << said;
}
