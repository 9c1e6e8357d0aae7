// The request that the progress page builds from the settings, and the layout that the
// engine forms from it.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <string.h>
#include <string>

#include "engine/install_layout.h"
#include "formats/config/server_config.h"
#include "support/enum_printers.h"
#include "wizard/progress_page/install_request_builder.h"

namespace {

std::wstring Value(CConfigFile& config, const wchar_t* name)
{
    wchar_t value[64] = {};
    return config.Get(name, value, 64) ? value : L"<absent>";
}

InstallSettings Settings(bool upgrade, bool confirmed, bool hosted)
{
    InstallSettings settings = {};
    wcscpy(settings.install_dir, L"C:\\Program Files\\Velmora");
    wcscpy(settings.service_name, L"velmora");
    settings.server_address.sin_family = AF_INET;
    settings.server_address.sin_addr.s_addr = inet_addr("10.0.0.7");
    settings.upgrade = upgrade;
    settings.folder_confirmed = confirmed;
    settings.saas_mode = hosted;
    wcscpy(settings.admin_login, L"admin");
    settings.timezone_bias = -180;
    return settings;
}

TEST(InstallRequestBuilder, TakesTheKindOfRunAndGivesANewInstallationItsAddressKeys)
{
    struct Case
    {
        bool upgrade, confirmed, hosted;
        InstallKind kind;
        const wchar_t* serverIp;
        const wchar_t* serverMode;
    } cases[] = {
        {false, false, false, InstallKind::kNewFolder, L"10.0.0.7", L"<absent>"},
        {false, true, false, InstallKind::kConfirmedFolder, L"10.0.0.7", L"<absent>"},
        {false, false, true, InstallKind::kNewFolder, L"10.0.0.7", L"saas"},
        // An upgrade keeps what the installed server's file says; so does a confirmed one.
        {true, true, false, InstallKind::kUpgrade, L"192.0.2.1", L"<absent>"},
        {true, false, true, InstallKind::kUpgrade, L"192.0.2.1", L"<absent>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.upgrade << c.confirmed << c.hosted);
        CConfigFile pages;
        ASSERT_TRUE(pages.Set(L"server_ip", L"192.0.2.1"));
        ASSERT_TRUE(pages.Set(L"server_ssl_mode", L"false"));
        const InstallSettings settings = Settings(c.upgrade, c.confirmed, c.hosted);
        InstallRequest request;
        ASSERT_TRUE(BuildInstallRequest(settings, pages, request));
        EXPECT_EQ(c.kind, request.kind);
        EXPECT_EQ(c.hosted, request.hosted);
        EXPECT_EQ(c.serverIp, Value(request.configuration, L"server_ip"));
        EXPECT_EQ(c.serverMode, Value(request.configuration, L"server_mode"));
        EXPECT_EQ(L"false", Value(request.configuration, L"server_ssl_mode"));
        // The pages' store is the pages': the run writes into its own copy.
        EXPECT_EQ(L"192.0.2.1", Value(pages, L"server_ip"));
        EXPECT_EQ(L"<absent>", Value(pages, L"server_mode"));
        EXPECT_STREQ(settings.install_dir, request.folder);
        EXPECT_STREQ(L"velmora", request.service_name);
        EXPECT_EQ(settings.server_address.sin_addr.s_addr, request.address.sin_addr.s_addr);
        EXPECT_EQ(0, memcmp(AdminAccountRecord(settings), request.admin_account, kAdminAccountSize));
        EXPECT_EQ(0, memcmp(ServerLocaleRecord(settings), request.server_locale, kServerLocaleSize));
    }
}

// 2024-02-29 13:05:09 UTC.
const time_t kStart = 1709211909;

TEST(InstallLayout, IsFormedWholeWithABackupOnlyWhereTheFolderWasThere)
{
    struct Case
    {
        InstallKind kind;
        const wchar_t* backup;
    } cases[] = {
        {InstallKind::kNewFolder, L""},
        {InstallKind::kConfirmedFolder, L"C:\\V\\backups\\2024-02-29 13-05-09"},
        {InstallKind::kUpgrade, L"C:\\V\\backups\\2024-02-29 13-05-09"},
    };
    for (const Case& c : cases) {
        InstallRequest request;
        wcscpy(request.folder, L"C:\\V");
        wcscpy(request.service_name, L"velmora");
        request.kind = c.kind;
        InstallLayout layout;
        ASSERT_TRUE(FormInstallLayout(request, kStart, layout));
        EXPECT_STREQ(c.backup, layout.backup);
        EXPECT_STREQ(L"C:\\V\\Velmora.exe", layout.server);
        EXPECT_STREQ(L"C:\\V\\config\\velmora.cfg", layout.configuration);
        EXPECT_STREQ(L"C:\\V\\backups", layout.backups);
        EXPECT_STREQ(L"\"C:\\V\\Velmora.exe\" /start", layout.command_line);
        EXPECT_STREQ(L"Velmora Server (velmora)", layout.display_name);
    }
}

// A folder that was there, too long for its backup folder's name, fails before the run
// changes anything; the same folder new takes no backup and fits.
TEST(InstallLayout, APathThatWouldNotFitFailsTheWholeLayout)
{
    InstallRequest request;
    const std::wstring folder = L"C:\\" + std::wstring(237, L'a');  // 240 characters
    wcscpy(request.folder, folder.c_str());
    wcscpy(request.service_name, L"velmora");
    InstallLayout layout;
    request.kind = InstallKind::kNewFolder;
    EXPECT_TRUE(FormInstallLayout(request, kStart, layout));
    request.kind = InstallKind::kConfirmedFolder;
    SetLastError(0);
    EXPECT_FALSE(FormInstallLayout(request, kStart, layout));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    EXPECT_STREQ(L"", layout.folder);
    EXPECT_STREQ(L"", layout.server);
    // One that fills the path with its server's name is refused new or not.
    const std::wstring full = L"C:\\" + std::wstring(245, L'b');
    wcscpy(request.folder, full.c_str());
    request.kind = InstallKind::kNewFolder;
    EXPECT_FALSE(FormInstallLayout(request, kStart, layout));
}

} // namespace
