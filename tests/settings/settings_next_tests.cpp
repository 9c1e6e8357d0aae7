// The settings page's Next check in an attended run: what it stores, asks and refuses.
#include "settings/settings_page_fixture.h"

#include "app/bounded_text.h"
#include "app/domain_name.h"
#include "app/install_settings.h"
#include "certificates/certificate_fixtures.h"
#include "datafiles/config_file.h"
#include "resources/wizard_ids.h"
#include "wizard/volume_check.h"

namespace {


bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// An installed server in `folder`: its executable and a configuration to keep.
void PlaceInstalledServer(const std::wstring& folder, const wchar_t* executable)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\config").c_str(), nullptr);
    CopyFileW(executable, (folder + L"\\Velmora.exe").c_str(), FALSE);
    WriteWholeFile(folder + L"\\config\\velmora.cfg", "kept_key=kept-value\r\n");
}

std::wstring KeptValue()
{
    wchar_t value[64] = {};
    g_serverConfig.Get(L"kept_key", value, 64);
    return value;
}

// Holds port 443 on an address the way another server would.
class PortHolder
{
public:
    explicit PortHolder(ULONG address) : socket_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP))
    {
        sockaddr_in target = {};
        target.sin_family = AF_INET;
        target.sin_port = htons(443);
        target.sin_addr.s_addr = address;
        bound_ = bind(socket_, reinterpret_cast<sockaddr*>(&target), sizeof(target)) == 0 &&
                 listen(socket_, 1) == 0;
    }
    ~PortHolder() { closesocket(socket_); }
    bool Bound() const { return bound_; }

private:
    SOCKET socket_;
    bool bound_ = false;
};

// A volume with a chosen file system and free space, recording the root it was asked about.
struct FakeVolume
{
    static const wchar_t* fileSystem;
    static ULONGLONG freeBytes;
    static std::wstring askedRoot;
    static BOOL WINAPI Information(LPCWSTR root, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD,
                                   LPWSTR name, DWORD size)
    {
        askedRoot = root;
        lstrcpynW(name, fileSystem, static_cast<int>(size));
        return TRUE;
    }
    static BOOL WINAPI FreeSpace(LPCWSTR root, PULARGE_INTEGER caller, PULARGE_INTEGER total,
                                 PULARGE_INTEGER free)
    {
        askedRoot = root;
        caller->QuadPart = free->QuadPart = freeBytes;
        total->QuadPart = freeBytes * 4;
        return TRUE;
    }
    FakeVolume(const wchar_t* system, ULONGLONG bytes)
    {
        fileSystem = system;
        freeBytes = bytes;
        askedRoot.clear();
        g_volumeInformationCall = Information;
        g_diskFreeSpaceCall = FreeSpace;
    }
    ~FakeVolume()
    {
        g_volumeInformationCall = GetVolumeInformationW;
        g_diskFreeSpaceCall = GetDiskFreeSpaceExW;
    }
};
const wchar_t* FakeVolume::fileSystem = L"NTFS";
ULONGLONG FakeVolume::freeBytes = 0;
std::wstring FakeVolume::askedRoot;

using SettingsNext = SettingsPage;

} // namespace

TEST_F(SettingsNext, CleanFolderIsCreatedStoredAndLeadsToTheAdministrator)
{
    std::wstring folder = NewFolder(L"new server");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        SetItemText(wizard, IDC_INSTALL_DIR, L"  \t" + folder + L"\\\\ \r\n");
        SetItemText(wizard, IDC_SERVICE_NAME, L"  Velmora Mail\t");
        ASSERT_TRUE(NextTo(wizard, IDD_WIZ_USERS));
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
    std::vector<BYTE> thumbprint(g_settings.cert_thumbprint, g_settings.cert_thumbprint + 20);
    EXPECT_NE(std::vector<BYTE>(20, 0), thumbprint);
    EXPECT_EQ(1, CountInMachineStore(L"MY", thumbprint));
}

