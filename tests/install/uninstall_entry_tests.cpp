// The installation lists the server among the installed programs, one entry per service,
// updates it on an upgrade, and a failed new installation takes its entry away again.
// Hosted servers, since they are the ones that share a machine under different names.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "formats/config/config_file.h"
#include "install/install_harness.h"
#include "support/installation_fixture.h"
#include "support/uninstall_entry_reader.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

DWORD FileKiB(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return data.nFileSizeLow / 1024;
}

bool Succeeded(const InstallHarness& harness)
{
    return harness.Last().step == kStepInitialize && harness.Last().state == kStepDone;
}

class UninstallEntryTest : public ::testing::Test
{
protected:
    void SetUp() override { Prepare(first_); }

    // Settings of a new hosted installation of its own service and folder.
    void Prepare(const InstallationFixture& installation)
    {
        g_settings = InstallSettings();
        g_serverConfig.Clear();
        CopyText(g_settings.service_name, installation.ServiceName().c_str());
        installDir_ = installation.InstallDir();
        CopyText(g_settings.install_dir, installDir_.c_str());
        CopyText(g_settings.domain_name, L"localhost");
        CopyText(g_settings.domain_name_ansi, "localhost");
        g_settings.server_address.sin_family = AF_INET;
        g_settings.server_address.sin_port = htons(443);
        g_settings.saas_mode = true;
        g_settings.force_auto = true;
    }

    // The size of what the payload put into the installation folder, give or take the small
    // files (configuration, first-start file, link, root certificate).
    void ExpectSizeOfTheServer(const UninstallEntryReader& entry) const
    {
        DWORD programs = FileKiB(installDir_ + L"\\Velmora.exe") + FileKiB(installDir_ + L"\\uninstall.exe");
        ASSERT_GT(programs, 100u);
        DWORD size = entry.Number(L"EstimatedSize");
        EXPECT_GE(size, programs);
        EXPECT_LE(size, programs + 32);
    }

    InstallationFixture first_{L"entry"};
    InstallationFixture second_{L"entry"};
    std::wstring installDir_;
};

TEST_F(UninstallEntryTest, InstallationWritesTheEntryAndAnUpgradeUpdatesIt)
{
    UninstallEntryReader entry(g_settings.service_name);
    {
        InstallHarness harness;
        harness.RunWorker();
        ASSERT_TRUE(Succeeded(harness));
    }
    ASSERT_TRUE(entry.Exists());
    EXPECT_EQ(L"Velmora Server (" + first_.ServiceName() + L")", entry.Text(L"DisplayName"));
    EXPECT_EQ(L"1.0.0.368", entry.Text(L"DisplayVersion"));
    EXPECT_EQ(L"Brindleway Software Corp.", entry.Text(L"Publisher"));
    EXPECT_EQ(installDir_, entry.Text(L"InstallLocation"));
    EXPECT_EQ(installDir_ + L"\\Velmora.exe", entry.Text(L"DisplayIcon"));
    EXPECT_EQ(L"\"" + installDir_ + L"\\uninstall.exe\"", entry.Text(L"UninstallString"));
    EXPECT_EQ(L"\"" + installDir_ + L"\\uninstall.exe\" /quiet", entry.Text(L"QuietUninstallString"));
    EXPECT_EQ(1u, entry.Number(L"NoModify"));
    EXPECT_EQ(1u, entry.Number(L"NoRepair"));
    ExpectSizeOfTheServer(entry);

    // As if an older server had been installed: the upgrade must bring the entry up to date,
    // and the older server that it keeps in "backups" is not counted.
    ASSERT_TRUE(entry.SetText(L"DisplayVersion", L"0.9.0.100"));
    ASSERT_TRUE(entry.SetText(L"DisplayName", L"Velmora Server (old)"));
    ASSERT_TRUE(g_serverConfig.Load((installDir_ + L"\\config\\velmora.cfg").c_str()));
    g_settings.upgrade = true;
    {
        InstallHarness upgrade;
        upgrade.RunWorker();
        ASSERT_TRUE(Succeeded(upgrade));
    }
    ASSERT_NE(0, g_settings.backup_dir[0]);
    EXPECT_EQ(L"1.0.0.368", entry.Text(L"DisplayVersion"));
    EXPECT_EQ(L"Velmora Server (" + first_.ServiceName() + L")", entry.Text(L"DisplayName"));
    ExpectSizeOfTheServer(entry);
}

TEST_F(UninstallEntryTest, FailedNewInstallationRemovesOnlyItsOwnEntry)
{
    // Another hosted server, listed in a folder of its own whose name starts alike.
    const std::wstring otherFolder = second_.InstallDir() + L"-2";
    UninstallEntryReader other(first_.ServiceName());
    ASSERT_TRUE(WriteUninstallEntry(first_.ServiceName().c_str(), otherFolder.c_str(), 1));

    Prepare(second_);
    UninstallEntryReader entry(g_settings.service_name);
    // A service of the new name that cannot start fails the run after the entry is written.
    ASSERT_TRUE(g_setupTools.InstallService(L"\"C:\\no-such-folder\\Velmora.exe\" /start", g_settings.service_name,
                                            L"Velmora Server (test)", L"test"));
    InstallHarness harness;
    harness.RunWorker();

    EXPECT_EQ(kStepStart, harness.Last().step);
    EXPECT_EQ(kStepFailed, harness.Last().state);
    EXPECT_FALSE(entry.Exists());
    EXPECT_TRUE(other.Exists());
    EXPECT_EQ(otherFolder, other.Text(L"InstallLocation"));
}

// Programs and Features lists other programs beside ours, and paths come in any case.
TEST(UninstallEntryRemoval, TakesOurEntriesOfTheFolderWhateverItsSpellingAndNothingElse)
{
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    const std::wstring folder = L"C:\\Velmora Entry " + tag + L"\\Сервер";
    UninstallEntryReader ours(L"Case" + tag);
    UninstallEntryReader second(L"Second" + tag);
    ASSERT_TRUE(WriteUninstallEntry((L"Case" + tag).c_str(), folder.c_str(), 1));
    ASSERT_TRUE(WriteUninstallEntry((L"Second" + tag).c_str(), folder.c_str(), 1));
    // Another maker's program in the same folder.
    const std::wstring foreignPath = std::wstring(kUninstallRoot) + L"\\Foreign" + tag;
    HKEY created = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, foreignPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                             nullptr, &created, nullptr));
    UniqueRegKey foreign(created);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(foreign.Get(), L"InstallLocation", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(folder.c_str()),
                                            static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))));

    const std::wstring otherSpelling = L"c:\\VELMORA ENTRY " + tag + L"\\сЕРВЕР\\";
    EXPECT_TRUE(RemoveUninstallEntriesOfFolder(otherSpelling.c_str()));
    EXPECT_FALSE(ours.Exists());
    EXPECT_FALSE(second.Exists());
    HKEY left = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, foreignPath.c_str(), 0, KEY_READ, &left));
    UniqueRegKey leftHolder(left);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, foreignPath.c_str());
    // Nothing of ours left there is no failure.
    EXPECT_TRUE(RemoveUninstallEntriesOfFolder(otherSpelling.c_str()));
}

}  // namespace
