// The setup's exit code, from setup.exe copies run as a person (or a deployment tool)
// would: 1 installed (shown by the whole installations), 2 the installation failed or was
// cancelled while it ran, 0 cancelled before it, -1 a start-up check failed.
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>

#include "e2e/remote_wizard.h"
#include "e2e/setup_runs.h"
#include "resources/wizard_ids.h"
#include "wizard/setup_exit_code.h"

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

using SetupExitCodes = SetupRunTest;

TEST_F(SetupExitCodes, CancelConfirmedDuringTheInstallationThenFinishEndsWith2)
{
    WriteSettingsFile("domain=localhost\r\nadmin_name=Ann\r\nadmin_surname=Lee\r\nadmin_login=ann\r\n"
                      "admin_password=Secret-42\r\n");
    bool finished = false;
    SetupCopy::Run run = RunSetup([&](HWND sheet) {
        bool reached = PassWelcomeAndAgreement(sheet) && PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_USERS) &&
                       PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_INSTALL);
        EXPECT_TRUE(reached);
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);  // answered Yes
        finished = reached && WaitForFinish(sheet, kInstallTimeoutMs);
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    });
    EXPECT_TRUE(finished);
    ExpectCancelledWith(run, 2);
    EXPECT_FALSE(installation_.InstallDirExists());
    EXPECT_FALSE(installation_.ServiceExists());
}

TEST_F(SetupExitCodes, CancelOnTheWelcomePageEndsWith0)
{
    SetupCopy::Run run = RunSetup([](HWND sheet) { PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); });
    ExpectCancelledWith(run, 0);
}

TEST_F(SetupExitCodes, AFailedStartUpCheckEndsWithMinus1)
{
    ASSERT_TRUE(setup_.SetWindowsVersion(L"win2k"));
    SetupCopy::Run run;
    ASSERT_TRUE(setup_.Start(&run));
    EXPECT_EQ(1u, run.boxes.size());
    EXPECT_EQ(static_cast<DWORD>(-1), run.exitCode);
}
