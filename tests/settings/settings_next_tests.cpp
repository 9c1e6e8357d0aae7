// The settings page's Next check in an attended run: what it stores, asks and refuses.
#include "settings/settings_page_fixture.h"

#include "app/domain_name.h"
#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "certificates/certificate_fixtures.h"
#include "formats/config/config_file.h"
#include "resources/wizard_ids.h"
#include "settings/fake_volume.h"

namespace {

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

using SettingsNext = SettingsPage;

} // namespace

TEST_F(SettingsNext, CleanFolderIsCreatedStoredAndLeadsToTheAdministrator)
{
    std::wstring folder = NewFolder(L"new server");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        SetItemText(wizard, IDC_INSTALL_DIR, L"  \t" + folder + L"\\\\ \r\n");
        SetItemText(wizard, IDC_SERVICE_NAME, L"  Velmora Mail\t");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
        EXPECT_EQ(folder + L"\\\\", ItemText(wizard, IDC_INSTALL_DIR)) << "blanks go, separators stay";
        EXPECT_EQ(L"Velmora Mail", ItemText(wizard, IDC_SERVICE_NAME));
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_TRUE(BoxesButPortQuestions(run.boxes).size() == 1) << "only the closing cancel question";
    EXPECT_EQ(folder, g_settings.install_dir);
    EXPECT_EQ(std::wstring(L"Velmora Mail"), g_settings.service_name);
    EXPECT_TRUE(Exists(folder));
    EXPECT_TRUE(g_settings.folder_created);
    EXPECT_FALSE(g_settings.folder_confirmed);
    EXPECT_FALSE(g_settings.upgrade);
    EXPECT_FALSE(g_settings.domain_unresolved);
    EXPECT_EQ(AF_INET, g_settings.server_address.sin_family);
    EXPECT_EQ(htons(443), g_settings.server_address.sin_port);
    EXPECT_EQ(0u, g_settings.server_address.sin_addr.s_addr);
    std::vector<BYTE> thumbprint = StoredThumbprint();
    EXPECT_NE(std::vector<BYTE>(20, 0), thumbprint);
    EXPECT_EQ(1, CountInMachineStore(L"MY", thumbprint));
}

TEST_F(SettingsNext, ServiceNameWithASlashIsRefusedAndNothingIsStored)
{
    std::wstring stored = g_settings.install_dir;
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        SetItemText(wizard, IDC_INSTALL_DIR, NewFolder(L"other"));
        SetItemText(wizard, IDC_SERVICE_NAME, L"Velmora/Mail");
        NextAndSettle(wizard);
        EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId());
        EXPECT_EQ(stored, g_settings.install_dir);
        SetItemText(wizard, IDC_SERVICE_NAME, L"Velmora\\Mail");
        NextAndSettle(wizard);
        EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId());
    });
    EXPECT_TRUE(run.scriptFinished);
    ASSERT_GE(run.boxes.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(L"Service name must not contain  forward-slash (/) and back-slash symbols ", run.boxes[i].text);
        EXPECT_EQ(LoadIconW(nullptr, IDI_WARNING), run.boxes[i].icon);
        EXPECT_EQ(run.sheet, run.boxes[i].owner) << "a box owned by a page belongs to its top-level window";
        EXPECT_TRUE(run.boxes[i].hasButton[IDOK]);
    }
    EXPECT_FALSE(Exists(NewFolder(L"other")));
}

TEST_F(SettingsNext, ExistingFolderIsAskedAboutOncePerFolder)
{
    std::wstring created = NewFolder(L"made");
    int answers = 0;
    WizardRun run = RunWizardWith(
        [&](WizardDriver& wizard) {
            ASSERT_TRUE(OpenSettingsPage(wizard));
            SetItemText(wizard, IDC_INSTALL_DIR, ExistingFolder());
            NextAndSettle(wizard);
            EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId()) << "No keeps the page";
            EXPECT_FALSE(g_settings.folder_confirmed);
            ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
            EXPECT_TRUE(g_settings.folder_confirmed);
            EXPECT_FALSE(g_settings.folder_created);
            ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
            ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS)) << "the same folder is not asked about again";

            // A folder made by the page is not asked about on the next pass either...
            ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
            SetItemText(wizard, IDC_INSTALL_DIR, created);
            ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
            EXPECT_TRUE(g_settings.folder_created);
            EXPECT_FALSE(g_settings.folder_confirmed);
            ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
            ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
            EXPECT_TRUE(g_settings.folder_created);

            // ...but another existing folder is: a failed installation removes a folder
            // that it takes as its own making.
            ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
            SetItemText(wizard, IDC_INSTALL_DIR, ExistingFolder());
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