TEST_F(SettingsNext, ServiceNameWithASlashIsRefusedAndNothingIsStored)
{
    std::wstring stored = g_settings.install_dir;
    HWND page = nullptr;
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        page = wizard.Sheet();  // a box owned by a page belongs to its top-level window
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
        EXPECT_EQ(page, run.boxes[i].owner);
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
            ASSERT_TRUE(NextTo(wizard, IDD_WIZ_USERS));
            EXPECT_TRUE(g_settings.folder_confirmed);
            EXPECT_FALSE(g_settings.folder_created);
            ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
            ASSERT_TRUE(NextTo(wizard, IDD_WIZ_USERS)) << "the same folder is not asked about again";

            // A folder made by the page is not asked about on the next pass either...
            ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
            SetItemText(wizard, IDC_INSTALL_DIR, created);
            ASSERT_TRUE(NextTo(wizard, IDD_WIZ_USERS));
            EXPECT_TRUE(g_settings.folder_created);
            EXPECT_FALSE(g_settings.folder_confirmed);
            ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
            ASSERT_TRUE(NextTo(wizard, IDD_WIZ_USERS));
            EXPECT_TRUE(g_settings.folder_created);

            // ...but another existing folder is: a failed installation removes a folder
            // that it takes as its own making.
            ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
            SetItemText(wizard, IDC_INSTALL_DIR, ExistingFolder());
            ASSERT_TRUE(NextTo(wizard, IDD_WIZ_USERS));
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

TEST_F(SettingsNext, InstalledServerOfTheOfferedVersionIsUpgradedWithItsConfiguration)
{
    std::wstring folder = NewFolder(L"installed");
    PlaceInstalledServer(folder, VELMORA_SERVER_EXE);
    CopyText(g_settings.install_dir, folder.c_str());
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        EXPECT_TRUE(NextTo(wizard, IDD_WIZ_INSTALL));
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_TRUE(g_settings.upgrade);
    EXPECT_FALSE(g_settings.folder_confirmed) << "an upgrade is not asked about the folder";
    EXPECT_EQ(L"kept-value", KeptValue());
    for (const SeenMessageBox& box : run.boxes)
        EXPECT_NE(MessageText(39), box.text);
}

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
            ASSERT_TRUE(NextTo(wizard, IDD_WIZ_USERS)) << "a fresh folder is a new installation";
            EXPECT_FALSE(g_settings.upgrade);
        },
        Answering(39, IDNO));
    EXPECT_TRUE(run.scriptFinished);
    ASSERT_FALSE(run.boxes.empty());
    EXPECT_EQ(MessageText(39), run.boxes[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_QUESTION), run.boxes[0].icon);
}

TEST_F(SettingsNext, NewerServerAcceptedIsUpgraded)
{
    std::wstring folder = NewFolder(L"newer");
    PlaceInstalledServer(folder, VELMORA_NEWER_SERVER_EXE);
    CopyText(g_settings.install_dir, folder.c_str());
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        EXPECT_TRUE(NextTo(wizard, IDD_WIZ_INSTALL));
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_TRUE(g_settings.upgrade);
    EXPECT_EQ(L"kept-value", KeptValue());
}

TEST_F(SettingsNext, UnresolvedDomainIsWorkedOutAfreshOnEveryPass)
{
    SetDomainName(L"velmora-nowhere.invalid");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        ASSERT_TRUE(NextTo(wizard, IDD_WIZ_SETHOST));
        EXPECT_TRUE(g_settings.domain_unresolved);
        ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
        SetDomainName(L"localhost");
        ASSERT_TRUE(NextTo(wizard, IDD_WIZ_USERS));
        EXPECT_FALSE(g_settings.domain_unresolved);
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(1u, BoxesButPortQuestions(run.boxes).size()) << "no message 48 for a name that does not resolve";
}

TEST_F(SettingsNext, DomainOfAnotherAddressIsQuestioned)
{
    SetDomainName(L"192.0.2.1");
    HWND page = nullptr;
    WizardRun run = RunWizardWith(
        [&](WizardDriver& wizard) {
            ASSERT_TRUE(OpenSettingsPage(wizard));
            page = wizard.Sheet();
            NextAndSettle(wizard);
            EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId());
        },
        Answering(48, IDNO));
    EXPECT_TRUE(run.scriptFinished);
    ASSERT_FALSE(run.boxes.empty());
    EXPECT_EQ(MessageText(48, L"192.0.2.1", L"any"), run.boxes[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_WARNING), run.boxes[0].icon);
    EXPECT_EQ(page, run.boxes[0].owner);
    EXPECT_FALSE(Exists(g_settings.install_dir)) << "No stops before the folder is made";
}

