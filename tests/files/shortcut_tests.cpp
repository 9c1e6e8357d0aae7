// Shell links and the Start-menu program group, read back through the shell under Wine.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "base/setup_tools.h"
#include "engine/program_shortcuts.h"
#include "support/temp_folder.h"

namespace {

struct LinkContents
{
    bool loaded = false;
    std::wstring target, arguments, workingDir, description, iconFile;
    int iconIndex = -1;
};

LinkContents ReadLink(const std::wstring& path)
{
    LinkContents contents;
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        contents.loaded = true;
        wchar_t text[5][1024] = {};
        link->GetPath(text[0], 1024, nullptr, SLGP_RAWPATH);
        link->GetArguments(text[1], 1024);
        link->GetWorkingDirectory(text[2], 1024);
        link->GetDescription(text[3], 1024);
        link->GetIconLocation(text[4], 1024, &contents.iconIndex);
        contents.target = text[0], contents.arguments = text[1], contents.workingDir = text[2];
        contents.description = text[3], contents.iconFile = text[4];
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    return contents;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring CommonPrograms()
{
    wchar_t path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, CSIDL_COMMON_PROGRAMS, FALSE);
    return path;
}

class ShortcutTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }

    TempFolder folder_{ L"links" };
};

} // namespace

TEST_F(ShortcutTest, WritesEveryPropertyOfTheLink)
{
    std::wstring target = folder_.File(L"tool.exe");
    ASSERT_TRUE(WriteWholeFile(target, "MZ"));
    std::wstring link = folder_.File(L"Tool.lnk");
    EXPECT_TRUE(g_setupTools.CreateShortcut(folder_.Path().c_str(), target.c_str(), link.c_str(), L"Runs the tool",
                                            L"/start now", folder_.File(L"icons.exe").c_str(), 3));
    LinkContents read = ReadLink(link);
    ASSERT_TRUE(read.loaded);
    EXPECT_EQ(0, lstrcmpiW(target.c_str(), read.target.c_str())) << read.target;
    EXPECT_EQ(L"/start now", read.arguments);
    EXPECT_EQ(folder_.Path(), read.workingDir);
    EXPECT_EQ(L"Runs the tool", read.description);
    EXPECT_EQ(folder_.File(L"icons.exe"), read.iconFile);
    EXPECT_EQ(3, read.iconIndex);
}

