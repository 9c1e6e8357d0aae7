// Start-up settings from velmorasetup.cfg files beside the program, against the real
// file system, service manager and resources of the Wine prefix.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <wincrypt.h>
#include <string>

#include "app/load_settings.h"
#include "app/recorded_messages.h"
#include "app/setup_folder.h"
#include "base/install_settings.h"
#include "formats/digest/digest160.h"
#include "support/enum_printers.h"
#include "services/service_test_support.h"
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

    void LoadWith(const std::string* config, bool loads = true)
    {
        g_settings = {};
        g_settings.quiet = quiet_;
        TempFolder folder(L"settings");
        folder_ = folder.Path();
        if (config) {
            EXPECT_TRUE(WriteWholeFile(folder.File(L"velmorasetup.cfg"), *config));
        }
        EXPECT_EQ(loads, LoadSettingsFromFolder(folder.Path().c_str()));
    }
    void LoadWith(const std::string& config, bool loads = true) { LoadWith(&config, loads); }

    std::wstring folder_;
    bool quiet_ = false;  // the command line's /quiet
};

} // namespace

TEST_F(LoadSettingsTest, WithoutAFileTakesTheDefaultsAndTheEmbeddedCertificate)
{
    ASSERT_NO_FATAL_FAILURE(LoadWith(nullptr));
    EXPECT_EQ(folder_, g_settings.setup_dir);
    EXPECT_STREQ(L"velmora", g_settings.service_name);
    EXPECT_EQ(ProgramFilesVelmora(), g_settings.install_dir);
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

// Key case, quoting, comments and unknown keys take one path for every key; the account
// keys are read end to end by the unattended installation.
TEST_F(LoadSettingsTest, TakesTheKeysOfTheFileAndIgnoresUnknownOnes)
{
    ASSERT_NO_FATAL_FAILURE(LoadWith("; unattended\r\nSERVICE=mailhub\r\npath=\"D:\\Servers\\Mail Hub\"\r\n"
                                     "colour=blue\r\nadmin_password=\"pass word;1\"\r\ndomain=m\xfcnchen.example\r\n"));
    EXPECT_STREQ(L"mailhub", g_settings.service_name);
    EXPECT_STREQ(L"D:\\Servers\\Mail Hub", g_settings.install_dir);
    // The password sets its digest.
    EXPECT_STREQ(L"pass word;1", g_settings.admin_password);
    BYTE expected[20];
    ASSERT_TRUE(Digest160Text(L"pass word;1", expected, 20));
    EXPECT_EQ(0, memcmp(expected, g_settings.admin_password_digest, 20));
    // The domain has its ANSI form too (code page 1252 under the test's locale).
    EXPECT_STREQ(L"m\u00fcnchen.example", g_settings.domain_name);
    EXPECT_STREQ("m\xfcnchen.example", g_settings.domain_name_ansi);
}

namespace {

std::wstring Service() { return g_settings.service_name; }
std::wstring InstallDir() { return g_settings.install_dir; }
std::wstring Password() { return g_settings.admin_password; }
std::wstring Switches() { return std::to_wstring(g_settings.saas_mode) + std::to_wstring(g_settings.force_auto); }
std::wstring HostsEntry() { return std::to_wstring(g_settings.hosts_entry); }
std::wstring Mode() { return std::to_wstring(static_cast<int>(g_settings.run_mode)); }

} // namespace

TEST_F(LoadSettingsTest, DerivesAndCutsValues)
{
    const std::string hosted = "saas_mode=true\r\ndomain=mail.example.com\r\n";
    const std::string overlong = "service=" + std::string(62, 's') + "\r\nadmin_password=" + std::string(259, 'p') + "\r\n";
    const struct
    {
        std::string config;
        std::wstring (*field)();
        std::wstring expected;
    } cases[] = {
        // Switches are on only for "true" in any case.
        {"saas_mode=TRUE\r\nforce_auto=yes\r\ndomain=mail.example.com\r\n", Switches, L"10"},
        {"saas_mode=yes\r\nforce_auto=TrUe\r\n", Switches, L"01"},
        // ... and the run they make: 0 attended, 1 unattended.
        {"force_auto=yes\r\n", Mode, L"0"},
        {"force_auto=TrUe\r\n", Mode, L"1"},
        // The domain page's answer for a quiet run: given only as true or false.
        {"hosts_entry=TRUE\r\n", HostsEntry, std::to_wstring(kHostsEntryAdd)},
        {"hosts_entry=false\r\n", HostsEntry, std::to_wstring(kHostsEntrySkip)},
        {"hosts_entry=yes\r\n", HostsEntry, std::to_wstring(kHostsEntryUnset)},
        // The service name comes from the folder's last component, up to its last dot.
        {"path=C:\\Servers\\mail.example\r\n", Service, L"mail"},
        {"path=C:\\Servers\\a.b.c\r\n", Service, L"a.b"},
        {"path=C:/Servers/web.site\r\n", Service, L"web"},
        {"path=C:\\Servers.d\\plain\r\n", Service, L"velmora"},
        {"path=nofolder.name\r\n", Service, L"velmora"},
        {"path=C:\\Servers\\.hidden\r\n", Service, L""},
        // 63 characters before the dot are too many for a service name.
        {"path=C:\\x\\" + std::string(63, '1') + ".d\r\n", Service, L"velmora"},
        {"path=C:\\x\\" + std::string(62, '1') + ".d\r\n", Service, std::wstring(62, L'1')},
        // Hosted mode names folder and service after the domain unless given; a domain too
        // long for a service name gives none (the settings page asks), never a cut one.
        {hosted + "path=C:\\Hosted\r\n", InstallDir, L"C:\\Hosted\\mail.example.com"},
        {hosted + "service=hosting\r\n", Service, L"hosting"},
        {hosted + "service=hosting\r\n", InstallDir, ProgramFilesVelmora() + L"\\mail.example.com"},
        {"saas_mode=true\r\ndomain=" + std::string(60, 'd') + "." + std::string(10, 'e') + ".example\r\n", Service,
         L""},
        {"saas_mode=true\r\ndomain=" + std::string(60, 'd') + ".ab\r\n", Service, std::wstring(60, L'd') + L".ab"},
        // Overlong values are cut, but for the service name, which fills its field here.
        {overlong, Service, std::wstring(62, L's')},
        {overlong, Password, std::wstring(258, L'p')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.config.substr(0, 80));
        ASSERT_NO_FATAL_FAILURE(LoadWith(c.config));
        EXPECT_EQ(c.expected, c.field());
    }
    // An overlong password gets no digest.
    ASSERT_NO_FATAL_FAILURE(LoadWith(overlong));
    EXPECT_TRUE(NoPasswordDigest());
    // A quiet run is one whatever the file says.
    quiet_ = true;
    for (const char* config : {"force_auto=false\r\n", "force_auto=true\r\n"}) {
        ASSERT_NO_FATAL_FAILURE(LoadWith(config));
        EXPECT_EQ(RunMode::kQuiet, g_settings.run_mode) << config;
    }
}

// A service that runs the server as the setup installs it names the folder. (Which command
// lines are the server's: the InstallationIdentity tables.)
TEST_F(LoadSettingsTest, AnInstalledServerServiceGivesItsFolder)
{
    TestService service(L"\"C:\\Mail Server\\Velmora.exe\" /start");
    ASSERT_NO_FATAL_FAILURE(LoadWith("service=" + std::string(service.NameText().begin(), service.NameText().end()) +
                                     "\r\n"));
    EXPECT_STREQ(L"C:\\Mail Server", g_settings.install_dir);
}

// The domain becomes a hosts-file line, the server's address and a folder name, and a cut
// service name would be another service: either one that is wrong stops the setup with a box
// that names it, before anything is derived from it. (Which names are host names is the
// NameRules table's.)
TEST_F(LoadSettingsTest, ADomainThatIsNoHostNameOrAnOverlongServiceNameIsRefused)
{
    const auto invalidDomain = [](const std::wstring& domain) {
        return L"The domain name \"" + domain + L"\" is not a valid host name. A host name holds only letters, digits, "
               L"hyphens and dots, in parts of at most 63 characters.";
    };
    const std::wstring tooLong =
        L"The service name is longer than 62 characters. A longer name is not cut to fit: give a shorter one.";
    const std::string hosted = "saas_mode=true\r\npath=C:\\Hosted\r\n";
    // The folder as it stands when the setup stops: as given, or not yet read.
    const struct { std::string config; std::wstring text; const wchar_t* folder; } cases[] = {
        {hosted + "domain=\"x\n6.6.6.6 login.bank.example\"\r\n", invalidDomain(L"x\n6.6.6.6 login.bank.example"),
         L"C:\\Hosted"},
        {"service=" + std::string(63, 's') + "\r\n", tooLong, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.config);
        RecordedMessages messages;
        ASSERT_NO_FATAL_FAILURE(LoadWith(c.config, false));
        EXPECT_EQ((ShownMessages{{c.text, kErrorMessage}}), messages.shown);
        EXPECT_STREQ(c.folder, g_settings.install_dir) << "no folder named after it";
        EXPECT_STREQ(L"", g_settings.domain_name);
    }
}

TEST(FolderOfModulePath, TakesOnlyAWholePathWithRoomForTheSettingsFile)
{
    const std::wstring longFolder = L"C:\\" + std::wstring(236, L'f');  // 239 + 17 for "\velmorasetup.cfg"
    const std::wstring noRoom = L"C:\\" + std::wstring(240, L'f') + L"\\s.exe";  // 243 + 17 = 260
    const struct
    {
        std::wstring path;
        DWORD length;  // GetModuleFileNameW's answer
        DWORD capacity;
        bool taken;
        std::wstring folder;
    } cases[] = {
        {L"C:\\Setup\\setup.exe", 18, MAX_PATH, true, L"C:\\Setup"},
        {longFolder + L"\\setup.exe", 249, MAX_PATH, true, longFolder},
        {noRoom, static_cast<DWORD>(noRoom.size()), MAX_PATH, false, L""},
        // Cut: Vista and later fill the buffer and say so, XP fills it and says nothing.
        {L"C:\\Setup\\setup.exe", MAX_PATH, MAX_PATH, false, L""},
        {L"C:\\Setup\\setup.exe", 18, 18, false, L""},
        {L"", 0, MAX_PATH, false, L""},
        {L"setup.exe", 9, MAX_PATH, false, L""},
    };
    for (const auto& c : cases) {
        wchar_t folder[MAX_PATH] = L"untouched";
        std::wstring path = c.path;
        path.resize(MAX_PATH, L'x');  // what lies beyond a cut answer
        EXPECT_EQ(c.taken, FolderOfModulePath(path.c_str(), c.length, c.capacity, folder)) << c.path.size();
        EXPECT_EQ(c.folder, folder);
    }
}
