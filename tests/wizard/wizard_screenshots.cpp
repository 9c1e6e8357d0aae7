// Pictures of every page of the test program's wizard for people to look at, with
// VELMORA_SCREENSHOTS set. It carries no payload, so its progress page shows a failed run: the
// pictures in docs/screenshots come from the real setup.exe (tests/e2e, tests/wizard/screenshots.sh).
#include <gtest/gtest.h>
#include <windows.h>

#include "app/domain_name.h"
#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "formats/language/language.h"
#include "resources/wizard_ids.h"
#include "wizard/imported_certificate.h"
#include "wizard/screen_pixels.h"
#include "wizard/wizard_driver.h"

using Screenshots = WizardTest;

TEST_F(Screenshots, EveryPage)
{
    if (ScreenshotPath(L"").empty())
        GTEST_SKIP() << "VELMORA_SCREENSHOTS is not set";
    // As start-up does: the interface follows the system's default locale.
    g_language.SelectLanguage(GetSystemDefaultLCID());
    SetDomainName(L"velmora-nowhere.invalid");  // so that the domain page shows too
    // An account the administrator page accepts, so that its Next leads to the progress page.
    CopyText(g_settings.admin_name, L"Ann");
    CopyText(g_settings.admin_surname, L"Lee");
    CopyText(g_settings.admin_login, L"Ann Lee");
    CopyText(g_settings.admin_password, L"Secret1");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        auto save = [&](const wchar_t* name) {
            EXPECT_TRUE(SaveWindowBitmap(wizard.Sheet(), ScreenshotPath(name))) << name;
        };
        save(L"1-welcome");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_LICENSE));
        save(L"2-agreement");
        wizard.Click(IDC_AGREEMENT_ACCEPT);
        ASSERT_TRUE(wizard.Next(IDD_WIZ_SETCONF));
        save(L"3-settings");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_SETHOST));
        save(L"4-domain");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        save(L"5-administrator");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_INSTALL));
        save(L"6-progress");
    });
    ASSERT_TRUE(run.scriptFinished);
}
