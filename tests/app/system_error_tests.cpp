// Error texts of the system, their fallback and the error box.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "app/setup_tools.h"
#include "support/message_box_watcher.h"

namespace {

// A code for which the system has no text.
const DWORD kCodeWithoutText = 0xDEAD;
const wchar_t kGuard = L'#';

std::wstring Trimmed(std::wstring text)
{
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    return text;
}

} // namespace

TEST(FormatSystemError, GivesTheSystemTextForAKnownCode)
{
    wchar_t buffer[260];
    int written = g_setupTools.FormatSystemError(ERROR_ACCESS_DENIED, buffer, 260);
    ASSERT_GT(written, 0);
    EXPECT_EQ(static_cast<size_t>(written), wcslen(buffer));
    EXPECT_EQ(nullptr, wcsstr(buffer, L"System error code"));
    EXPECT_NE(nullptr, wcsstr(buffer, L"denied")) << buffer;
}

TEST(FormatSystemError, FallsBackToTheCodeWhenTheSystemHasNoText)
{
    wchar_t buffer[260];
    int written = g_setupTools.FormatSystemError(kCodeWithoutText, buffer, 260);
    EXPECT_STREQ(L"System error code [57005]", buffer);
    EXPECT_EQ(25, written);
}

TEST(FormatSystemError, CutsTheFallbackToTheCapacityAndTerminates)
{
    wchar_t buffer[16];
    wmemset(buffer, kGuard, 16);
    int written = g_setupTools.FormatSystemError(kCodeWithoutText, buffer, 10);
    EXPECT_STREQ(L"System er", buffer);
    EXPECT_EQ(9, written);
    for (int i = 10; i < 16; ++i)
        EXPECT_EQ(kGuard, buffer[i]) << "written past the capacity at " << i;
}

TEST(FormatSystemError, NeverWritesPastASmallCapacityEvenForASystemText)
{
    wchar_t buffer[16];
    wmemset(buffer, kGuard, 16);
    int written = g_setupTools.FormatSystemError(ERROR_ACCESS_DENIED, buffer, 6);
    EXPECT_EQ(5, written);
    EXPECT_EQ(5u, wcslen(buffer));
    for (int i = 6; i < 16; ++i)
        EXPECT_EQ(kGuard, buffer[i]) << "written past the capacity at " << i;
}

TEST(FormatSystemError, HandlesTheSmallestCapacities)
{
    wchar_t buffer[2] = {kGuard, kGuard};
    EXPECT_EQ(0, g_setupTools.FormatSystemError(kCodeWithoutText, buffer, 0));
    EXPECT_EQ(kGuard, buffer[0]);
    EXPECT_EQ(0, g_setupTools.FormatSystemError(kCodeWithoutText, buffer, 1));
    EXPECT_EQ(L'\0', buffer[0]);
    EXPECT_EQ(kGuard, buffer[1]);
    EXPECT_EQ(0, g_setupTools.FormatSystemError(kCodeWithoutText, nullptr, 10));
}

TEST(ShowSystemError, ShowsTheSystemTextInAnOwnerlessErrorBox)
{
    wchar_t expected[260];
    g_setupTools.FormatSystemError(ERROR_ACCESS_DENIED, expected, 260);
    MessageBoxWatcher watcher;
    g_setupTools.ShowSystemError(ERROR_ACCESS_DENIED);
    auto seen = watcher.Seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"Velmora Server Setup", seen[0].title);
    EXPECT_EQ(Trimmed(expected), Trimmed(seen[0].text));
    EXPECT_EQ(LoadIconW(nullptr, IDI_ERROR), seen[0].icon);
    EXPECT_EQ(nullptr, seen[0].owner);
    EXPECT_TRUE(seen[0].hasButton[IDOK]);
}

TEST(ShowSystemError, ShowsTheFallbackForACodeWithoutText)
{
    MessageBoxWatcher watcher;
    g_setupTools.ShowSystemError(kCodeWithoutText);
    auto seen = watcher.Seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"System error code [57005]", seen[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_ERROR), seen[0].icon);
}
