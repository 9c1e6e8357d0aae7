// Whole installations through setup.exe, driven as a person (or a deployment tool) would,
// with the machine checked afterwards: the service, the answering server, the files, the
// program group, the entry in the list of installed programs, the hosts file.
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>

#include "base/setup_tools.h"
#include "e2e/remote_wizard.h"
#include "e2e/setup_runs.h"
#include "resources/wizard_ids.h"
#include "support/hosts_file_keeper.h"
#include "support/uninstall_entry_reader.h"
#include "wizard/browser_recorder.h"
#include "wizard/wizard_driver.h"

namespace {

const char kAccount[] = "admin_name=Ann\r\nadmin_surname=Lee\r\nadmin_login=ann\r\n";
const char kHostsBlock[] = "\r\n\r\n# Added by Velmora Setup\r\n127.0.0.1 velmora-e2e.invalid\r\n\r\n";

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The administrator page filled in by hand; the login follows name and surname.
bool EnterAccount(HWND sheet)
{
    return TypeInto(sheet, IDC_ADMIN_NAME, L"Ann") && TypeInto(sheet, IDC_ADMIN_SURNAME, L"Lee") &&
           TypeInto(sheet, IDC_ADMIN_PASSWORD, L"Secret-42") && TypeInto(sheet, IDC_ADMIN_CONFIRM, L"Secret-42") &&
           RemoteText(sheet, IDC_ADMIN_LOGIN) == L"Ann Lee";
}

// Presses Finish once the installation has ended; false when it did not end in time.
bool FinishInstallation(HWND sheet)
{
    bool finished = WaitForFinish(sheet, kInstallTimeoutMs);
    PostMessageW(sheet, PSM_PRESSBUTTON, finished ? PSBTN_FINISH : PSBTN_CANCEL, 0);
    return finished;
}

class WholeInstallation : public SetupRunTest
{
protected:
    // The settings page filled in by hand with this test's folder and service.
    bool EnterSettings(HWND sheet)
    {
        return TypeInto(sheet, IDC_INSTALL_DIR, installation_.InstallDir()) &&
               TypeInto(sheet, IDC_SERVICE_NAME, installation_.ServiceName());
    }

    // What every completed installation leaves besides the running server.
    void ExpectInstalled()
    {
        ExpectServerRunning();
        EXPECT_NE(std::string::npos, ReadWholeFile(InstalledFile(L"config\\velmora.cfg")).find("server_ip=0.0.0.0"));
        EXPECT_FALSE(ReadWholeFile(InstalledFile(L"config\\start.dat")).empty());
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((ProgramGroupPath() + L"\\Velmora.lnk").c_str()));
        UninstallEntryReader entry(installation_.ServiceName());
        EXPECT_EQ(installation_.InstallDir(), entry.Text(L"InstallLocation"));
    }

    // A run through to Finish: no box on the way, exit code 1, the browser sent to `address`.
    void ExpectCompleted(const SetupCopy::Run& run, bool finished, const BrowserRecorder& browser,
                         const wchar_t* address)
    {
        EXPECT_TRUE(finished);
        EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_EQ(address, browser.WaitForAddress());
        ExpectInstalled();
    }
};

} // namespace

TEST_F(WholeInstallation, AttendedThroughEveryPageEndsWith1AndOpensTheServer)
{
    WriteSettingsFile("domain=localhost\r\n", false);
    BrowserRecorder browser(L"https");
    ASSERT_TRUE(browser.Ready());
    bool finished = false;
    SetupCopy::Run run = RunSetup([&](HWND sheet) {
        bool reached = PassWelcomeAndAgreement(sheet) && EnterSettings(sheet) &&
                       PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_USERS) && EnterAccount(sheet) &&
                       PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_INSTALL);
        EXPECT_TRUE(reached);
        finished = reached && FinishInstallation(sheet);
    });
    // Wine resolves "localhost" to 127.0.0.1, which "any" covers: no address question.
    ExpectCompleted(run, finished, browser, L"https://localhost");
}

