// The settings page's Next in an attended run: that the page reads its controls into the
// check, shows the trimmed fields, shows the check's boxes and loops on its questions, and
// stores what the check decided. The rules themselves are rows of settings_check_tests.
#include "settings/settings_page_fixture.h"

#include "app/domain_name.h"
#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "certificates/certificate_fixtures.h"
#include "resources/wizard_ids.h"

namespace {

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

using SettingsNext = SettingsPage;

} // namespace

TEST_F(SettingsNext, RefusalIsShownThenTheFieldsAreStoredAndTheFolderCreated)
{
    std::wstring folder = NewFolder(L"new server");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        TypeInto(wizard, IDC_INSTALL_DIR, L"  \t" + folder + L"\\\\ \r\n");
        TypeInto(wizard, IDC_SERVICE_NAME, L"Velmora/Mail");
        wizard.Press(PSBTN_NEXT);
        wizard.Settle();
        EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId());
        EXPECT_FALSE(Exists(folder));
        TypeInto(wizard, IDC_SERVICE_NAME, L"  Velmora Mail\t");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
        EXPECT_EQ(folder + L"\\\\", ItemText(wizard, IDC_INSTALL_DIR)) << "blanks go, separators stay";
        EXPECT_EQ(L"Velmora Mail", ItemText(wizard, IDC_SERVICE_NAME));
    });
    EXPECT_TRUE(run.scriptFinished);
    std::vector<SeenMessageBox> boxes = BoxesButPortQuestions(run.boxes);
    ASSERT_EQ(2u, boxes.size()) << "the refusal and the closing cancel question";
    EXPECT_EQ(L"Service name must not contain  forward-slash (/) and back-slash symbols ", boxes[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_WARNING), boxes[0].icon);
    EXPECT_EQ(run.sheet, boxes[0].owner) << "a box owned by a page belongs to its top-level window";
    EXPECT_TRUE(boxes[0].hasButton[IDOK]);
    EXPECT_EQ(folder, g_settings.install_dir);
    EXPECT_EQ(std::wstring(L"Velmora Mail"), g_settings.service_name);
    EXPECT_TRUE(Exists(folder));
    EXPECT_TRUE(g_settings.folder_created);
    EXPECT_FALSE(g_settings.upgrade || g_settings.folder_confirmed || g_settings.domain_unresolved);
    EXPECT_EQ(AF_INET, g_settings.server_address.sin_family);
    EXPECT_EQ(htons(443), g_settings.server_address.sin_port);
    EXPECT_EQ(0u, g_settings.server_address.sin_addr.s_addr);
    std::vector<BYTE> thumbprint = StoredThumbprint();
    EXPECT_NE(std::vector<BYTE>(20, 0), thumbprint);
    EXPECT_EQ(1, CountInMachineStore(L"MY", thumbprint)) << "imported once, though questions may have run the check again";
}

TEST_F(SettingsNext, ExistingFolderIsAskedAboutOncePerFolder)
{
    std::wstring created = NewFolder(L"made");
    int answers = 0;
    WizardRun run = RunWizardWith(
        [&](WizardDriver& wizard) {
            ASSERT_TRUE(OpenSettingsPage(wizard));
            TypeInto(wizard, IDC_INSTALL_DIR, ExistingFolder());
            wizard.Press(PSBTN_NEXT);
            wizard.Settle();
            EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId()) << "No keeps the page";
            EXPECT_FALSE(g_settings.folder_confirmed);
            ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
            EXPECT_TRUE(g_settings.folder_confirmed);
            ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
            ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS)) << "the same folder is not asked about again";

            // A folder made by the page is not asked about on the next pass either...
            ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
            TypeInto(wizard, IDC_INSTALL_DIR, created);
            ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
            EXPECT_TRUE(g_settings.folder_created);
            ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
            ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));

            // ...but another existing folder is: a failed installation removes a folder
            // that it takes as its own making.
            ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
            TypeInto(wizard, IDC_INSTALL_DIR, ExistingFolder());
            ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
            EXPECT_TRUE(g_settings.folder_confirmed);
            EXPECT_FALSE(g_settings.folder_created);
        },
        [&](const SeenMessageBox& box) {
            if (box.text == MessageText(16))
                return ++answers == 1 ? IDNO : IDYES;
            return IDYES;
        });
    EXPECT_TRUE(run.scriptFinished);
    std::vector<SeenMessageBox> boxes = BoxesButPortQuestions(run.boxes);
    ASSERT_EQ(4u, boxes.size()) << "two questions on the first folder, one on its return, and Cancel";
    EXPECT_EQ(L"This folder is already exist! Do you want to install to it?", boxes[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_WARNING), boxes[0].icon);
    EXPECT_TRUE(boxes[0].hasButton[IDYES] && boxes[0].hasButton[IDNO]);
    EXPECT_EQ(MessageText(16), boxes[2].text);
}

TEST_F(SettingsNext, AcceptedNewerServerIsUpgradedWithItsConfiguration)
{
    std::wstring folder = NewFolder(L"installed");
    PlaceInstalledServer(folder, VELMORA_NEWER_SERVER_EXE);
    CopyText(g_settings.install_dir, folder.c_str());
    WizardRun run = PassSettings(IDD_WIZ_INSTALL);
    EXPECT_TRUE(g_settings.upgrade);
    EXPECT_EQ(L"kept-value", KeptValue());
    ASSERT_FALSE(run.boxes.empty());
    EXPECT_EQ(MessageText(39), run.boxes[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_QUESTION), run.boxes[0].icon);
}

TEST_F(SettingsNext, UnresolvedDomainLeadsToTheDomainPage)
{
    SetDomainName(L"velmora-nowhere.invalid");
    WizardRun run = PassSettings(IDD_WIZ_SETHOST);
    EXPECT_TRUE(g_settings.domain_unresolved);
    EXPECT_EQ(1u, BoxesButPortQuestions(run.boxes).size()) << "no address question for a name that does not resolve";
}