TEST_F(SettingsNext, DomainOfAnotherAddressMayBeAccepted)
{
    SetDomainName(L"192.0.2.1");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        EXPECT_TRUE(NextTo(wizard, IDD_WIZ_USERS));
    });
    EXPECT_TRUE(run.scriptFinished);
    ASSERT_FALSE(run.boxes.empty());
    EXPECT_EQ(MessageText(48, L"192.0.2.1", L"any"), run.boxes[0].text);
    EXPECT_FALSE(g_settings.domain_unresolved);
}

TEST_F(SettingsNext, PortInUseIsQuestionedWithTheAddress)
{
    PortHolder holder(0);
    ASSERT_TRUE(holder.Bound()) << "another program holds port 443";
    WizardRun run = RunWizardWith(
        [&](WizardDriver& wizard) {
            ASSERT_TRUE(OpenSettingsPage(wizard));
            NextAndSettle(wizard);
            EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId());
        },
        Answering(15, IDNO));
    EXPECT_TRUE(run.scriptFinished);
    ASSERT_FALSE(run.boxes.empty());
    EXPECT_EQ(L"IP address '0.0.0.0' already used. Continue?", run.boxes[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_WARNING), run.boxes[0].icon);
    EXPECT_TRUE(run.boxes[0].hasButton[IDYES] && run.boxes[0].hasButton[IDNO]);
}

TEST_F(SettingsNext, PortInUseMayBeAccepted)
{
    PortHolder holder(0);
    ASSERT_TRUE(holder.Bound());
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        EXPECT_TRUE(NextTo(wizard, IDD_WIZ_USERS));
    });
    EXPECT_TRUE(run.scriptFinished);
    ASSERT_GE(run.boxes.size(), 2u);
    EXPECT_EQ(L"IP address '0.0.0.0' already used. Continue?", run.boxes[0].text);
}

TEST_F(SettingsNext, FatVolumeIsRefused)
{
    FakeVolume volume(L"FAT32", 10ull << 30);
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        SetItemText(wizard, IDC_INSTALL_DIR, L"E:\\Velmora");
        NextAndSettle(wizard);
        EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId());
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(L"E:\\", FakeVolume::askedRoot);
    ASSERT_FALSE(run.boxes.empty());
    EXPECT_EQ(L"You can't setup server to FAT system drive. Please choose another drive", run.boxes[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_WARNING), run.boxes[0].icon);
    EXPECT_NE(std::wstring(L"E:\\Velmora"), g_settings.install_dir);
}

TEST_F(SettingsNext, DriveWithTooLittleSpaceAsksToFreeEightHundredMb)
{
    FakeVolume volume(L"NTFS", 40ull << 20);
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        SetItemText(wizard, IDC_INSTALL_DIR, L"C:\\");
        NextAndSettle(wizard);
        EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId());
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(L"C:\\", FakeVolume::askedRoot) << "C:\\ is stored as C: and still gives its root";
    ASSERT_FALSE(run.boxes.empty());
    EXPECT_EQ(L"There is not enough a free space on a disk 'C:'! Please free 800 Mb or select another disk!",
              run.boxes[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_WARNING), run.boxes[0].icon);
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
    ASSERT_FALSE(run.boxes.empty());
    wchar_t reason[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_FILENAME_EXCED_RANGE, 0, reason, 512, nullptr);
    EXPECT_EQ(std::wstring(reason), run.boxes[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_ERROR), run.boxes[0].icon);
    EXPECT_FALSE(Exists(folder));
}

TEST_F(SettingsNext, FolderThatCannotBeMadeKeepsThePage)
{
    ASSERT_TRUE(WriteWholeFile(NewFolder(L"a file"), "x"));
    std::wstring folder = NewFolder(L"a file") + L"\\server";
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        SetItemText(wizard, IDC_INSTALL_DIR, folder);
        NextAndSettle(wizard);
        EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId());
    });
    EXPECT_TRUE(run.scriptFinished);
    std::vector<SeenMessageBox> boxes = BoxesButPortQuestions(run.boxes);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(LoadIconW(nullptr, IDI_ERROR), boxes[0].icon);
    EXPECT_FALSE(g_settings.folder_created);
}