TEST_F(WholeInstallation, AnUnresolvedDomainGetsOneHostsEntryAcrossBackAndNext)
{
    HostsFileKeeper hosts;
    ASSERT_TRUE(WriteWholeFile(hosts.Path(), "127.0.0.1 localhost\r\n127.0.0.1 velmora-e2e.invalid\r\n"));
    WriteSettingsFile("domain=velmora-e2e.invalid\r\n", false);
    BrowserRecorder browser(L"https");
    ASSERT_TRUE(browser.Ready());
    std::string afterFirstNext;
    std::wstring explanation;
    bool finished = false;
    SetupCopy::Run run = RunSetup([&](HWND sheet) {
        bool reached = PassWelcomeAndAgreement(sheet) && EnterSettings(sheet) &&
                       PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_SETHOST);
        explanation = RemoteText(sheet, IDC_DOMAIN_UNRESOLVED);
        reached = reached && PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_USERS);
        afterFirstNext = hosts.Text();
        // Back from the administrator page leads to the domain page, not the settings.
        reached = reached && PressAndWaitFor(sheet, PSBTN_BACK, IDD_WIZ_SETHOST) &&
                  PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_USERS) && EnterAccount(sheet) &&
                  PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_INSTALL);
        EXPECT_TRUE(reached);
        finished = reached && FinishInstallation(sheet);
    });
    // A name that does not resolve cannot be opened: the browser gets the server's address.
    ExpectCompleted(run, finished, browser, L"https://127.0.0.1");
    EXPECT_NE(std::wstring::npos, explanation.find(L"\"velmora-e2e.invalid\"")) << explanation;
    EXPECT_EQ(std::string("127.0.0.1 localhost\r\n") + kHostsBlock, afterFirstNext);
    // The second pass drops the first block's entry and adds its own.
    std::string text = hosts.Text();
    EXPECT_TRUE(EndsWith(text, kHostsBlock)) << text;
    EXPECT_EQ(1u, CountOf(text, "\r\n127.0.0.1 velmora-e2e.invalid\r\n")) << text;
    EXPECT_EQ(1u, CountOf(text, "127.0.0.1 localhost\r\n")) << text;
}

TEST_F(WholeInstallation, UnattendedThenAttendedUpgradeOverANewerServerKeepsItsData)
{
    // The unattended run: only the welcome page waits for the user.
    WriteSettingsFile(std::string("force_auto=true\r\ndomain=localhost\r\n") + kAccount +
                      "admin_password=Secret-42\r\n");
    SetupCopy::Run run = RunSetup([](HWND sheet) { PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0); });
    EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
    ASSERT_EQ(1u, run.exitCode);
    ExpectInstalled();

    // The administrator's data, and a server newer than the one offered.
    ASSERT_EQ(static_cast<DWORD>(SERVICE_STOPPED),
              g_setupTools.ControlServiceAndWait(installation_.ServiceName().c_str(), true));
    ASSERT_TRUE(WaitUntil([&] { return !g_setupTools.FindProcessByPath(InstalledFile(L"Velmora.exe").c_str()); },
                          10000));
    std::string newerServer = ReadWholeFile(VELMORA_NEWER_SERVER_EXE);
    ASSERT_FALSE(newerServer.empty());
    ASSERT_TRUE(WriteWholeFile(InstalledFile(L"Velmora.exe"), newerServer));
    std::string config = ReadWholeFile(InstalledFile(L"config\\velmora.cfg")) + "google_api_key=\"kept\"\r\n";
    ASSERT_TRUE(WriteWholeFile(InstalledFile(L"config\\velmora.cfg"), config));
    std::string startFile = ReadWholeFile(InstalledFile(L"config\\start.dat"));

    // The attended upgrade asks about the version and skips the administrator page.
    WriteSettingsFile("domain=localhost\r\n");
    bool finished = false;
    run = RunSetup([&](HWND sheet) {
        bool reached = PassWelcomeAndAgreement(sheet) && PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_INSTALL);
        EXPECT_TRUE(reached);
        finished = reached && FinishInstallation(sheet);
    });
    EXPECT_TRUE(finished);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(L"The installed server version is newer than the version offered for installation. Continue anyway?",
              run.boxes[0].text);
    EXPECT_EQ(1u, run.exitCode);

    EXPECT_EQ(ReadWholeFile(VELMORA_SERVER_EXE), ReadWholeFile(InstalledFile(L"Velmora.exe")));
    EXPECT_NE(std::string::npos, ReadWholeFile(InstalledFile(L"config\\velmora.cfg")).find("google_api_key=\"kept\""));
    EXPECT_EQ(startFile, ReadWholeFile(InstalledFile(L"config\\start.dat")));
    // One backup, made now, holding the server it replaced.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(InstalledFile(L"backups\\2*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    std::wstring backup = InstalledFile(L"backups\\") + found.cFileName;
    EXPECT_FALSE(FindNextFileW(search, &found));
    FindClose(search);
    EXPECT_EQ(newerServer, ReadWholeFile(backup + L"\\Velmora.exe"));
    ExpectInstalled();
}

TEST_F(WholeInstallation, UnattendedWithoutAPasswordStopsOnTheAdministratorPage)
{
    WriteSettingsFile(std::string("force_auto=true\r\ndomain=localhost\r\n") + kAccount);
    bool stopped = false;
    SetupCopy::Run run = RunSetup([&](HWND sheet) {
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        stopped = WaitUntil([&] { return CurrentPageId(sheet) == IDD_WIZ_USERS; }, 30000);
        // It waits there for the user rather than moving on.
        Sleep(2000);
        stopped = stopped && CurrentPageId(sheet) == IDD_WIZ_USERS;
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    EXPECT_TRUE(stopped);
    // Only the cancel question: the unattended checks stay quiet.
    ExpectCancelledWith(run, 0);
    EXPECT_FALSE(installation_.ServiceExists());
    EXPECT_FALSE(UninstallEntryReader(installation_.ServiceName()).Exists());
}
