// Start-up settings from velmorasetup.cfg files beside the program, against the real
// file system, service manager and resources of the Wine prefix.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <wincrypt.h>
#include <string>

#include "app/load_settings.h"
#include "base/install_settings.h"
#include "base/scoped_handle.h"
#include "formats/digest/digest160.h"
#include "support/message_box_watcher.h"
#include "support/temp_folder.h"

namespace {

std::wstring ProgramFilesVelmora()
{
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::wstring(folder) + L"\\Velmora";
}

bool NoPasswordDigest()
{
    static const BYTE kZero[sizeof g_settings.admin_password_digest] = {};
    return memcmp(kZero, g_settings.admin_password_digest, sizeof kZero) == 0;
}

// Loads the settings of a program lying in a fresh folder with `config` as its
// velmorasetup.cfg (ANSI bytes, CR LF lines; none when null), starting from the
// zero-filled record as the process does.
class LoadSettingsTest : public ::testing::Test
{
protected:
    void TearDown() override { g_settings = {}; }

    void LoadWith(const std::string* config)
    {
        g_settings = {};
        TempFolder folder(L"settings");
        folder_ = folder.Path();
        if (config) {
            ASSERT_TRUE(WriteWholeFile(folder.File(L"velmorasetup.cfg"), *config));
        }
        ASSERT_TRUE(LoadSettingsFromFolder(folder.Path().c_str()));
    }
    void LoadWith(const std::string& config) { LoadWith(&config); }

    std::wstring folder_;
};

} // namespace

TEST_F(LoadSettingsTest, WithoutAFileTakesTheDefaultsAndTheEmbeddedCertificate)
{
    LoadWith(nullptr);
    EXPECT_EQ(folder_, g_settings.setup_dir);
    EXPECT_STREQ(L"velmora", g_settings.service_name);
    EXPECT_EQ(ProgramFilesVelmora(), g_settings.install_dir);
    EXPECT_FALSE(g_settings.saas_mode);
    EXPECT_FALSE(g_settings.force_auto);
    EXPECT_TRUE(NoPasswordDigest());
    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    EXPECT_EQ(zone.Bias, g_settings.timezone_bias);
    wchar_t domain[260] = {};
    DWORD size = 260;
    if (!GetComputerNameExW(ComputerNameDnsFullyQualified, domain, &size) || !domain[0])
        wcscpy(domain, L"localhost");
    EXPECT_STREQ(domain, g_settings.domain_name);
    ASSERT_NE(nullptr, g_settings.default_certificate);
    CRYPT_DATA_BLOB blob = {g_settings.default_certificate_size, const_cast<BYTE*>(g_settings.default_certificate)};
    EXPECT_TRUE(PFXIsPFXBlob(&blob));
}

TEST_F(LoadSettingsTest, TakesTheKeysOfTheFileAndIgnoresUnknownOnes)
{
    LoadWith("; unattended\r\nSERVICE=mailhub\r\npath=\"D:\\Servers\\Mail Hub\"\r\nadmin_name=Ivan\r\n"
             "admin_surname=Petrov\r\nadmin_login=ivan.petrov\r\nlanguage=Russian\r\ncolour=blue\r\n"
             "force_auto=true\r\nadmin_password=\"pass word;1\"\r\ndomain=m\xfcnchen.example\r\n");
    EXPECT_STREQ(L"mailhub", g_settings.service_name);
    EXPECT_STREQ(L"D:\\Servers\\Mail Hub", g_settings.install_dir);
    EXPECT_STREQ(L"Ivan", g_settings.admin_name);
    EXPECT_STREQ(L"Petrov", g_settings.admin_surname);
    EXPECT_STREQ(L"ivan.petrov", g_settings.admin_login);
    EXPECT_STREQ(L"Russian", g_settings.language);
    EXPECT_TRUE(g_settings.force_auto);
    EXPECT_FALSE(g_settings.saas_mode);
    // The password sets its digest.
    EXPECT_STREQ(L"pass word;1", g_settings.admin_password);
    BYTE expected[20];
    ASSERT_TRUE(Digest160Text(L"pass word;1", expected, 20));
    EXPECT_EQ(0, memcmp(expected, g_settings.admin_password_digest, 20));
    // The domain has its ANSI form too (code page 1252 under the test's locale).
    EXPECT_STREQ(L"m\u00fcnchen.example", g_settings.domain_name);
    EXPECT_STREQ("m\xfcnchen.example", g_settings.domain_name_ansi);
}

TEST_F(LoadSettingsTest, SwitchesAreOnOnlyForTrueInAnyCase)
{
    LoadWith("saas_mode=TRUE\r\nforce_auto=yes\r\ndomain=mail.example.com\r\n");
    EXPECT_TRUE(g_settings.saas_mode);
    EXPECT_FALSE(g_settings.force_auto);

    LoadWith("saas_mode=yes\r\nforce_auto=TrUe\r\n");
    EXPECT_FALSE(g_settings.saas_mode);
    EXPECT_TRUE(g_settings.force_auto);
}

