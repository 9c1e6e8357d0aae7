// Whole installations through setup.exe, driven as a person (or a deployment tool) would,
// with the machine checked afterwards: the service, the answering server, the files, the
// program group, the entry in the list of installed programs. (What the domain page does
// to the hosts file, and the address Finish opens for a domain that resolves, are the
// page's and the progress page's tests.)
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>

#include "base/setup_tools.h"
#include "e2e/setup_runs.h"
#include "resources/wizard_ids.h"
#include "support/hosts_file_keeper.h"
#include "support/http_request.h"
#include "support/uninstall_entry_reader.h"
#include "wizard/browser_recorder.h"

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
    WriteSettingsFile("domain=velmora-e2e.invalid\r\n", false);
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
    EXPECT_TRUE(finished);
    ExpectInstalled(run);
    // A name that does not resolve cannot be opened: the browser gets the server's address.
    EXPECT_EQ(L"https://127.0.0.1", browser.WaitForAddress());
}

// Unattended, only the welcome page waits for the user.
TEST_F(WholeInstallation, Unattended)
{
    WriteSettingsFile("force_auto=true\r\ndomain=localhost\r\nadmin_name=Ann\r\nadmin_surname=Lee\r\n"
                      "admin_login=ann\r\nadmin_password=Secret-42\r\n");
    ExpectInstalled(RunSetup([](WizardDriver& wizard) {
        PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    }));
}
