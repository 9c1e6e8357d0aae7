// Whole installations through setup.exe, driven as a person (or a deployment tool) would,
// with the machine checked afterwards: the service, the answering server, the files, the
// program group, the entry in the list of installed programs, the hosts file. (The address
// Finish opens for a domain that resolves is the progress page's test.)
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>

#include <algorithm>

#include "base/setup_tools.h"
#include "e2e/setup_runs.h"
#include "resources/wizard_ids.h"
#include "support/hosts_file_keeper.h"
#include "support/uninstall_entry_reader.h"
#include "wizard/browser_recorder.h"

namespace {

const char kAccount[] = "force_auto=true\r\ndomain=localhost\r\nadmin_name=Ann\r\nadmin_surname=Lee\r\nadmin_login=ann\r\n";
const char kHostsBlock[] = "\r\n\r\n# Added by Velmora Setup\r\n127.0.0.1 velmora-e2e.invalid\r\n\r\n";

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class WholeInstallation : public SetupRunTest
{
protected:
    // Presses Finish once the installation has ended; false when it did not end in time.
    static bool FinishInstallation(WizardDriver& wizard)
    {
        bool finished = WaitUntil([&] { return wizard.ButtonEnabled(WizardDriver::kFinishButton); },
                                  kInstallTimeoutMs);
        PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, finished ? PSBTN_FINISH : PSBTN_CANCEL, 0);
        return finished;
    }

    // What every completed installation leaves: a run without boxes ending with 1, and the
    // running server, its configuration, start file, shortcut and entry.
    void ExpectInstalled(const ProgramRun& run)
    {
        EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
        EXPECT_EQ(1u, run.exitCode);
        ExpectServerRunning();
        EXPECT_NE(std::string::npos, ReadWholeFile(InstalledFile(L"config\\velmora.cfg")).find("server_ip=0.0.0.0"));
        EXPECT_FALSE(ReadWholeFile(InstalledFile(L"config\\start.dat")).empty());
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((ProgramGroupPath() + L"\\Velmora.lnk").c_str()));
        EXPECT_EQ(installation_.InstallDir(), UninstallEntryReader(installation_.ServiceName()).Text(L"InstallLocation"));
    }
};

} // namespace

TEST_F(WholeInstallation, AttendedThroughEveryPageWithAnUnresolvedDomainGetsOneHostsEntryAcrossBackAndNext)
{
    HostsFileKeeper hosts;
    ASSERT_TRUE(WriteWholeFile(hosts.Path(), "127.0.0.1 localhost\r\n127.0.0.1 velmora-e2e.invalid\r\n"));
    WriteSettingsFile("domain=velmora-e2e.invalid\r\n", false);
    BrowserRecorder browser(L"https");
    ASSERT_TRUE(browser.Ready());
    std::string afterFirstNext;
    std::wstring explanation, login;
    bool finished = false;
    ProgramRun run = RunSetup([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        ASSERT_TRUE(TypeInto(wizard, IDC_INSTALL_DIR, installation_.InstallDir()) &&
                    TypeInto(wizard, IDC_SERVICE_NAME, installation_.ServiceName()));
        ASSERT_TRUE(wizard.Next(IDD_WIZ_SETHOST));
        explanation = RemoteText(wizard, IDC_DOMAIN_UNRESOLVED);
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        afterFirstNext = hosts.Text();
        // Back from the administrator page leads to the domain page, not the settings.
        ASSERT_TRUE(wizard.Back(IDD_WIZ_SETHOST) && wizard.Next(IDD_WIZ_USERS));
        // The administrator page filled in by hand; the login follows name and surname.
        ASSERT_TRUE(TypeInto(wizard, IDC_ADMIN_NAME, L"Ann") && TypeInto(wizard, IDC_ADMIN_SURNAME, L"Lee") &&
                    TypeInto(wizard, IDC_ADMIN_PASSWORD, L"Secret-42") &&
                    TypeInto(wizard, IDC_ADMIN_CONFIRM, L"Secret-42"));
        login = RemoteText(wizard, IDC_ADMIN_LOGIN);
        ASSERT_TRUE(wizard.Next(IDD_WIZ_INSTALL));
        finished = FinishInstallation(wizard);
    });
    EXPECT_TRUE(finished);
    EXPECT_EQ(L"Ann Lee", login);
    ExpectInstalled(run);
    // A name that does not resolve cannot be opened: the browser gets the server's address.
    EXPECT_EQ(L"https://127.0.0.1", browser.WaitForAddress());
    EXPECT_NE(std::wstring::npos, explanation.find(L"\"velmora-e2e.invalid\"")) << explanation;
    EXPECT_EQ(std::string("127.0.0.1 localhost\r\n") + kHostsBlock, afterFirstNext);
    // The second pass drops the first block's entry and adds its own.
    std::string text = hosts.Text();
    EXPECT_EQ(kHostsBlock, text.substr(text.size() - std::min(text.size(), sizeof kHostsBlock - 1))) << text;
    EXPECT_EQ(1u, CountOf(text, "\r\n127.0.0.1 velmora-e2e.invalid\r\n")) << text;
    EXPECT_EQ(1u, CountOf(text, "127.0.0.1 localhost\r\n")) << text;
}

TEST_F(WholeInstallation, UnattendedThenAttendedUpgradeOverANewerServerKeepsItsData)
{
    // The unattended run: only the welcome page waits for the user.
    WriteSettingsFile(std::string(kAccount) + "admin_password=Secret-42\r\n");
    ProgramRun run = RunSetup([](WizardDriver& wizard) {
        PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    });
    ExpectInstalled(run);

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
    run = RunSetup([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_NEXT, 0);  // the question comes first
        ASSERT_TRUE(wizard.WaitForPage(IDD_WIZ_INSTALL, 10000));
        finished = FinishInstallation(wizard);
    });
    EXPECT_TRUE(finished);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(L"The installed server version is newer than the version offered for installation. Continue anyway?",
              run.boxes[0].text);
    run.boxes.clear();
    ExpectInstalled(run);

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
}

TEST_F(WholeInstallation, UnattendedWithoutAPasswordStopsOnTheAdministratorPage)
{
    WriteSettingsFile(kAccount);
    bool stopped = false;
    ProgramRun run = RunSetup([&](WizardDriver& wizard) {
        PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        stopped = wizard.WaitForPage(IDD_WIZ_USERS, 30000);
        // It waits there for the user rather than moving on.
        Sleep(2000);
        stopped = stopped && wizard.PageId() == IDD_WIZ_USERS;
        PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    EXPECT_TRUE(stopped);
    // Only the cancel question: the unattended checks stay quiet.
    ExpectCancelledWith(run, 0);
    EXPECT_FALSE(installation_.ServiceExists());
    EXPECT_FALSE(UninstallEntryReader(installation_.ServiceName()).Exists());
}
