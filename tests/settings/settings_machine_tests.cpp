// This machine as the settings check sees it: folders, the volume, addresses and the port,
// the installed server's version and kept configuration, and the certificate shown. The
// certificate's import once per press of Next: the page's runs in settings_page_tests.
#include "pages/page_fixture.h"

#include "app/default_certificate.h"
#include "base/install_settings.h"
#include "certificates/certificate_fixtures.h"
#include "formats/config/server_config.h"
#include "support/at_scope_exit.h"
#include "support/enum_printers.h"
#include "support/temp_folder.h"
#include "wizard/settings_page/certificate_display.h"
#include "wizard/settings_page/certificate_image.h"
#include "wizard/settings_page/settings_machine.h"

namespace {

using LocalMachine = WinsockTest;

ULONG Ip(const char* dotted) { return inet_addr(dotted); }

} // namespace

TEST_F(LocalMachine, FoldersFilesAndTheVolume)
{
    TempFolder folder(L"settings-machine");
    std::wstring file = folder.File(L"a file");
    ASSERT_TRUE(WriteWholeFile(file, "x"));
    ChangeTransaction changes;
    LocalSettingsMachine machine(changes);
    // A folder that is there is not made: it is somebody's until checked.
    const struct { std::wstring path; bool folder, created, after; DWORD error; } cases[] = {
        {folder.Path(), true, false, true, ERROR_ALREADY_EXISTS},
        {file, false, false, false, 0},
        {folder.File(L"missing"), false, true, true, 0},
        {folder.File(L"new\\server"), false, true, true, 0},  // with the folder above it
        {file + L"\\server", false, false, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.folder, machine.FolderExists(c.path.c_str()));
        DWORD error = 0;
        EXPECT_EQ(c.created, machine.CreateFolder(c.path.c_str(), &error));
        EXPECT_EQ(c.created, error == 0) << "a folder not made gives its reason";
        if (c.error != 0) {
            EXPECT_EQ(c.error, error);
        }
        EXPECT_EQ(c.after, machine.FolderExists(c.path.c_str()));
    }
    DWORD error = 0;
    EXPECT_EQ(VolumeVerdict::kUsable, machine.CheckVolume(L"C:\\", &error));
}

TEST_F(LocalMachine, TheOfferedAddressesAreAnyThenThisMachinesOwnAndNamesResolve)
{
    ChangeTransaction changes;
    LocalSettingsMachine machine(changes);
    AddressList list;
    ListHostAddresses(list);
    char name[260] = {};
    ASSERT_EQ(0, gethostname(name, sizeof(name)));
    AddressList own;
    ASSERT_TRUE(machine.Resolve(name, own));
    ASSERT_EQ(own.count + 1, list.count);
    EXPECT_EQ(0u, list.entries[0]);
    for (size_t i = 0; i < own.count; ++i)
        EXPECT_EQ(own.entries[i], list.entries[i + 1]);
    const struct { const char* name; bool resolves; ULONG first; } cases[] = {
        {"192.0.2.7", true, Ip("192.0.2.7")},
        {"velmora-nowhere.invalid", false, 0},
        {"", false, 0},
    };
    for (const auto& c : cases) {
        AddressList resolved = {};
        resolved.count = 1;
        EXPECT_EQ(c.resolves, machine.Resolve(c.name, resolved)) << c.name;
        EXPECT_EQ(c.resolves ? 1u : 0u, resolved.count) << c.name;
        EXPECT_EQ(c.first, c.resolves ? resolved.entries[0] : 0) << c.name;
    }
}

TEST_F(LocalMachine, APortHeldByAnotherServerIsInUseAndFreeAgainAfterwards)
{
    ChangeTransaction changes;
    LocalSettingsMachine machine(changes);
    int error = 0;
    {
        PortHolder holder(Ip("127.0.0.1"));
        ASSERT_TRUE(holder.Bound()) << "another program holds 443 on this machine";
        EXPECT_EQ(PortVerdict::kInUse, machine.TestPort(Ip("127.0.0.1"), &error));
        EXPECT_EQ(PortVerdict::kInUse, machine.TestPort(0, &error)) << "any address includes it";
    }
    EXPECT_EQ(PortVerdict::kFree, machine.TestPort(Ip("127.0.0.1"), &error));
    EXPECT_EQ(PortVerdict::kFree, machine.TestPort(0, &error));
    EXPECT_EQ(PortVerdict::kInUse, machine.TestPort(Ip("192.0.2.1"), &error)) << "another machine's address";
}

