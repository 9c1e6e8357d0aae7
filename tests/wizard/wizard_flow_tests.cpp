// The wizard's page flow, driven through the real property sheet.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/domain_name.h"
#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "resources/wizard_ids.h"
#include "support/machine_state.h"
#include "wizard/imported_certificate.h"
#include "wizard/wizard_driver.h"

namespace {

using WizardFlow = WizardTest;

// One press of Next or Back and the page that it must lead to and stay on.
struct Move
{
    int button;
    int page;
};
const int kNext = PSBTN_NEXT;
const int kBack = PSBTN_BACK;

} // namespace

TEST_F(WizardFlow, PagesFollowTheKindOfRun)
{
    const struct
    {
        const char* name;
        bool unresolved, unattended;
        bool throughAgreement;  // the moves start on the settings page, reached by hand
        std::vector<Move> moves;
        bool backAtEnd, nextAtEnd;
    } cases[] = {
        // A fresh installation with an unresolved domain passes the domain page both ways; its
        // hosts block goes again with the folder and the certificate. (Every other way: PageFlow.)
        {"fresh, unresolved domain", true, false, true,
         {{kBack, IDD_WIZ_LICENSE}, {kNext, IDD_WIZ_SETCONF}, {kNext, IDD_WIZ_SETHOST}, {kNext, IDD_WIZ_USERS},
          {kBack, IDD_WIZ_SETHOST}, {kBack, IDD_WIZ_SETCONF}, {kNext, IDD_WIZ_SETHOST}},
         true, true},
        // Unattended, the welcome page waits; the settings page checks itself and moves on,
        // the administrator page, given no account, waits. Back passes the agreement again.
        {"unattended", false, true, false,
         {{kNext, IDD_WIZ_USERS}, {kBack, IDD_WIZ_SETCONF}, {kBack, IDD_WIZ_WELCOME}}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveImportedServerCertificate();
        ResetSettings();
        if (c.unresolved)
            SetDomainName(L"velmora-nowhere.invalid");
        g_settings.run_mode = c.unattended ? RunMode::kUnattended : RunMode::kAttended;
        if (!c.unattended) {
            // An account the administrator page accepts, so that its Next leads on.
            CopyText(g_settings.admin_name, L"Ann");
            CopyText(g_settings.admin_surname, L"Lee");
            CopyText(g_settings.admin_login, L"Ann Lee");
            CopyText(g_settings.admin_password, L"Secret1");
        }
        // A cancel on a page takes back what the pages did: the folder, the certificate,
        // the hosts file's block.
        const std::wstring folder = g_settings.install_dir;
        const std::wstring runs = folder.substr(0, folder.rfind(L'\\'));
        const std::vector<std::wstring> before = MachineState(runs);
        // The script starts once the sheet settled: a page that moves on by itself has.
        WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
            EXPECT_EQ(IDD_WIZ_WELCOME, wizard.PageId());
            EXPECT_TRUE(wizard.ButtonEnabled(WizardDriver::kNextButton));
            EXPECT_FALSE(wizard.ButtonEnabled(WizardDriver::kBackButton));
            ASSERT_TRUE(!c.throughAgreement || OpenSettingsPage(wizard));
            for (const Move& move : c.moves) {
                ASSERT_TRUE(move.button == kNext ? wizard.Next(move.page) : wizard.Back(move.page)) << move.page;
                ASSERT_EQ(move.page, wizard.PageId());
            }
            EXPECT_EQ(c.backAtEnd, wizard.ButtonEnabled(WizardDriver::kBackButton));
            EXPECT_EQ(c.nextAtEnd, wizard.ButtonEnabled(WizardDriver::kNextButton));
        });
        ASSERT_TRUE(run.scriptFinished);
        EXPECT_EQ(L"", MachineDifference(before, MachineState(runs)));
    }
}
