// The welcome and agreement pages, the banner and the hint fields, seen in the running
// wizard.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "base/install_settings.h"
#include "resources/wizard_ids.h"
#include "wizard/agreement_page/agreement_text.h"
#include "wizard/browser_recorder.h"
#include "wizard/imported_certificate.h"
#include "wizard/screen_pixels.h"
#include "wizard/welcome_page/maker_site.h"
#include "wizard/wizard_driver.h"

namespace {

const COLORREF kHint = RGB(215, 45, 40);

using WizardPages = WizardTest;

bool MenuIsOpen()
{
    struct Search { bool found = false; } search;
    EnumWindows([](HWND window, LPARAM found) -> BOOL {
        wchar_t cls[16] = {};
        GetClassNameW(window, cls, 16);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == GetCurrentProcessId() && lstrcmpW(cls, L"#32768") == 0 && IsWindowVisible(window))
            reinterpret_cast<Search*>(found)->found = true;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// 0, step, 2 step... and the last one before `limit`.
std::vector<int> GridLines(int limit, int step)
{
    std::vector<int> lines;
    for (int at = 0; at < limit; at += step)
        lines.push_back(at);
    if (limit > 0 && lines.back() != limit - 1)
        lines.push_back(limit - 1);
    return lines;
}

} // namespace

// One run through the first two pages: the welcome page shows centred, its assistant button
// and maker line open the maker's pages; the agreement box gates Next and keeps its tick, also
// through a Cancel answered No (the sheet's question, owned by it); the agreement text is
// whole, read-only and has no menu. (Which buttons the welcome page offers is the page flow's
// test; the read-only box's white brush, the colour edit's.)
TEST_F(WizardPages, WelcomeAndAgreementPagesAsAPersonUsesThem)
{
    UniqueLocalMemory expected;
    ASSERT_TRUE(LoadAgreementText(GetModuleHandleW(nullptr), AgreementResourceId(GetSystemDefaultLCID()), expected));
    std::wstring agreement = static_cast<const wchar_t*>(expected.Get());
    std::wstring assistant, maker;
    int answers = 0;
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_EQ(IDD_WIZ_WELCOME, wizard.PageId());
        RECT work = {}, sheet = {};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        GetWindowRect(wizard.Sheet(), &sheet);
        EXPECT_NEAR((work.left + work.right) / 2.0, (sheet.left + sheet.right) / 2.0, 1.0);
        EXPECT_NEAR((work.top + work.bottom) / 2.0, (sheet.top + sheet.bottom) / 2.0, 1.0);

        {
            BrowserRecorder browser;
            ASSERT_TRUE(browser.Ready());
            wizard.Click(IDC_ONLINE_ASSISTANT);
            assistant = browser.WaitForAddress();
        }
        EXPECT_EQ(IDD_WIZ_WELCOME, wizard.PageId());
        {
            BrowserRecorder browser;
            HWND link = wizard.Item(IDC_MAKER_LINK);
            RECT box = {};
            GetClientRect(link, &box);
            PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.right / 2, box.bottom / 2));
            PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(box.right / 2, box.bottom / 2));
            maker = browser.WaitForAddress();
        }

        ASSERT_TRUE(wizard.Next(IDD_WIZ_LICENSE));
        EXPECT_TRUE(WaitUntil([&] { return wizard.ButtonEnabled(WizardDriver::kBackButton); }));
        EXPECT_FALSE(wizard.ButtonEnabled(WizardDriver::kNextButton));
        wizard.Click(IDC_AGREEMENT_ACCEPT);
        EXPECT_TRUE(WaitUntil([&] { return wizard.ButtonEnabled(WizardDriver::kNextButton); }));
        wizard.Click(IDC_AGREEMENT_ACCEPT);
        EXPECT_TRUE(WaitUntil([&] { return !wizard.ButtonEnabled(WizardDriver::kNextButton); }));

        HWND text = wizard.Item(IDC_AGREEMENT_TEXT);
        EXPECT_EQ(agreement, WindowText(text));
        PostMessageW(text, WM_CHAR, L'x', 0);
        wizard.Settle();
        EXPECT_EQ(agreement, WindowText(text)) << "typing changes nothing";
        SendMessageW(text, EM_SETSEL, 0, 0);
        PostMessageW(text, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
        PostMessageW(text, WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
        // Handled after the click, when a menu it opened is up (a menu's loop goes on
        // handling posted messages).
        PostMessageW(text, EM_SETSEL, 0, 1);
        EXPECT_TRUE(WaitUntil([&] { return HIWORD(SendMessageW(text, EM_GETSEL, 0, 0)) == 1; }));
        bool menu = MenuIsOpen();
        EXPECT_FALSE(menu);
        if (menu)
            PostMessageW(text, WM_CANCELMODE, 0, 0);

        wizard.Click(IDC_AGREEMENT_ACCEPT);
        wizard.Press(PSBTN_CANCEL);  // answered No: the page and its tick stay
        ASSERT_TRUE(IsWindow(wizard.Sheet()));
        EXPECT_EQ(IDD_WIZ_LICENSE, wizard.PageId());
        EXPECT_EQ(BST_CHECKED, SendMessageW(wizard.Item(IDC_AGREEMENT_ACCEPT), BM_GETCHECK, 0, 0));
        ASSERT_TRUE(wizard.Back(IDD_WIZ_WELCOME));
        ASSERT_TRUE(wizard.Next(IDD_WIZ_LICENSE));
        EXPECT_TRUE(WaitUntil([&] { return wizard.ButtonEnabled(WizardDriver::kNextButton); }))
            << "the tick survives going back and forth";
        ASSERT_TRUE(wizard.Next(IDD_WIZ_SETCONF));
    }, [&](const SeenMessageBox&) { return ++answers == 1 ? IDNO : IDYES; });
    ASSERT_TRUE(run.scriptFinished);
    EXPECT_EQ(0, run.result);
    ASSERT_EQ(2u, run.boxes.size()) << "the cancel question answered No, then the closing one";
    const SeenMessageBox& box = run.boxes[0];
    EXPECT_EQ(L"Do you really want to cancel installation?", box.text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_QUESTION), box.icon);
    EXPECT_TRUE(box.hasButton[IDYES] && box.hasButton[IDNO] && !box.hasButton[IDCANCEL]);
    EXPECT_EQ(run.sheet, box.owner);
    // Tests run on an English system: the English assistant.
    EXPECT_EQ(std::wstring(kMakerSiteAddress) + L"/en/assistant", assistant);
    EXPECT_EQ(kMakerSiteAddress, maker);
}

