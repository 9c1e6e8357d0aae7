// Pictures of the domain-name and administrator pages for people to look at (as
// tests/wizard/screenshots.sh takes them).
#include <gtest/gtest.h>
#include <windows.h>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "formats/language/language.h"
#include "pages/page_driving.h"
#include "resources/wizard_ids.h"
#include "wizard/screen_pixels.h"

TEST(Screenshots, DomainAndAdministratorPages)
{
    if (ScreenshotPath(L"").empty())
        GTEST_SKIP() << "VELMORA_SCREENSHOTS is not set";
    g_language.SelectLanguage(GetSystemDefaultLCID());
    ResetSettings();
    CopyText(g_settings.domain_name_ansi, "groupware.example.local");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        auto save = [&](const wchar_t* name) {
            EXPECT_TRUE(SaveWindowBitmap(wizard.Sheet(), ScreenshotPath(name))) << name;
        };
        ASSERT_TRUE(ShowPage(wizard, IDD_WIZ_SETHOST));
        save(L"4-domain");
        ASSERT_TRUE(ShowPage(wizard, IDD_WIZ_USERS));
        save(L"5-administrator");
    });
    ResetSettings();
    EXPECT_TRUE(run.scriptFinished);
}