// An installed server of the offered version, or of a later one that the user accepts, is
// upgraded: its configuration is kept and the folder is not asked about.
class SettingsUpgrade : public SettingsPage, public ::testing::WithParamInterface<bool>
{
};

TEST_P(SettingsUpgrade, KeepsTheConfigurationAndGoesOnToTheProgressPage)
{
    const bool newer = GetParam();
    std::wstring folder = NewFolder(L"installed");
    PlaceInstalledServer(folder, newer ? VELMORA_NEWER_SERVER_EXE : VELMORA_SERVER_EXE);
    CopyText(g_settings.install_dir, folder.c_str());
    WizardRun run = PassSettings(L"", IDD_WIZ_INSTALL);
    EXPECT_TRUE(g_settings.upgrade);
    EXPECT_FALSE(g_settings.folder_confirmed) << "an upgrade is not asked about the folder";
    EXPECT_EQ(L"kept-value", KeptValue());
    size_t asked = 0;
    for (const SeenMessageBox& box : run.boxes)
        asked += box.text == MessageText(39) ? 1 : 0;
    EXPECT_EQ(newer ? 1u : 0u, asked) << "only a later version is asked about";
}

INSTANTIATE_TEST_SUITE_P(OfferedOrAcceptedNewer, SettingsUpgrade, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) -> std::string {
                             return info.param ? "AcceptedNewer" : "OfferedVersion";
                         });

TEST_F(SettingsNext, DeclinedNewerServerLeavesNoStaleUpgradeForAnotherFolder)
{
    std::wstring folder = NewFolder(L"newer");
    PlaceInstalledServer(folder, VELMORA_NEWER_SERVER_EXE);
    CopyText(g_settings.install_dir, folder.c_str());
    WizardRun run = RunWizardWith(
        [&](WizardDriver& wizard) {
            ASSERT_TRUE(OpenSettingsPage(wizard));
            NextAndSettle(wizard);
            EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId());
            EXPECT_EQ(L"", KeptValue());
            SetItemText(wizard, IDC_INSTALL_DIR, NewFolder(L"fresh"));
            ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS)) << "a fresh folder is a new installation";
            EXPECT_FALSE(g_settings.upgrade);
        },
        Answering(39, IDNO));
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_TRUE(FirstBoxIs(run.boxes, MessageText(39), IDI_QUESTION));
}

TEST_F(SettingsNext, UnresolvedDomainIsWorkedOutAfreshOnEveryPass)
{
    SetDomainName(L"velmora-nowhere.invalid");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        ASSERT_TRUE(wizard.Next(IDD_WIZ_SETHOST));
        EXPECT_TRUE(g_settings.domain_unresolved);
        ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
        SetDomainName(L"localhost");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        EXPECT_FALSE(g_settings.domain_unresolved);
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(1u, BoxesButPortQuestions(run.boxes).size()) << "no message 48 for a name that does not resolve";
}

TEST_F(SettingsNext, DomainOfAnotherAddressIsQuestioned)
{
    SetDomainName(L"192.0.2.1");
    WizardRun run = PassSettings(L"", IDD_WIZ_SETCONF, Answering(48, IDNO));
    EXPECT_TRUE(FirstBoxIs(run.boxes, MessageText(48, L"192.0.2.1", L"any"), IDI_WARNING));
    ASSERT_FALSE(run.boxes.empty());
    EXPECT_EQ(run.sheet, run.boxes[0].owner) << "a box owned by a page belongs to its top-level window";
    EXPECT_FALSE(Exists(g_settings.install_dir)) << "No stops before the folder is made";
}

