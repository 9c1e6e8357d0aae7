// Pictures of the domain-name and administrator pages for people to look at: written only
// when VELMORA_SCREENSHOTS names a folder (as tests/wizard/screenshots.sh sets it).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/bounded_text.h"
#include "app/install_settings.h"
#include "lang/language.h"
#include "pages/page_driving.h"
#include "resources/wizard_ids.h"
#include "wizard/screen_pixels.h"

TEST(Screenshots, DomainAndAdministratorPages)
{
    wchar_t folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"VELMORA_SCREENSHOTS", folder, MAX_PATH))
        GTEST_SKIP() << "VELMORA_SCREENSHOTS is not set";
    std::wstring prefix = std::wstring(folder) + L"\\";
    wchar_t language[16] = L"en";
    GetEnvironmentVariableW(L"VELMORA_SCREENSHOT_LANGUAGE", language, 16);
    g_language.SelectLanguage(GetSystemDefaultLCID());
    ResetSettings();
    CopyText(g_settings.domain_name_ansi, "groupware.example.local");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        auto save = [&](const wchar_t* name) {
            EXPECT_TRUE(SaveWindowBitmap(wizard.Sheet(), prefix + name + L"-" + language + L".bmp")) << name;
        };
        ASSERT_TRUE(ShowPage(wizard, IDD_WIZ_SETHOST));
        save(L"4-domain");
        ASSERT_TRUE(ShowPage(wizard, IDD_WIZ_USERS));
        save(L"5-administrator");
    });
    ResetSettings();
    EXPECT_TRUE(run.scriptFinished);
}
