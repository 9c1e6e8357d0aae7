// The version of an installed server against the offered 1.0.0.368, and the configuration
// that an upgrade keeps.
#include <gtest/gtest.h>
#include <windows.h>

#include "formats/config/config_file.h"
#include "settings/settings_page_fixture.h"
#include "wizard/settings_page/installed_version.h"

namespace {

DWORD Ms(WORD major, WORD minor) { return MAKELONG(minor, major); }
DWORD Ls(WORD build, WORD revision) { return MAKELONG(revision, build); }

} // namespace

TEST(InstalledServer, OnlyLaterReleasesThanTheOfferedOneAreNewer)
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

TEST(InstalledServer, ExecutablesVersionAndTheKeptConfiguration)
{
    TempFolder folder(L"installed-version");
    std::wstring executable = folder.File(L"Velmora.exe");
    PlaceInstalledServer(folder.Path(), VELMORA_SERVER_EXE);
    EXPECT_EQ(InstalledVersion::kNotNewer, ReadInstalledVersion(executable.c_str()));
    ASSERT_TRUE(CopyFileW(VELMORA_NEWER_SERVER_EXE, executable.c_str(), FALSE));
    EXPECT_EQ(InstalledVersion::kNewer, ReadInstalledVersion(executable.c_str()));
    ASSERT_TRUE(WriteWholeFile(executable, "not a program"));
    EXPECT_EQ(InstalledVersion::kUnversioned, ReadInstalledVersion(executable.c_str()));

    g_serverConfig.Clear();
    KeepInstalledConfiguration(folder.Path().c_str());
    EXPECT_EQ(L"kept-value", KeptValue());
    g_serverConfig.Clear();
}