TEST_F(SettingsNext, DomainOfAnotherAddressMayBeAccepted)
{
    SetDomainName(L"192.0.2.1");
    WizardRun run = PassSettings(L"", IDD_WIZ_USERS);
    EXPECT_TRUE(FirstBoxIs(run.boxes, MessageText(48, L"192.0.2.1", L"any"), IDI_WARNING));
    EXPECT_FALSE(g_settings.domain_unresolved);
}

TEST_F(SettingsNext, PortInUseIsQuestionedWithTheAddress)
{
    PortHolder holder(0);
    ASSERT_TRUE(holder.Bound()) << "another program holds port 443";
    WizardRun run = PassSettings(L"", IDD_WIZ_SETCONF, Answering(15, IDNO));
    EXPECT_TRUE(FirstBoxIs(run.boxes, L"IP address '0.0.0.0' already used. Continue?", IDI_WARNING));
    ASSERT_FALSE(run.boxes.empty());
    EXPECT_TRUE(run.boxes[0].hasButton[IDYES] && run.boxes[0].hasButton[IDNO]);
}

TEST_F(SettingsNext, PortInUseMayBeAccepted)
{
    PortHolder holder(0);
    ASSERT_TRUE(holder.Bound());
    WizardRun run = PassSettings(L"", IDD_WIZ_USERS);
    EXPECT_GE(run.boxes.size(), 2u);
    EXPECT_TRUE(FirstBoxIs(run.boxes, L"IP address '0.0.0.0' already used. Continue?", IDI_WARNING));
}

TEST_F(SettingsNext, FatVolumeIsRefused)
{
    FakeVolume volume;
    volume.fileSystem = L"FAT32";
    WizardRun run = PassSettings(L"E:\\Velmora", IDD_WIZ_SETCONF);
    EXPECT_EQ(L"E:\\", volume.informationRoot);
    EXPECT_EQ(0, volume.freeSpaceCalls);
    EXPECT_TRUE(FirstBoxIs(run.boxes, L"You can't setup server to FAT system drive. Please choose another drive",
                           IDI_WARNING));
    EXPECT_NE(std::wstring(L"E:\\Velmora"), g_settings.install_dir);
}

TEST_F(SettingsNext, DriveWithTooLittleSpaceAsksToFreeEightHundredMb)
{
    FakeVolume volume;
    volume.totalFree = volume.freeToCaller = 40ull << 20;
    WizardRun run = PassSettings(L"C:\\", IDD_WIZ_SETCONF);
    EXPECT_EQ(L"C:\\", volume.freeSpaceRoot) << "C:\\ is stored as C: and still gives its root";
    EXPECT_TRUE(FirstBoxIs(run.boxes,
        L"There is not enough a free space on a disk 'C:'! Please free 800 Mb or select another disk!", IDI_WARNING));
}

TEST_F(SettingsNext, FolderTooLongForTheServerIsRefused)
{
    std::wstring folder = ExistingFolder() + L"\\";
    while (folder.size() < 259)
        folder += L'a';
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        SetItemText(wizard, IDC_INSTALL_DIR, folder);
        EXPECT_EQ(259u, ItemText(wizard, IDC_INSTALL_DIR).size());
        NextAndSettle(wizard);
        EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId());
    });
    EXPECT_TRUE(run.scriptFinished);
    wchar_t reason[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_FILENAME_EXCED_RANGE, 0, reason, 512, nullptr);
    EXPECT_TRUE(FirstBoxIs(run.boxes, reason, IDI_ERROR)) << "the system's text as it is";
    EXPECT_FALSE(Exists(folder));
}

TEST_F(SettingsNext, FolderThatCannotBeMadeKeepsThePage)
{
    ASSERT_TRUE(WriteWholeFile(NewFolder(L"a file"), "x"));
    WizardRun run = PassSettings(NewFolder(L"a file") + L"\\server", IDD_WIZ_SETCONF);
    std::vector<SeenMessageBox> boxes = BoxesButPortQuestions(run.boxes);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(LoadIconW(nullptr, IDI_ERROR), boxes[0].icon);
    EXPECT_FALSE(g_settings.folder_created);
}
