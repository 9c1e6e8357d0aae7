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
