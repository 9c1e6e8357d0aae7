// The version of an installed server against the offered 1.0.0.368.
#include <gtest/gtest.h>
#include <windows.h>

#include "datafiles/config_file.h"
#include "support/message_box_watcher.h"
#include "support/temp_folder.h"
#include "wizard/installed_version.h"

namespace {

DWORD Ms(WORD major, WORD minor) { return MAKELONG(minor, major); }
DWORD Ls(WORD build, WORD revision) { return MAKELONG(revision, build); }

// An installation folder holding `executable` as Velmora.exe and a configuration file.
struct Installation
{
    explicit Installation(const wchar_t* executable) : folder(L"installed-version")
    {
        exe = folder.File(L"Velmora.exe");
        CopyFileW(executable, exe.c_str(), FALSE);
        CreateDirectoryW(folder.File(L"config").c_str(), nullptr);
        WriteWholeFile(folder.File(L"config\\velmora.cfg"), "kept_key=kept-value\r\n");
    }
    TempFolder folder;
    std::wstring exe;
};

std::wstring KeptValue()
{
    wchar_t value[64] = {};
    g_serverConfig.Get(L"kept_key", value, 64);
    return value;
}

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
    Installation installed(VELMORA_SERVER_EXE);
    MessageBoxWatcher watcher;
    EXPECT_TRUE(CheckInstalledVersion(nullptr, installed.exe.c_str(), installed.folder.Path().c_str()));
    EXPECT_TRUE(watcher.Seen().empty());
    EXPECT_EQ(L"kept-value", KeptValue());
}

TEST_F(InstalledVersion, FileWithoutVersionPassesAndLoadsNothing)
{
    TempFolder folder(L"unversioned");
    WriteWholeFile(folder.File(L"Velmora.exe"), "not a program");
    CreateDirectoryW(folder.File(L"config").c_str(), nullptr);
    WriteWholeFile(folder.File(L"config\\velmora.cfg"), "kept_key=kept-value\r\n");
    MessageBoxWatcher watcher;
    EXPECT_TRUE(CheckInstalledVersion(nullptr, folder.File(L"Velmora.exe").c_str(), folder.Path().c_str()));
    EXPECT_TRUE(watcher.Seen().empty());
    EXPECT_EQ(L"", KeptValue());
}
