// Error texts of the system, their fallback, and the message module's boxes.
#include <gtest/gtest.h>
#include <windows.h>
#include <functional>
#include <string>

#include "base/message_ids.h"
#include "base/setup_tools.h"
#include "formats/language/message_box.h"
#include "support/message_box_watcher.h"
#include "support/system_error_text.h"

const DWORD kCodeWithoutText = 0xDEAD;  // the system has no text for it

TEST(FormatSystemError, FallsBackToTheCodeCutToTheCapacityAndNeverWritesPastIt)
{
    const struct { DWORD code; size_t capacity; const wchar_t* text; int written; } cases[] = {  // text null: any
        {kCodeWithoutText, 260, L"System error code [57005]", 25},
        {kCodeWithoutText, 10, L"System er", 9},
        {ERROR_ACCESS_DENIED, 6, nullptr, 5},  // a system text does not fit either
        {kCodeWithoutText, 1, L"", 0},
        {kCodeWithoutText, 0, nullptr, 0},
    };
    for (const auto& c : cases) {
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

// Every kind of box the message module shows: title, text, icon, owner, buttons. (The
// system's text, or its fallback, is FormatSystemError's.)
// The text on one line, to go into a message: the system's own words up to its line break,
// with its full stop only where asked; a length that fits the words left.
TEST(FormatSystemErrorLine, EndsTheTextBeforeItsLineBreakAndOnlyWhereAskedBeforeItsFullStop)
{
    wchar_t raw[260] = {};
    g_setupTools.FormatSystemError(ERROR_ACCESS_DENIED, raw, 260);
    ASSERT_EQ(L"\r\n", std::wstring(raw).substr(wcslen(raw) - 2)) << "Wine's text as it comes";
    const std::wstring words = std::wstring(raw).substr(0, std::wstring(raw).find_last_not_of(L"\r\n .") + 1);
    const struct { DWORD code; bool withoutFullStop; std::wstring line; } cases[] = {
        {ERROR_ACCESS_DENIED, true, words},
        {ERROR_ACCESS_DENIED, false, words + L"."},
        {kCodeWithoutText, true, L"System error code [57005]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << ", without full stop " << c.withoutFullStop);
        wchar_t line[260] = {};
        EXPECT_EQ(static_cast<int>(c.line.size()),
                  g_setupTools.FormatSystemErrorLine(c.code, line, 260, c.withoutFullStop));
        EXPECT_EQ(c.line, line);
    }
}

TEST(MessageBox, ShowsEachKindWithItsTitleTextIconAndButtons)
{
    wchar_t denied[260];
    g_setupTools.FormatSystemError(ERROR_ACCESS_DENIED, denied, 260);
    EXPECT_EQ(nullptr, wcsstr(denied, L"System error code"));
    EXPECT_NE(nullptr, wcsstr(denied, L"denied")) << denied;
    // The button is one of those the box offers.
    const struct { std::function<void()> show; const wchar_t* title; std::wstring text; LPCWSTR icon; int button; }
        cases[] = {
        {[] { g_setupTools.ShowSystemError(ERROR_ACCESS_DENIED); }, L"Velmora Server Setup", TrimmedText(denied),
         IDI_ERROR, IDOK},
        {[] { ShowMessage(nullptr, kWarningQuestion, kPortInUse, L"10.0.0.1"); }, L"Velmora Server Setup",
         L"IP address '10.0.0.1' already used. Continue?", IDI_WARNING, IDNO},
        {[] { ScreenMessages(kUninstallTitle).Show(nullptr, L"Remove?", kCautiousQuestion); },
         L"Velmora Server Uninstall", L"Remove?", IDI_QUESTION, IDYES},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        MessageBoxWatcher watcher;
        c.show();
        auto seen = watcher.Seen();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(c.title, seen[0].title);
        EXPECT_EQ(c.text, TrimmedText(seen[0].text));
        EXPECT_EQ(LoadIconW(nullptr, c.icon), seen[0].icon);
        EXPECT_EQ(nullptr, seen[0].owner);
        EXPECT_TRUE(seen[0].hasButton[c.button]);
    }
}
