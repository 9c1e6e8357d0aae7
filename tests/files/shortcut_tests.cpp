// Shell links and the Start-menu program group, read back through the shell under Wine.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>

#include "base/setup_tools.h"
#include "engine/program_shortcuts.h"
#include "support/temp_folder.h"

namespace {

struct LinkContents { bool loaded = false; std::wstring target, workingDir, iconFile; int iconIndex = -1; };

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
        wchar_t text[3][1024] = {};
        link->GetPath(text[0], 1024, nullptr, SLGP_RAWPATH);
        link->GetWorkingDirectory(text[1], 1024);
        link->GetIconLocation(text[2], 1024, &contents.iconIndex);
        contents.target = text[0], contents.workingDir = text[1], contents.iconFile = text[2];
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    return contents;
}

std::wstring CommonPrograms()
{
    wchar_t path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, CSIDL_COMMON_PROGRAMS, FALSE);
    return path;
}

struct CancelAfter { int allowed, calls; };

bool CancelWhenDue(void* self)
{
    CancelAfter* me = static_cast<CancelAfter*>(self);
    return ++me->calls > me->allowed;
}

} // namespace

// The group is found again without error once it exists; a name that would not fit is
// refused rather than cut into some other folder's name.
TEST(ProgramGroup, LivesInTheAllUsersProgramsFolderAndRefusesWhatItCannotMake)
{
    std::wstring name = L"Velmora Test Group " + std::to_wstring(GetCurrentProcessId());
    std::wstring expected = CommonPrograms() + L"\\" + name;
    ASSERT_FALSE(PathExists(expected));
    for (int time = 0; time < 2; ++time) {
        wchar_t group[256] = {};
        ASSERT_TRUE(g_setupTools.GetProgramGroup(name.c_str(), group)) << "time " << time;
        EXPECT_EQ(expected, group);
        EXPECT_TRUE(PathExists(expected));
    }
    EXPECT_TRUE(RemoveDirectoryW(expected.c_str()));

    wchar_t group[256] = {};
    std::wstring longName(256 - CommonPrograms().size() - 1, L'n');
    EXPECT_FALSE(g_setupTools.GetProgramGroup(longName.c_str(), group));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    longName.pop_back();  // exactly 255 characters with the separator
    ASSERT_TRUE(g_setupTools.GetProgramGroup(longName.c_str(), group));
    EXPECT_EQ(255u, wcslen(group));
    EXPECT_TRUE(RemoveDirectoryW(group));
    EXPECT_FALSE(g_setupTools.GetProgramGroup(L"bad|name", group));
}

TEST(ProgramShortcuts, CreatesTheGroupsThreeLinksUnlessCancelled)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    TempFolder folder(L"links");
    const std::wstring& dir = folder.Path();
    const std::wstring group = CommonPrograms() + L"\\" + kProgramGroupName;
    ASSERT_FALSE(PathExists(group)) << "a program group is left from an earlier run";
    const wchar_t* const names[] = { L"Velmora.lnk", L"Brindleway Software Corp.lnk", L"Uninstall....lnk" };
    // Cancelled at the first check, and at the second: the first link is made before them.
    const struct { int allowed; ProgramShortcutsResult result; const char* made; } cases[] = {
        { 0, ProgramShortcutsResult::Cancelled, "100" },
        { 1, ProgramShortcutsResult::Cancelled, "110" },
        { 2, ProgramShortcutsResult::Created, "111" },
    };
    for (const auto& c : cases) {
        for (const wchar_t* name : names)
            DeleteFileW((group + L"\\" + name).c_str());
        CancelAfter cancel{ c.allowed, 0 };
        EXPECT_EQ(c.result, CreateProgramShortcuts(dir.c_str(), L"http://127.0.0.1", &CancelWhenDue, &cancel));
        EXPECT_EQ(std::min(c.allowed + 1, 2), cancel.calls);
        std::string made;
        for (const wchar_t* name : names)
            made += PathExists(group + L"\\" + name) ? '1' : '0';
        EXPECT_EQ(c.made, made) << c.allowed;
    }

    // Every link works in the installation folder.
    const struct { std::wstring target; const wchar_t* iconFile; int iconIndex; } expected[] = {
        // Wine's shell takes a web address for a file name relative to the current folder,
        // so only the address's presence in the target is common to every shell.
        { L"127.0.0.1", L"velmora.exe", 0 },
        { dir + L"\\links\\brindleway.url", L"velmora.exe", 3 },
        { dir + L"\\uninstall.exe", L"uninstall.exe", 0 },
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(names[i])));
        LinkContents link = ReadLink(group + L"\\" + names[i]);
        EXPECT_TRUE(link.loaded);  // not asserted: the group is removed below
        if (i == 0)
            EXPECT_NE(std::wstring::npos, link.target.find(expected[i].target)) << link.target;
        else
            EXPECT_EQ(0, lstrcmpiW(expected[i].target.c_str(), link.target.c_str())) << link.target;
        EXPECT_EQ(dir, link.workingDir);
        EXPECT_EQ(dir + L"\\" + expected[i].iconFile, link.iconFile);
        EXPECT_EQ(expected[i].iconIndex, link.iconIndex);
    }
    for (const wchar_t* name : names)
        DeleteFileW((group + L"\\" + name).c_str());
    RemoveDirectoryW(group.c_str());
    CoUninitialize();
}