TEST_F(LocalMachine, TheInstalledServersVersionAndConfiguration)
{
    TempFolder folder(L"installed-version");
    std::wstring executable = folder.File(L"Velmora.exe");
    ChangeTransaction changes;
    LocalSettingsMachine machine(changes);
    const struct { const wchar_t* program; const char* bytes; InstalledVersion version; } cases[] = {
        {VELMORA_SERVER_EXE, nullptr, InstalledVersion::kNotNewer},
        {VELMORA_NEWER_SERVER_EXE, nullptr, InstalledVersion::kNewer},
        {nullptr, "not a program", InstalledVersion::kUnversioned},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.program ? CopyFileW(c.program, executable.c_str(), FALSE) : WriteWholeFile(executable, c.bytes));
        EXPECT_EQ(c.version, machine.ReadVersion(executable.c_str())) << static_cast<int>(c.version);
    }
    // An upgrade keeps the installed configuration's keys.
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"config").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(folder.File(L"config\\velmora.cfg"), "kept_key=kept-value\r\n"));
    AtScopeExit dropped([] { g_serverConfig.Clear(); });
    machine.KeepConfiguration(folder.Path().c_str());
    wchar_t kept[64] = {};
    g_serverConfig.Get(L"kept_key", kept, 64);
    EXPECT_STREQ(L"kept-value", kept);
}

TEST(CertificateShown, OpensWithItsPasswordOnlyAndNamesItsCompany)
{
    LoadDefaultCertificate();
    ASSERT_NE(nullptr, g_settings.default_certificate);
    std::vector<BYTE> builtIn(g_settings.default_certificate, g_settings.default_certificate + g_settings.default_certificate_size);
    std::vector<BYTE> protectedImage = ReadCertificateFile(L"test_password.pfx");
    // Both images hold a certificate of the same maker that ends on 2046-12-06.
    const std::wstring company = L"Brindleway Software Corp. ( expires 2046.12.06 )";
    const struct { const std::vector<BYTE>& image; const wchar_t* password; const wchar_t* name; } cases[] = {
        {builtIn, L"", L"localhost"},
        {protectedImage, kPasswordOfTestPfx, L"password.test"},
        {protectedImage, L"wrong", nullptr},
        {protectedImage, L"", nullptr},
    };
    for (const auto& c : cases) {
        CertificateInfo info;
        ASSERT_EQ(c.name != nullptr, ReadShownCertificate(c.image.data(), static_cast<DWORD>(c.image.size()), c.password, info))
            << c.image.size() << " bytes, password '" << std::string(c.password, c.password + wcslen(c.password)) << "'";
        if (!c.name)
            continue;
        EXPECT_STREQ(c.name, info.common_name);
        wchar_t label[520] = {}, small[12] = {};
        FormatCertificateCompany(info, label, 520);
        EXPECT_EQ(company, label);
        FormatCertificateCompany(info, small, 12);
        EXPECT_EQ(company.substr(0, 11), small) << "cut to the label's capacity";
    }
    std::vector<BYTE> noKey = ReadCertificateFile(L"test_no_key.pfx");
    CertificateInfo info;
    if (!PfxImportTakesImagesWithoutKey()) {
        EXPECT_FALSE(ReadShownCertificate(noKey.data(), static_cast<DWORD>(noKey.size()), L"", info));
    }
}

TEST(CertificateShown, TheImageHoldsAWholeFileOrNothing)
{
    TempFolder folder(L"certificate-image");
    std::string bytes(5000, '\x5a');
    ASSERT_TRUE(WriteWholeFile(folder.File(L"a.pfx"), bytes));
    ASSERT_TRUE(WriteWholeFile(folder.File(L"empty.pfx"), ""));
    CCertificateImage image;
    ASSERT_TRUE(image.LoadFile(folder.File(L"a.pfx").c_str()));
    ASSERT_EQ(5000u, image.Size());
    EXPECT_EQ(0, memcmp(bytes.data(), image.Data(), 5000));
    for (const wchar_t* unreadable : {L"missing.pfx", L"empty.pfx"}) {
        ASSERT_TRUE(image.Assign(reinterpret_cast<const BYTE*>("abc"), 3));
        EXPECT_FALSE(image.LoadFile(folder.File(unreadable).c_str())) << unreadable;
        EXPECT_TRUE(image.IsEmpty() && image.Data() == nullptr) << unreadable;
    }
    EXPECT_FALSE(image.Assign(nullptr, 0));
    EXPECT_TRUE(image.IsEmpty());
}
