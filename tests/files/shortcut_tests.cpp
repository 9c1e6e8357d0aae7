// Shell links and the Start-menu program group that all installations share, read back
// through the shell under Wine.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>

#include "base/installation_names.h"
#include "base/setup_tools.h"
#include "engine/program_shortcuts.h"
#include "support/at_scope_exit.h"
#include "support/enum_printers.h"
#include "support/installation_fixture.h"
#include "support/temp_folder.h"
#include "system/removal/installation_removal.h"

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

struct CancelAfter { int allowed, calls; };

bool CancelWhenDue(void* self)
{
    CancelAfter* me = static_cast<CancelAfter*>(self);
    return ++me->calls > me->allowed;
}

} // namespace

// A name that would not fit is refused rather than cut into some other folder's name. (The
// group's place, and finding it again once it exists, are the next test's.)
TEST(ProgramGroup, RefusesANameItCannotMake)
{
    const std::wstring programs = ProgramGroupPath().substr(0, ProgramGroupPath().rfind(L'\\'));
    wchar_t group[256] = {};
    std::wstring longName(256 - programs.size() - 1, L'n');
    EXPECT_FALSE(g_setupTools.GetProgramGroup(longName.c_str(), group));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    longName.pop_back();  // exactly 255 characters with the separator
    ASSERT_TRUE(g_setupTools.GetProgramGroup(longName.c_str(), group));
    EXPECT_EQ(programs + L"\\" + longName, group);
    EXPECT_TRUE(RemoveDirectoryW(group));
    EXPECT_FALSE(g_setupTools.GetProgramGroup(L"bad|name", group));
}

// The links are made in the shared group unless cancelled; removing an installation's links
// takes only those whose working folder is its folder, and the group once nothing is left.
TEST(ProgramShortcuts, CreatesTheGroupsThreeLinksUnlessCancelledAndRemovesOnlyTheFoldersOwn)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    TempFolder folder(L"links");
    const std::wstring& dir = folder.Path();
    const std::wstring group = ProgramGroupPath();
    ASSERT_FALSE(PathExists(group)) << "a program group is left from an earlier run";
    const std::wstring otherLink = group + L"\\Velmora B.lnk", foreign = group + L"\\readme.txt";
    AtScopeExit removeGroup([&] {
        DeleteFileW(otherLink.c_str());
        DeleteFileW(foreign.c_str());
        RemoveProgramGroup();
        CoUninitialize();
    });
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
        ASSERT_TRUE(link.loaded);
        if (i == 0)
            EXPECT_NE(std::wstring::npos, link.target.find(expected[i].target)) << link.target;
        else
            EXPECT_EQ(0, lstrcmpiW(expected[i].target.c_str(), link.target.c_str())) << link.target;
        EXPECT_EQ(dir, link.workingDir);
        EXPECT_EQ(dir + L"\\" + expected[i].iconFile, link.iconFile);
        EXPECT_EQ(expected[i].iconIndex, link.iconIndex);
    }

    EXPECT_TRUE(g_setupTools.CreateShortcut(L"C:\\Velmora B", L"C:\\Velmora B\\x.exe", otherLink.c_str(), L"", L"",
                                            nullptr, 0));
    EXPECT_TRUE(WriteWholeFile(foreign, "x"));
    // The working folder decides, compared as a folder (case, trailing backslash).
    std::wstring sameFolder = dir + L"\\";
    CharUpperW(&sameFolder[0]);
    EXPECT_TRUE(RemoveProgramShortcuts(kProgramGroupName, sameFolder.c_str()));
    for (const wchar_t* name : names)
        EXPECT_FALSE(PathExists(group + L"\\" + name));
    EXPECT_TRUE(PathExists(otherLink)) << "another installation's link stays";
    EXPECT_TRUE(RemoveProgramShortcuts(kProgramGroupName, L"c:\\velmora b\\"));
    EXPECT_FALSE(PathExists(otherLink));
    EXPECT_TRUE(PathExists(foreign)) << "what the setup did not make stays, and with it the group";
    EXPECT_TRUE(DeleteFileW(foreign.c_str()));
    EXPECT_TRUE(RemoveProgramShortcuts(kProgramGroupName, dir.c_str())) << "nothing of the folder is left";
    EXPECT_FALSE(PathExists(group)) << "an empty group goes";
    EXPECT_TRUE(RemoveProgramShortcuts(kProgramGroupName, dir.c_str())) << "no group, nothing to do";
    EXPECT_FALSE(RemoveProgramShortcuts(kProgramGroupName, L""));
}
