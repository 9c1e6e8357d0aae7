// The wizard's page flow, driven through the real property sheet.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "app/domain_name.h"
#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "resources/wizard_ids.h"
#include "support/temp_folder.h"
#include "wizard/imported_certificate.h"
#include "wizard/wizard_driver.h"

namespace {

using WizardFlow = WizardTest;

// The settings page finds an installed server by its executable in the chosen folder.
void InstallServerInto(const TempFolder& folder)
{
    WriteWholeFile(folder.File(L"Velmora.exe"), "installed");
    CopyText(g_settings.install_dir, folder.Path().c_str());
}

// One press of Next or Back and the page that it must lead to and stay on.
struct Move
{
    int button;
    int page;
};
const int kNext = PSBTN_NEXT;
const int kBack = PSBTN_BACK;

// Presses along `moves`; false at the first page that does not show.
bool Walk(WizardDriver& wizard, std::initializer_list<Move> moves)
{
    for (const Move& move : moves) {
        bool shown = move.button == kNext ? wizard.Next(move.page) : wizard.Back(move.page);
        if (!shown || wizard.PageId() != move.page)
            return false;
    }
    return true;
}

// Runs an attended wizard to the settings page and presses Next there.
bool NextFromSettingsShows(int expected)
{
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        ASSERT_TRUE(Walk(wizard, {{kNext, expected}}));
    });
    return run.scriptFinished;
}

} // namespace

TEST_F(WizardFlow, FreshInstallationGoesThroughEveryPageButTheDomainPage)
{
    // An account the administrator page accepts, so that its Next leads on.
    CopyText(g_settings.admin_name, L"Ann");
    CopyText(g_settings.admin_surname, L"Lee");
    CopyText(g_settings.admin_login, L"Ann Lee");
    CopyText(g_settings.admin_password, L"Secret1");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        EXPECT_EQ(IDD_WIZ_WELCOME, wizard.PageId());
        ASSERT_TRUE(OpenSettingsPage(wizard));
        ASSERT_TRUE(Walk(wizard, {{kBack, IDD_WIZ_LICENSE}, {kNext, IDD_WIZ_SETCONF}, {kNext, IDD_WIZ_USERS},
                                  {kBack, IDD_WIZ_SETCONF}, {kNext, IDD_WIZ_USERS}, {kNext, IDD_WIZ_INSTALL}}));
        // The progress page offers no Back, Next or Finish.
        EXPECT_FALSE(wizard.ButtonEnabled(WizardDriver::kBackButton));
        EXPECT_FALSE(wizard.ButtonEnabled(WizardDriver::kNextButton));
    });
    EXPECT_TRUE(run.scriptFinished);
    // The progress page started the installation, which the closing Cancel stopped.
    EXPECT_EQ(2, run.result);
}

TEST_F(WizardFlow, UnresolvedDomainInsertsTheDomainPageBothWays)
{
    SetDomainName(L"velmora-nowhere.invalid");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        ASSERT_TRUE(Walk(wizard, {{kNext, IDD_WIZ_SETHOST}}));
        EXPECT_TRUE(wizard.ButtonEnabled(WizardDriver::kBackButton));
        EXPECT_TRUE(wizard.ButtonEnabled(WizardDriver::kNextButton));
        ASSERT_TRUE(Walk(wizard, {{kNext, IDD_WIZ_USERS}, {kBack, IDD_WIZ_SETHOST}, {kBack, IDD_WIZ_SETCONF}}));
    });
    EXPECT_TRUE(run.scriptFinished);
}

TEST_F(WizardFlow, InteractiveUpgradeGoesFromSettingsStraightToProgress)
{
    TempFolder installed(L"flow-upgrade");
    InstallServerInto(installed);
    EXPECT_TRUE(NextFromSettingsShows(IDD_WIZ_INSTALL));
}

TEST_F(WizardFlow, UnresolvedDomainComesBeforeTheUpgradeJump)
{
    TempFolder installed(L"flow-upgrade");
    InstallServerInto(installed);
    SetDomainName(L"velmora-nowhere.invalid");
    EXPECT_TRUE(NextFromSettingsShows(IDD_WIZ_SETHOST));
}

TEST_F(WizardFlow, HostedModeNeverShowsTheAgreement)
{
    g_settings.saas_mode = true;
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        EXPECT_TRUE(Walk(wizard, {{kNext, IDD_WIZ_SETCONF}, {kBack, IDD_WIZ_WELCOME}, {kNext, IDD_WIZ_SETCONF},
                                  {kNext, IDD_WIZ_USERS}}));
    });
    EXPECT_TRUE(run.scriptFinished);
}

TEST_F(WizardFlow, UnattendedRunWaitsOnTheWelcomePageThenSkipsTheAgreement)
{
    g_settings.force_auto = true;
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        Sleep(700);
        EXPECT_EQ(IDD_WIZ_WELCOME, wizard.PageId());
        EXPECT_TRUE(wizard.ButtonEnabled(WizardDriver::kNextButton));
        EXPECT_FALSE(wizard.ButtonEnabled(WizardDriver::kBackButton));
        // The settings page checks itself and moves on; the administrator page, given no
        // account, waits. Back passes the agreement again.
        EXPECT_TRUE(Walk(wizard, {{kNext, IDD_WIZ_USERS}, {kBack, IDD_WIZ_SETCONF}, {kBack, IDD_WIZ_WELCOME}}));
    });
    EXPECT_TRUE(run.scriptFinished);
}

TEST_F(WizardFlow, CancelAnsweredNoKeepsThePageAndItsFields)
{
    int answers = 0;
    WizardRun run = RunWizardWith(
        [&](WizardDriver& wizard) {
            ASSERT_TRUE(wizard.Next(IDD_WIZ_LICENSE));
            wizard.Click(IDC_AGREEMENT_ACCEPT);
            ASSERT_TRUE(WaitUntil([&] { return wizard.ButtonEnabled(WizardDriver::kNextButton); }));
            wizard.Press(PSBTN_CANCEL);
            ASSERT_TRUE(IsWindow(wizard.Sheet()));
            EXPECT_EQ(IDD_WIZ_LICENSE, wizard.PageId());
            EXPECT_EQ(BST_CHECKED, SendMessageW(wizard.Item(IDC_AGREEMENT_ACCEPT), BM_GETCHECK, 0, 0));
            EXPECT_TRUE(wizard.ButtonEnabled(WizardDriver::kNextButton));
        },
        [&](const SeenMessageBox&) { return ++answers == 1 ? IDNO : IDYES; });
    EXPECT_TRUE(run.scriptFinished);
    ASSERT_EQ(2u, run.boxes.size());
    EXPECT_EQ(0, run.result);
}

TEST_F(WizardFlow, CancelAnsweredYesEndsTheWizardWithZeroAfterAskingOnce)
{
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        wizard.Press(PSBTN_CANCEL);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(wizard.Sheet()); }));
    });
    EXPECT_EQ(0, run.result);
    ASSERT_EQ(1u, run.boxes.size());
    const SeenMessageBox& box = run.boxes[0];
    EXPECT_EQ(L"Velmora Server Setup", box.title);
    EXPECT_EQ(L"Do you really want to cancel installation?", box.text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_QUESTION), box.icon);
    EXPECT_TRUE(box.hasButton[IDYES]);
    EXPECT_TRUE(box.hasButton[IDNO]);
    EXPECT_FALSE(box.hasButton[IDCANCEL]);
    EXPECT_EQ(run.sheet, box.owner);
}
