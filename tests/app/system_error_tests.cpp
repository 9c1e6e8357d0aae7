// Error texts of the system, their fallback and the error box.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "base/setup_tools.h"
#include "support/message_box_watcher.h"

namespace {

const DWORD kCodeWithoutText = 0xDEAD;  // the system has no text for it

std::wstring Trimmed(std::wstring text)
{
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    return text;
}

} // namespace

TEST(FormatSystemError, FallsBackToTheCodeCutToTheCapacityAndNeverWritesPastIt)
{
    struct Case
    {
        DWORD code;
        size_t capacity;
        const wchar_t* text;  // null: any text of that length
        int written;
    } cases[] = {
        {kCodeWithoutText, 260, L"System error code [57005]", 25},
        {kCodeWithoutText, 10, L"System er", 9},
        {ERROR_ACCESS_DENIED, 6, nullptr, 5},  // a system text does not fit either
        {kCodeWithoutText, 1, L"", 0},
        {kCodeWithoutText, 0, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << ", capacity " << c.capacity);
        wchar_t buffer[300];
        wmemset(buffer, L'#', 300);
        EXPECT_EQ(c.written, g_setupTools.FormatSystemError(c.code, buffer, c.capacity));
        if (c.capacity > 0) {
            EXPECT_EQ(static_cast<size_t>(c.written), wcslen(buffer));
        }
        if (c.text) {
            EXPECT_STREQ(c.text, buffer);
        }
        for (size_t i = c.capacity; i < 300; ++i)
            ASSERT_EQ(L'#', buffer[i]) << "written past the capacity at " << i;
    }
    EXPECT_EQ(0, g_setupTools.FormatSystemError(kCodeWithoutText, nullptr, 10));
}

TEST(ShowSystemError, ShowsTheTextOrItsFallbackInAnOwnerlessErrorBox)
{
    wchar_t denied[260];
    int written = g_setupTools.FormatSystemError(ERROR_ACCESS_DENIED, denied, 260);
    EXPECT_EQ(static_cast<size_t>(written), wcslen(denied));
    EXPECT_EQ(nullptr, wcsstr(denied, L"System error code"));
    EXPECT_NE(nullptr, wcsstr(denied, L"denied")) << denied;

    for (DWORD code : {static_cast<DWORD>(ERROR_ACCESS_DENIED), kCodeWithoutText}) {
        SCOPED_TRACE(code);
        wchar_t expected[260];
        g_setupTools.FormatSystemError(code, expected, 260);
        MessageBoxWatcher watcher;
        g_setupTools.ShowSystemError(code);
        auto seen = watcher.Seen();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(L"Velmora Server Setup", seen[0].title);
        EXPECT_EQ(Trimmed(expected), Trimmed(seen[0].text));
        if (code == kCodeWithoutText) {
            EXPECT_EQ(L"System error code [57005]", seen[0].text);
        }
        EXPECT_EQ(LoadIconW(nullptr, IDI_ERROR), seen[0].icon);
        EXPECT_EQ(nullptr, seen[0].owner);
        EXPECT_TRUE(seen[0].hasButton[IDOK]);
    }
}
