// The welcome and agreement pages, the banner and the hint fields, seen in the running
// wizard.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/install_settings.h"
#include "lang/language.h"
#include "resources/wizard_ids.h"
#include "wizard/agreement_text.h"
#include "wizard/browser_recorder.h"
#include "wizard/maker_site.h"
#include "wizard/screen_pixels.h"
#include "wizard/imported_certificate.h"
#include "wizard/wizard_driver.h"

namespace {

const COLORREF kHint = RGB(215, 45, 40);

using WizardPages = WizardTest;

LOGFONTW FontOf(HWND control)
{
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font;
}

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

void PostRightClick(HWND window)
{
    PostMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
    PostMessageW(window, WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
}

} // namespace

TEST_F(WizardPages, WelcomePageGreetsCentredWithOnlyNext)
{
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_EQ(IDD_WIZ_WELCOME, wizard.PageId());
        EXPECT_EQ(L"Velmora Server Setup", WindowText(wizard.Sheet()));
        wchar_t expected[512] = {};
        g_language.GetString(78, expected, 512);
        EXPECT_EQ(0u, std::wstring(expected).find(L"The Velmora groupware is designed"));
        EXPECT_EQ(expected, WindowText(wizard.Item(IDC_WELCOME_DESCRIPTION)));
        EXPECT_EQ(L"Welcome to the Velmora groupware software!", WindowText(wizard.Item(IDC_WELCOME_TITLE)));
        EXPECT_EQ(L"Online Assistant", WindowText(wizard.Item(IDC_ONLINE_ASSISTANT)));

        EXPECT_TRUE(wizard.ButtonEnabled(WizardDriver::kNextButton));
        EXPECT_FALSE(wizard.ButtonEnabled(WizardDriver::kBackButton));

        LOGFONTW notice = FontOf(wizard.Item(IDC_LEGAL_NOTICE));
        EXPECT_EQ(12, notice.lfHeight);
        EXPECT_EQ(FW_NORMAL, notice.lfWeight);
        EXPECT_TRUE(FontOf(wizard.Item(IDC_MAKER_LINK)).lfUnderline);

        RECT work = {}, sheet = {};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        GetWindowRect(wizard.Sheet(), &sheet);
        EXPECT_NEAR((work.left + work.right) / 2.0, (sheet.left + sheet.right) / 2.0, 1.0);
        EXPECT_NEAR((work.top + work.bottom) / 2.0, (sheet.top + sheet.bottom) / 2.0, 1.0);
    });
    EXPECT_TRUE(run.scriptFinished);
}

TEST_F(WizardPages, AssistantButtonAndMakerLineOpenTheMakersPages)
{
    BrowserRecorder browser;
    ASSERT_TRUE(browser.Ready());
    std::wstring assistant, maker;
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        wizard.Click(IDC_ONLINE_ASSISTANT);
        assistant = browser.WaitForAddress();
        EXPECT_EQ(IDD_WIZ_WELCOME, wizard.PageId());
    });
    EXPECT_TRUE(run.scriptFinished);
    // Tests run on an English system: the English assistant.
    EXPECT_EQ(std::wstring(kMakerSiteAddress) + L"/en/assistant", assistant);
    EXPECT_EQ(1u, run.boxes.size()) << "only the final cancel question";

    BrowserRecorder again;
    run = RunWizardWith([&](WizardDriver& wizard) {
        HWND link = wizard.Item(IDC_MAKER_LINK);
        RECT box = {};
        GetClientRect(link, &box);
        PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.right / 2, box.bottom / 2));
        PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(box.right / 2, box.bottom / 2));
        maker = again.WaitForAddress();
    });
    EXPECT_EQ(kMakerSiteAddress, maker);
}

TEST_F(WizardPages, AgreementBoxGatesNextAndKeepsItsTick)
{
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(wizard.Next(IDD_WIZ_LICENSE));
        EXPECT_TRUE(WaitUntil([&] { return wizard.ButtonEnabled(WizardDriver::kBackButton); }));
        EXPECT_FALSE(wizard.ButtonEnabled(WizardDriver::kNextButton));
        EXPECT_EQ(L"Yes, I agree with all terms of this license agreement",
                  WindowText(wizard.Item(IDC_AGREEMENT_ACCEPT)));

        wizard.Click(IDC_AGREEMENT_ACCEPT);
        EXPECT_TRUE(WaitUntil([&] { return wizard.ButtonEnabled(WizardDriver::kNextButton); }));
        wizard.Click(IDC_AGREEMENT_ACCEPT);
        EXPECT_TRUE(WaitUntil([&] { return !wizard.ButtonEnabled(WizardDriver::kNextButton); }));
        EXPECT_TRUE(wizard.ButtonEnabled(WizardDriver::kBackButton));

        wizard.Click(IDC_AGREEMENT_ACCEPT);
        ASSERT_TRUE(wizard.Back(IDD_WIZ_WELCOME));
        ASSERT_TRUE(wizard.Next(IDD_WIZ_LICENSE));
        EXPECT_TRUE(WaitUntil([&] { return wizard.ButtonEnabled(WizardDriver::kNextButton); }))
            << "the tick survives going back and forth";
        ASSERT_TRUE(wizard.Next(IDD_WIZ_SETCONF));
    });
    EXPECT_TRUE(run.scriptFinished);
}

