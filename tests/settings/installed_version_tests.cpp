// The version of an installed server against the offered 1.0.0.368.
#include <gtest/gtest.h>
#include <windows.h>

#include "formats/config/config_file.h"
#include "settings/settings_page_fixture.h"
#include "wizard/settings_page/installed_version.h"

namespace {

DWORD Ms(WORD major, WORD minor) { return MAKELONG(minor, major); }
DWORD Ls(WORD build, WORD revision) { return MAKELONG(revision, build); }

class InstalledVersion : public ::testing::Test
{
protected:
    void SetUp() override { g_serverConfig.Clear(); }
    void TearDown() override { g_serverConfig.Clear(); }
};

} // namespace

TEST_F(InstalledVersion, OnlyLaterReleasesThanTheOfferedOneAreNewer)
{
    EXPECT_FALSE(IsNewerThanOffered(Ms(1, 0), Ls(0, 368)));
    EXPECT_TRUE(IsNewerThanOffered(Ms(1, 0), Ls(0, 369)));
    EXPECT_TRUE(IsNewerThanOffered(Ms(1, 0), Ls(4, 0)));
    EXPECT_TRUE(IsNewerThanOffered(Ms(1, 1), Ls(0, 0)));
    EXPECT_TRUE(IsNewerThanOffered(Ms(2, 0), Ls(0, 0)));
    EXPECT_TRUE(IsNewerThanOffered(Ms(1, 0), Ls(1, 0))) << "a later build with a lower revision";
    EXPECT_TRUE(IsNewerThanOffered(Ms(1, 0), Ls(3, 68)));
    EXPECT_FALSE(IsNewerThanOffered(Ms(1, 0), Ls(0, 367)));
    EXPECT_FALSE(IsNewerThanOffered(Ms(0, 99), Ls(99, 99)));
    EXPECT_FALSE(IsNewerThanOffered(Ms(0, 150), Ls(0, 0))) << "a higher minor of an older major";
}

TEST_F(InstalledVersion, TheSameReleaseKeepsItsConfigurationWithoutAsking)
{
    TempFolder folder(L"installed-version");
    PlaceInstalledServer(folder.Path(), VELMORA_SERVER_EXE);
    MessageBoxWatcher watcher;
    EXPECT_TRUE(CheckInstalledVersion(nullptr, folder.File(L"Velmora.exe").c_str(), folder.Path().c_str()));
    EXPECT_TRUE(watcher.Seen().empty());
    EXPECT_EQ(L"kept-value", KeptValue());
}

TEST_F(InstalledVersion, FileWithoutVersionPassesAndLoadsNothing)
{
    TempFolder folder(L"unversioned");
    PlaceInstalledServer(folder.Path(), VELMORA_SERVER_EXE);
    ASSERT_TRUE(WriteWholeFile(folder.File(L"Velmora.exe"), "not a program"));
    MessageBoxWatcher watcher;
    EXPECT_TRUE(CheckInstalledVersion(nullptr, folder.File(L"Velmora.exe").c_str(), folder.Path().c_str()));
    EXPECT_TRUE(watcher.Seen().empty());
    EXPECT_EQ(L"", KeptValue());
}