TEST_F(ShortcutTest, RefusesMissingTextsAndReportsALinkThatCannotBeSaved)
{
    std::wstring link = folder_.File(L"Refused.lnk");
    const wchar_t* dir = folder_.Path().c_str();
    EXPECT_FALSE(g_setupTools.CreateShortcut(dir, nullptr, link.c_str(), L"", L"", nullptr, 0));
    EXPECT_FALSE(g_setupTools.CreateShortcut(dir, L"C:\\x.exe", nullptr, L"", L"", nullptr, 0));
    EXPECT_FALSE(g_setupTools.CreateShortcut(dir, L"C:\\x.exe", link.c_str(), nullptr, L"", nullptr, 0));
    EXPECT_FALSE(g_setupTools.CreateShortcut(dir, L"C:\\x.exe", link.c_str(), L"", nullptr, nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(Exists(link));

    std::wstring unsaved = folder_.File(L"no such folder\\Tool.lnk");
    EXPECT_FALSE(g_setupTools.CreateShortcut(dir, L"C:\\x.exe", unsaved.c_str(), L"", L"", nullptr, 0));
    EXPECT_NE(0u, GetLastError());
    EXPECT_FALSE(Exists(unsaved));

    // Working folder and icon are optional.
    EXPECT_TRUE(g_setupTools.CreateShortcut(nullptr, L"C:\\x.exe", link.c_str(), L"", L"", nullptr, 0));
    EXPECT_TRUE(Exists(link));
}

// The group is found again without error once it exists; a name that would not fit is
// refused rather than cut into some other folder's name.
TEST_F(ShortcutTest, ProgramGroupLivesInTheAllUsersProgramsFolderAndRefusesWhatItCannotMake)
{
    std::wstring name = L"Velmora Test Group " + std::to_wstring(GetCurrentProcessId());
    std::wstring expected = CommonPrograms() + L"\\" + name;
    ASSERT_FALSE(Exists(expected));
    for (int time = 0; time < 2; ++time) {
        wchar_t group[256] = {};
        ASSERT_TRUE(g_setupTools.GetProgramGroup(name.c_str(), group)) << "time " << time;
        EXPECT_EQ(expected, group);
        EXPECT_TRUE(Exists(expected));
    }
    EXPECT_TRUE(RemoveDirectoryW(expected.c_str()));

    wchar_t group[256] = L"untouched";
    EXPECT_FALSE(g_setupTools.GetProgramGroup(nullptr, group));
    EXPECT_FALSE(g_setupTools.GetProgramGroup(L"x", nullptr));
    std::wstring longName(256 - CommonPrograms().size() - 1, L'n');
    EXPECT_FALSE(g_setupTools.GetProgramGroup(longName.c_str(), group));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    EXPECT_STREQ(L"untouched", group);
    longName.pop_back();  // exactly 255 characters with the separator
    ASSERT_TRUE(g_setupTools.GetProgramGroup(longName.c_str(), group));
    EXPECT_EQ(255u, wcslen(group));
    EXPECT_TRUE(RemoveDirectoryW(group));
    EXPECT_FALSE(g_setupTools.GetProgramGroup(L"bad|name", group));
}

namespace {

const wchar_t* const kGroupLinks[] = { L"Velmora.lnk", L"Brindleway Software Corp.lnk", L"Uninstall....lnk" };

class ProgramShortcutsTest : public ShortcutTest
{
protected:
    void SetUp() override
    {
        ShortcutTest::SetUp();
        group_ = CommonPrograms() + L"\\" + kProgramGroupName;
        ASSERT_FALSE(Exists(group_)) << "a program group is left from an earlier run";
    }
    void TearDown() override
    {
        for (const wchar_t* name : kGroupLinks)
            DeleteFileW(Link(name).c_str());
        RemoveDirectoryW(group_.c_str());
        ShortcutTest::TearDown();
    }
    std::wstring Link(const wchar_t* name) const { return group_ + L"\\" + name; }
    // Which of the group's links exist, as 0/1 digits in their order.
    std::string Made() const
    {
        std::string made;
        for (const wchar_t* name : kGroupLinks)
            made += Exists(Link(name)) ? '1' : '0';
        return made;
    }

    std::wstring group_;
};

struct CancelAfter
{
    int allowed;
    int calls = 0;
    static bool Check(void* self)
    {
        CancelAfter* me = static_cast<CancelAfter*>(self);
        return ++me->calls > me->allowed;
    }
};

} // namespace

TEST_F(ProgramShortcutsTest, CreatesTheGroupsThreeLinks)
{
    const std::wstring& dir = folder_.Path();
    CancelAfter never{ 100 };
    EXPECT_EQ(ProgramShortcutsResult::Created,
              CreateProgramShortcuts(dir.c_str(), L"http://127.0.0.1", &CancelAfter::Check, &never));
    EXPECT_EQ(2, never.calls);

    // Every link works in the installation folder, without arguments or description.
    const struct
    {
        std::wstring target;
        const wchar_t* iconFile;
        int iconIndex;
    } expected[] = {
        // Wine's shell takes a web address for a file name relative to the current folder,
        // so only the address's presence in the target is common to every shell.
        { L"127.0.0.1", L"velmora.exe", 0 },
        { dir + L"\\links\\brindleway.url", L"velmora.exe", 3 },
        { dir + L"\\uninstall.exe", L"uninstall.exe", 0 },
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(kGroupLinks[i])));
        LinkContents link = ReadLink(Link(kGroupLinks[i]));
        ASSERT_TRUE(link.loaded);
        if (i == 0)
            EXPECT_NE(std::wstring::npos, link.target.find(expected[i].target)) << link.target;
        else
            EXPECT_EQ(0, lstrcmpiW(expected[i].target.c_str(), link.target.c_str())) << link.target;
        EXPECT_EQ(dir, link.workingDir);
        EXPECT_EQ(L"", link.arguments);
        EXPECT_EQ(L"", link.description);
        EXPECT_EQ(dir + L"\\" + expected[i].iconFile, link.iconFile);
        EXPECT_EQ(expected[i].iconIndex, link.iconIndex);
    }
}

TEST_F(ProgramShortcutsTest, CancelStopsBeforeTheNextTableLinkAndMissingTextsMakeNoGroup)
{
    EXPECT_EQ(ProgramShortcutsResult::NoGroup, CreateProgramShortcuts(nullptr, L"https://x", nullptr, nullptr));
    EXPECT_EQ(ProgramShortcutsResult::NoGroup, CreateProgramShortcuts(L"C:\\v", nullptr, nullptr, nullptr));
    EXPECT_FALSE(Exists(group_));
    // Cancelled at the second check, and at the first: the first link is made before it.
    const struct { int allowed; const char* made; } cases[] = {{1, "110"}, {0, "100"}};
    for (const auto& c : cases) {
        for (const wchar_t* name : kGroupLinks)
            DeleteFileW(Link(name).c_str());
        CancelAfter cancel{c.allowed};
        EXPECT_EQ(ProgramShortcutsResult::Cancelled,
                  CreateProgramShortcuts(folder_.Path().c_str(), L"https://localhost", &CancelAfter::Check, &cancel));
        EXPECT_EQ(c.allowed + 1, cancel.calls);
        EXPECT_EQ(c.made, Made());
    }
}