// The banner at its own size, its right column and bottom row carried on to the edges of
// the band above the pages, whatever size the font and the DPI give the sheet. Run again
// at 144 DPI by its own ctest entry, where the sheet is wider and its band taller than the
// picture.
TEST_F(WizardPages, BannerCoversTheWholeHeaderBand)
{
    HBITMAP banner = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BANNER),
                                                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(nullptr, banner);
    BITMAP size = {};
    GetObjectW(banner, sizeof(size), &size);
    HDC screen = GetDC(nullptr);
    ScreenImage picture = ReadBitmap(screen, banner, size.bmWidth, size.bmHeight);
    DeleteObject(banner);
    auto expected = [&](int x, int y) {
        return picture.At(x < picture.width ? x : picture.width - 1, y < picture.height ? y : picture.height - 1);
    };
    // Every point of a grid over the band, the last column and row of the band included;
    // `shows` leaves out points that something else covers.
    auto mismatches = [&](const ScreenImage& image, int width, int band, const std::function<bool(int, int)>& shows) {
        int wrong = 0, tried = 0;
        for (int y : GridLines(band, 5))
            for (int x : GridLines(width, 11))
                if (shows(x, y)) {
                    ++tried;
                    wrong += image.At(x, y) == expected(x, y) ? 0 : 1;
                }
        return tried > 20 ? wrong : -1;
    };
    auto everywhere = [](int, int) { return true; };

    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        auto bandHeight = [&] {
            RECT page = {};
            GetWindowRect(wizard.Page(), &page);
            MapWindowPoints(nullptr, wizard.Sheet(), reinterpret_cast<POINT*>(&page), 2);
            return static_cast<int>(page.top);
        };
        auto paintedBackground = [&](RECT& client) {
            GetClientRect(wizard.Sheet(), &client);
            HDC canvas = CreateCompatibleDC(screen);
            HBITMAP target = CreateCompatibleBitmap(screen, client.right, client.bottom);
            HGDIOBJ old = SelectObject(canvas, target);
            EXPECT_EQ(1, SendMessageW(wizard.Sheet(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas), 0));
            SelectObject(canvas, old);
            ScreenImage painted = ReadBitmap(canvas, target, client.right, client.bottom);
            DeleteObject(target);
            DeleteDC(canvas);
            return painted;
        };

        int band = bandHeight();
        ASSERT_GE(band, size.bmHeight * 3 / 4) << "the pages start below the banner";
        RECT client = {};
        ScreenImage painted = paintedBackground(client);
        EXPECT_EQ(0, mismatches(painted, client.right, band, everywhere));
        EXPECT_EQ(GetSysColor(COLOR_BTNFACE), painted.At(client.right - 1, client.bottom - 1));
        EXPECT_EQ(GetSysColor(COLOR_BTNFACE), painted.At(10, band));

        // What a person sees: the band wherever no control of the sheet lies over it.
        auto uncovered = [&](int x, int y) {
            POINT point = {x, y};
            return ChildWindowFromPointEx(wizard.Sheet(), point, CWP_SKIPINVISIBLE) == wizard.Sheet();
        };
        auto bandShown = [&](const ScreenImage& shown) { return mismatches(shown, client.right, band, uncovered) == 0; };
        EXPECT_TRUE(bandShown(CaptureWhen(wizard.Sheet(), true, bandShown)));
    });
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(run.scriptFinished);
}

