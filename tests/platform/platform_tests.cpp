// The test platform itself: these programs are Windows programs running under Wine.
#include <gtest/gtest.h>
#include <windows.h>

TEST(Platform, RunsAsUnicodeWindowsProgramWithPrivatePrefix)
{
    wchar_t windir[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windir, MAX_PATH), 0u);
    EXPECT_EQ(0, lstrcmpiW(windir, L"C:\\windows"));
    // Wine exposes wine_get_version from ntdll; real Windows does not.
    EXPECT_NE(nullptr, GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"));
}

#include "support/message_box_watcher.h"

TEST(Platform, MessageBoxWatcherReadsAndAnswersBoxes)
{
    MessageBoxWatcher watcher([](const SeenMessageBox&) { return IDNO; });
    int answer = MessageBoxW(nullptr, L"Proceed?", L"Velmora Server Setup", MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(IDNO, answer);
    auto seen = watcher.Seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"Velmora Server Setup", seen[0].title);
    EXPECT_EQ(L"Proceed?", seen[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_QUESTION), seen[0].icon);
    EXPECT_TRUE(seen[0].hasButton[IDYES]);
    EXPECT_FALSE(seen[0].hasButton[IDOK]);
}
