// The setup's exit code, from setup.exe copies run as a person (or a deployment tool)
// would: 1 installed, 2 the installation failed or was cancelled while it ran, 0 cancelled
// before it, -1 a start-up check failed.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "e2e/setup_process.h"
#include "progress/installation_fixture.h"
#include "resources/wizard_ids.h"
#include "wizard/browser_recorder.h"
#include "wizard/setup_exit_code.h"
#include "wizard/wizard_driver.h"

namespace {

const DWORD kInstallTimeoutMs = 240000;

int RemotePageId(HWND sheet)
{
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    if (!page)
        return 0;
    LRESULT index = SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0);
    return static_cast<int>(SendMessageW(sheet, PSM_INDEXTOID, static_cast<WPARAM>(index), 0));
}

bool RemoteButtonEnabled(HWND sheet, int id)
{
    HWND button = GetDlgItem(sheet, id);
    return button && IsWindowVisible(button) && IsWindowEnabled(button);
}

// Presses a wizard button of another process's sheet and waits for page `expected`.
bool PressAndWaitFor(HWND sheet, int button, int expected)
{
    PostMessageW(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    return WaitUntil([&] { return RemotePageId(sheet) == expected; }, 10000);
}

// Welcome, agreement (ticked), settings and administrator pages with their answers
// as given, to the progress page, which starts the installation.
bool DriveToProgressPage(HWND sheet)
{
    if (!PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_LICENSE))
        return false;
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    SendMessageW(GetDlgItem(page, IDC_AGREEMENT_ACCEPT), BM_CLICK, 0, 0);
    if (!WaitUntil([&] { return RemoteButtonEnabled(sheet, WizardDriver::kNextButton); }))
        return false;
    return PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_SETCONF) &&
           PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_USERS) &&
           PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_INSTALL);
}

bool WaitForFinish(HWND sheet)
{
    return WaitUntil([&] { return RemoteButtonEnabled(sheet, WizardDriver::kFinishButton); },
                     kInstallTimeoutMs);
}

class SetupExitCodes : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(setup_.IsValid()); }

    // The settings beside the copy: this test's folder and service, a resolving domain.
    void WriteSettingsFile()
    {
        std::wstring text = L"service=" + installation_.ServiceName() + L"\r\npath=" +
                            installation_.InstallDir() +
                            L"\r\ndomain=localhost\r\nadmin_name=Ann\r\nadmin_surname=Lee\r\n"
                            L"admin_login=ann\r\nadmin_password=Secret-42\r\n";
        ASSERT_TRUE(WriteWholeFile(setup_.Folder() + L"\\velmorasetup.cfg",
                                   std::string(text.begin(), text.end())));
    }

    SetupCopy setup_;
    InstallationFixture installation_{L"exitcode"};
};

} // namespace

TEST(SetupExitCode, TheInstallationsOutcomeDecidesOverTheSheetsResult)
{
    // Finish after a failed run gives the sheet the same result as after a success, and
    // the unattended end closes the sheet through its quit message (-1).
    EXPECT_EQ(kExitInstalled, SetupExitCode(1, InstallOutcome::Succeeded));
    EXPECT_EQ(kExitInstalled, SetupExitCode(-1, InstallOutcome::Succeeded));
    EXPECT_EQ(kExitInstallFailed, SetupExitCode(1, InstallOutcome::Failed));
    EXPECT_EQ(kExitInstallFailed, SetupExitCode(0, InstallOutcome::Failed));
    EXPECT_EQ(kExitInstallFailed, SetupExitCode(-1, InstallOutcome::Failed));
    EXPECT_EQ(kExitCancelled, SetupExitCode(0, InstallOutcome::NotStarted));
    EXPECT_EQ(kExitFailure, SetupExitCode(-1, InstallOutcome::NotStarted));
}

TEST_F(SetupExitCodes, FinishAfterASuccessfulInstallationEndsWith1)
{
    WriteSettingsFile();
    ASSERT_TRUE(setup_.SetWindowsVersion(L"win7"));
    BrowserRecorder browser(L"https");
    ASSERT_TRUE(browser.Ready());
    bool reached = false;
    bool finished = false;
    SetupCopy::Run run;
    ASSERT_TRUE(setup_.Start(&run, [&](DWORD processId) {
        HWND sheet = FindWizardWindow(processId);
        reached = sheet && DriveToProgressPage(sheet);
        finished = reached && WaitForFinish(sheet);
        PostMessageW(sheet, PSM_PRESSBUTTON, finished ? PSBTN_FINISH : PSBTN_CANCEL, 0);
    }, nullptr, kInstallTimeoutMs + 60000));
    EXPECT_TRUE(reached);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ(L"https://localhost", browser.WaitForAddress());
    EXPECT_TRUE(installation_.ServiceExists());
}

TEST_F(SetupExitCodes, CancelConfirmedDuringTheInstallationThenFinishEndsWith2)
{
    WriteSettingsFile();
    ASSERT_TRUE(setup_.SetWindowsVersion(L"win7"));
    bool reached = false;
    bool finished = false;
    SetupCopy::Run run;
    ASSERT_TRUE(setup_.Start(&run, [&](DWORD processId) {
        HWND sheet = FindWizardWindow(processId);
        reached = sheet && DriveToProgressPage(sheet);
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);  // answered Yes
        finished = reached && WaitForFinish(sheet);
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    }, [](const SeenMessageBox& box) { return box.hasButton[IDYES] ? IDYES : IDOK; },
        kInstallTimeoutMs + 60000));
    EXPECT_TRUE(reached);
    EXPECT_TRUE(finished);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(L"Do you really want to cancel installation?", run.boxes[0].text);
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_FALSE(installation_.InstallDirExists());
}

TEST_F(SetupExitCodes, CancelOnTheWelcomePageEndsWith0)
{
    ASSERT_TRUE(setup_.SetWindowsVersion(L"win7"));
    bool seen = false;
    SetupCopy::Run run;
    ASSERT_TRUE(setup_.Start(&run, [&](DWORD processId) {
        HWND sheet = FindWizardWindow(processId);
        seen = sheet != nullptr;
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }, [](const SeenMessageBox&) { return IDYES; }));
    EXPECT_TRUE(seen);
    EXPECT_EQ(1u, run.boxes.size());
    EXPECT_EQ(0u, run.exitCode);
}

TEST_F(SetupExitCodes, AFailedStartUpCheckEndsWithMinus1)
{
    ASSERT_TRUE(setup_.SetWindowsVersion(L"win2k"));
    SetupCopy::Run run;
    ASSERT_TRUE(setup_.Start(&run));
    EXPECT_EQ(1u, run.boxes.size());
    EXPECT_EQ(static_cast<DWORD>(-1), run.exitCode);
}