TEST_F(WizardPages, AdministratorFieldsShowTheirHintsLikeAPersonSeesThem)
{
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        HWND name = wizard.Item(IDC_ADMIN_NAME);
        HWND surname = wizard.Item(IDC_ADMIN_SURNAME);
        auto focus = [&](HWND control) {
            PostMessageW(wizard.Page(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
            wizard.Settle();
        };
        // Whether the field comes to show its hint (or comes to show none of it, not even
        // blended into the background).
        auto hint = [&](HWND control, bool shown) {
            auto matches = [&](const ScreenImage& image) {
                return shown ? image.Count(kHint) > 10u : image.Count(kHint, 40) == 0u;
            };
            return matches(CaptureWhen(control, true, matches));
        };

        focus(name);
        EXPECT_TRUE(hint(surname, true)) << "empty and unfocused";
        EXPECT_TRUE(hint(name, false)) << "focused";

        focus(surname);
        EXPECT_TRUE(hint(surname, false));
        EXPECT_TRUE(hint(name, true)) << "back after losing the focus empty";

        SetWindowTextW(surname, L"Lee");
        SetWindowTextW(surname, L"");
        wizard.Settle();
        EXPECT_TRUE(hint(surname, true)) << "cleared while focused";

        focus(name);
        EnableWindow(surname, FALSE);
        wizard.Settle();
        EXPECT_TRUE(hint(surname, false)) << "disabled";
        EnableWindow(surname, TRUE);
        SetWindowTextW(surname, L"Lee");
        wizard.Settle();
        EXPECT_TRUE(hint(surname, false)) << "filled, unfocused";
    });
    ASSERT_TRUE(run.scriptFinished);
}