TEST_F(WizardPages, AgreementTextIsWholeWhiteReadOnlyAndWithoutMenu)
{
    UniqueLocalMemory expected;
    ASSERT_TRUE(LoadAgreementText(GetModuleHandleW(nullptr), AgreementResourceId(GetSystemDefaultLCID()), expected));
    std::wstring agreement = static_cast<const wchar_t*>(expected.Get());
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(wizard.Next(IDD_WIZ_LICENSE));
        HWND text = wizard.Item(IDC_AGREEMENT_TEXT);
        EXPECT_EQ(agreement, WindowText(text));
        EXPECT_TRUE(GetWindowLongW(text, GWL_STYLE) & ES_READONLY);

        PostMessageW(text, WM_CHAR, L'x', 0);
        wizard.Settle();
        EXPECT_EQ(agreement, WindowText(text)) << "typing changes nothing";

        // The margin right of the text, left of the scroll bar, shows the box's own brush.
        ScreenImage shown = CaptureWindow(text, true);
        int margin = shown.width - GetSystemMetrics(SM_CXVSCROLL) - 2;
        int white = 0;
        for (int y = 0; y < shown.height; ++y)
            white += shown.At(margin, y) == RGB(255, 255, 255) ? 1 : 0;
        EXPECT_GT(white, shown.height * 9 / 10) << "white although read-only";

        PostRightClick(text);
        Sleep(600);
        bool menu = MenuIsOpen();
        EXPECT_FALSE(menu);
        if (menu)
            PostMessageW(text, WM_CANCELMODE, 0, 0);
    });
    EXPECT_TRUE(run.scriptFinished);
}

TEST_F(WizardPages, BannerIsPaintedAcrossTheTopOfTheSheet)
{
    HBITMAP banner = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BANNER),
                                                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(nullptr, banner);
    HDC screen = GetDC(nullptr);
    ScreenImage expected = ReadBitmap(screen, banner, 560, 60);
    DeleteObject(banner);
    // The banner's pixels on a grid over the part of it that the sheet shows.
    auto matches = [&](const ScreenImage& image, int width, int height) {
        int same = 0, tried = 0;
        for (int y = 2; y < height; y += 7)
            for (int x = 2; x < width; x += 13, ++tried)
                same += image.At(x, y) == expected.At(x, y) ? 1 : 0;
        return tried > 0 && same == tried;
    };

    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        RECT client = {};
        GetClientRect(wizard.Sheet(), &client);
        ASSERT_GT(client.right, 500);
        HDC canvas = CreateCompatibleDC(screen);
        HBITMAP target = CreateCompatibleBitmap(screen, client.right, client.bottom);
        HGDIOBJ old = SelectObject(canvas, target);
        EXPECT_EQ(1, SendMessageW(wizard.Sheet(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas), 0));
        SelectObject(canvas, old);
        ScreenImage painted = ReadBitmap(canvas, target, client.right, client.bottom);
        DeleteObject(target);
        DeleteDC(canvas);
        int width = client.right < 560 ? client.right : 560;
        EXPECT_TRUE(matches(painted, width, 60)) << "banner at the top left, at its own size";
        EXPECT_EQ(GetSysColor(COLOR_BTNFACE), painted.At(client.right - 1, client.bottom - 1));
        EXPECT_EQ(GetSysColor(COLOR_BTNFACE), painted.At(10, 61));

        // On the screen the banner shows above the page, which starts below it.
        RECT page = {};
        GetWindowRect(wizard.Page(), &page);
        MapWindowPoints(nullptr, wizard.Sheet(), reinterpret_cast<POINT*>(&page), 2);
        int visible = page.top < 60 ? page.top : 60;
        EXPECT_GE(visible, 50);
        EXPECT_TRUE(matches(CaptureWindow(wizard.Sheet(), true), width, visible));
    });
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(run.scriptFinished);
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
        auto hintPixels = [&](HWND control) { return CaptureWindow(control, true).Count(kHint); };

        focus(name);
        EXPECT_GT(hintPixels(surname), 10u) << "empty and unfocused";
        EXPECT_EQ(0u, hintPixels(name)) << "focused";

        focus(surname);
        EXPECT_EQ(0u, hintPixels(surname));
        EXPECT_GT(hintPixels(name), 10u) << "back after losing the focus empty";

        SetWindowTextW(surname, L"Lee");
        wizard.Settle();
        EXPECT_EQ(0u, hintPixels(surname));
        SetWindowTextW(surname, L"");
        wizard.Settle();
        EXPECT_GT(hintPixels(surname), 10u) << "cleared while focused";

        focus(name);
        EnableWindow(surname, FALSE);
        wizard.Settle();
        EXPECT_EQ(0u, CaptureWindow(surname, true).Count(kHint, 40)) << "disabled";
        EnableWindow(surname, TRUE);
    });
    EXPECT_TRUE(run.scriptFinished);
}
