// Pictures of every page for people to look at: written only when VELMORA_SCREENSHOTS
// names a folder (tests/wizard/screenshots.sh sets it and turns them into PNG files).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/domain_name.h"
#include "app/install_settings.h"
#include "lang/language.h"
#include "resources/wizard_ids.h"
#include "wizard/screen_pixels.h"
#include "wizard/imported_certificate.h"
#include "wizard/wizard_driver.h"

TEST(Screenshots, EveryPage)
{
    wchar_t folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"VELMORA_SCREENSHOTS", folder, MAX_PATH))
        GTEST_SKIP() << "VELMORA_SCREENSHOTS is not set";
    std::wstring prefix = std::wstring(folder) + L"\\";
    wchar_t language[16] = L"en";
    GetEnvironmentVariableW(L"VELMORA_SCREENSHOT_LANGUAGE", language, 16);
    // As start-up does: the interface follows the system's default locale.
    g_language.SelectLanguage(GetSystemDefaultLCID());
    ResetSettings();
    SetDomainName(L"velmora-nowhere.invalid");  // so that the domain page shows too
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        auto save = [&](const wchar_t* name) {
            EXPECT_TRUE(SaveWindowBitmap(wizard.Sheet(), prefix + name + L"-" + language + L".bmp")) << name;
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
    RemoveImportedServerCertificate();
    ResetSettings();
    EXPECT_TRUE(run.scriptFinished);
}