TEST_F(LoadSettingsTest, TheServiceNameComesFromTheFoldersLastComponent)
{
    const struct
    {
        const char* path;
        const wchar_t* service;
    } cases[] = {
        {"C:\\Servers\\mail.example", L"mail"},
        {"C:\\Servers\\a.b.c", L"a.b"},
        {"C:/Servers/web.site", L"web"},
        {"C:\\Servers\\Velmora", L"velmora"},
        {"C:\\Servers.d\\plain", L"velmora"},
        {"nofolder.name", L"velmora"},
        {"C:\\Servers\\", L"velmora"},
        {"C:\\Servers\\.hidden", L""},
        // 63 characters before the dot are too many for a service name.
        {"C:\\x\\123456789012345678901234567890123456789012345678901234567890123.d", L"velmora"},
        {"C:\\x\\12345678901234567890123456789012345678901234567890123456789012.d",
         L"12345678901234567890123456789012345678901234567890123456789012"},
    };
    for (const auto& c : cases) {
        LoadWith(std::string("path=") + c.path + "\r\n");
        EXPECT_STREQ(c.service, g_settings.service_name) << c.path;
    }
}

TEST_F(LoadSettingsTest, HostedModeNamesFolderAndServiceAfterTheDomainUnlessGiven)
{
    LoadWith("saas_mode=true\r\npath=C:\\Hosted\r\ndomain=mail.example.com\r\n");
    EXPECT_STREQ(L"C:\\Hosted\\mail.example.com", g_settings.install_dir);
    EXPECT_STREQ(L"mail.example.com", g_settings.service_name);
    EXPECT_STREQ(L"mail.example.com", g_settings.domain_name);
    EXPECT_STREQ("mail.example.com", g_settings.domain_name_ansi);

    LoadWith("saas_mode=true\r\nservice=hosting\r\ndomain=mail.example.com\r\n");
    EXPECT_STREQ(L"hosting", g_settings.service_name);
    EXPECT_EQ(ProgramFilesVelmora() + L"\\mail.example.com", g_settings.install_dir);

    // A long domain is cut to a service name's length.
    LoadWith("saas_mode=true\r\ndomain=" + std::string(60, 'd') + "." + std::string(10, 'e') + ".example\r\n");
    EXPECT_EQ(std::wstring(60, L'd') + L".ee", g_settings.service_name);
}

TEST_F(LoadSettingsTest, OverlongValuesAreCutAndAnOverlongPasswordGetsNoDigest)
{
    LoadWith("service=" + std::string(70, 's') + "\r\nadmin_login=" + std::string(63, 'l') + "\r\nlanguage=" +
             std::string(200, 'g') + "\r\nadmin_password=" + std::string(259, 'p') + "\r\n");
    EXPECT_EQ(std::wstring(62, L's'), g_settings.service_name);
    EXPECT_EQ(std::wstring(62, L'l'), g_settings.admin_login);
    EXPECT_EQ(std::wstring(126, L'g'), g_settings.language);
    EXPECT_EQ(std::wstring(258, L'p'), g_settings.admin_password);
    EXPECT_TRUE(NoPasswordDigest());
}

TEST_F(LoadSettingsTest, AnInstalledServiceGivesItsFolder)
{
    std::wstring name = L"VelmoraSettingsTest" + std::to_wstring(GetCurrentProcessId());
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    UniqueServiceHandle service(CreateServiceW(manager.Get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                               SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                               L"\"C:\\Mail Server\\Velmora.exe\" /start", nullptr, nullptr,
                                               nullptr, nullptr, nullptr));
    ASSERT_TRUE(service.IsValid());
    LoadWith("service=" + std::string(name.begin(), name.end()) + "\r\n");
    DeleteService(service.Get());
    EXPECT_STREQ(L"C:\\Mail Server", g_settings.install_dir);
}

TEST(LoadSettings, TakesTheRunningProgramsFolder)
{
    g_settings = {};
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    *wcsrchr(path, L'\\') = 0;
    EXPECT_TRUE(LoadSettings());
    EXPECT_STREQ(path, g_settings.setup_dir);
    g_settings = {};
}

// The domain becomes a hosts-file line, the server's address and a folder name: one that
// is no host name stops the setup with a box that names it, and changes nothing.
TEST_F(LoadSettingsTest, ADomainThatIsNoHostNameIsRefused)
{
    for (const char* domain : {"\"x\n6.6.6.6 login.bank.example\"", "..\\..\\Windows", "\"mail example\""}) {
        SCOPED_TRACE(domain);
        g_settings = {};
        TempFolder folder(L"settings");
        ASSERT_TRUE(WriteWholeFile(folder.File(L"velmorasetup.cfg"),
                                   std::string("saas_mode=true\r\npath=C:\\Hosted\r\ndomain=") + domain + "\r\n"));
        MessageBoxWatcher watcher([](const SeenMessageBox&) { return IDOK; });
        EXPECT_FALSE(LoadSettingsFromFolder(folder.Path().c_str()));
        std::vector<SeenMessageBox> seen = watcher.Seen();
        ASSERT_EQ(1u, seen.size());
        EXPECT_NE(std::wstring::npos, seen[0].text.find(L"is not a valid host name"));
        EXPECT_STREQ(L"C:\\Hosted", g_settings.install_dir) << "no folder named after it";
        EXPECT_STREQ(L"", g_settings.domain_name);
    }
}
