// The settings page in an unattended run: it checks itself on activation and moves on,
// or stays silently for the user when its check fails.
#include "settings/settings_page_fixture.h"

#include "app/domain_name.h"
#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "certificates/certificate_fixtures.h"
#include "resources/wizard_ids.h"

namespace {

class SettingsUnattended : public SettingsPage
{
protected:
    void SetUp() override
    {
        SettingsPage::SetUp();
        g_settings.force_auto = true;
    }
};

} // namespace

TEST_F(SettingsUnattended, MovesOnToTheAdministratorByItselfWithoutABox)
{
    std::wstring folder = NewFolder(L"auto");
    CopyText(g_settings.install_dir, (folder + L"\\").c_str());
    WizardRun run = UnattendedRunTo(IDD_WIZ_USERS);
    EXPECT_EQ(1u, run.boxes.size()) << "only the closing cancel question";
    EXPECT_EQ(folder, g_settings.install_dir);
    EXPECT_TRUE(g_settings.folder_created);
    EXPECT_EQ(1, CountInMachineStore(L"MY", StoredThumbprint()));
}

TEST_F(SettingsUnattended, UnresolvedDomainStopsOnTheDomainPage)
{
    SetDomainName(L"velmora-nowhere.invalid");
    UnattendedRunTo(IDD_WIZ_SETHOST);
    EXPECT_TRUE(g_settings.domain_unresolved);
}

TEST_F(SettingsUnattended, UpgradeGoesOnToTheProgressPage)
{
    std::wstring folder = NewFolder(L"installed");
    PlaceInstalledServer(folder, VELMORA_SERVER_EXE);
    CopyText(g_settings.install_dir, folder.c_str());
    UnattendedRunTo(IDD_WIZ_INSTALL);
    EXPECT_TRUE(g_settings.upgrade);
    EXPECT_EQ(L"kept-value", KeptValue());
}

TEST_F(SettingsUnattended, QuietFailureStaysSilentlyAndStoresNothingUntilTheUserFixesIt)
{
    std::wstring folder = NewFolder(L"auto");
    CopyText(g_settings.install_dir, (folder + L"\\").c_str());
    CopyText(g_settings.service_name, L"Velmora/Mail");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        wizard.Press(PSBTN_NEXT);
        ASSERT_TRUE(wizard.WaitForPage(IDD_WIZ_SETCONF));
        Sleep(500);
        EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId()) << "the page waits for the user";
        EXPECT_EQ(folder + L"\\", std::wstring(g_settings.install_dir)) << "the folder was not stored";
        EXPECT_EQ(std::vector<BYTE>(20, 0), StoredThumbprint());
        EXPECT_FALSE(GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(wizard.ButtonEnabled(WizardDriver::kNextButton));

        TypeInto(wizard, IDC_SERVICE_NAME, L"Velmora Mail");
        EXPECT_TRUE(wizard.Next(IDD_WIZ_USERS));
        // Back on the page, the user may stay on it: the check runs by itself only once.
        ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
        Sleep(300);
        EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId());
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(1u, run.boxes.size()) << "no box but the closing cancel question";
    EXPECT_EQ(folder, g_settings.install_dir);
}
