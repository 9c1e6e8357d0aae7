// The custom controls on a reflecting host window of the test's own thread. When the hint
// shows is seen on the administrator page of the running wizard.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "resources/wizard_ids.h"
#include "wizard/controls/alpha_list.h"
#include "wizard/controls/small_color_edit.h"
#include "wizard/controls/small_smart_edit.h"
#include "wizard/framework/reflection.h"
#include "wizard/host_window.h"
#include "wizard/screen_pixels.h"

namespace {
const COLORREF kHint = RGB(215, 45, 40);
const UINT kNameHint = 30;
}

TEST(SmallSmartEdit, MarkedTextColourLastsUntilTheTextChanges)
{
    HostWindow host;
    HWND box = host.AddChild(L"EDIT", WS_BORDER, 101, 10);
    CSmallSmartEdit edit(kNameHint, kHint);
    ASSERT_TRUE(edit.Attach(box));
    auto textColour = [&] {
        HDC dc = GetDC(box);
        LRESULT brush = SendMessageW(host.Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(box));
        COLORREF colour = GetTextColor(dc);
        EXPECT_EQ(reinterpret_cast<LRESULT>(edit.Brush()), brush);
        EXPECT_EQ(GetSysColor(COLOR_WINDOW), GetBkColor(dc));
        ReleaseDC(box, dc);
        return colour;
    };
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), textColour());
    edit.SetTextColour(kHint);
    EXPECT_EQ(kHint, textColour());
    SetWindowTextW(box, L"changed");
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), textColour());
}

TEST(SmallColorEdit, ReadOnlyBoxGetsItsWhiteBrushAndWindowColours)
{
    HostWindow host;
    HWND box = host.AddChild(L"EDIT", ES_READONLY | WS_BORDER, 103, 10);
    CSmallColorEdit edit(RGB(255, 255, 255));
    ASSERT_TRUE(edit.SubclassWindow(box));
    HDC dc = GetDC(box);
    SetTextColor(dc, RGB(1, 2, 3));
    LRESULT brush = SendMessageW(host.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), GetTextColor(dc));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), GetBkColor(dc));
    ReleaseDC(box, dc);
    LOGBRUSH colour = {};
    ASSERT_TRUE(GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof(colour), &colour));
    EXPECT_EQ(RGB(255, 255, 255), colour.lbColor);
}

TEST(AlphaList, CutsTheStateStripIntoThreeMaskedImages)
{
    CAlphaList states;
    ASSERT_TRUE(states.AddBitmap(IDB_STEP_STATES, 18, 20));
    ASSERT_EQ(3, ImageList_GetImageCount(states.Handle()));
    EXPECT_FALSE(states.AddBitmap(9999, 18, 20));
    EXPECT_EQ(3, ImageList_GetImageCount(states.Handle()));

    // Drawn over grey, white is transparent: the images carry their masks.
    const COLORREF grey = RGB(90, 90, 90);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 54, 20);
    HGDIOBJ old = SelectObject(dc, canvas);
    HBRUSH fill = CreateSolidBrush(grey);
    RECT all = {0, 0, 54, 20};
    FillRect(dc, &all, fill);
    for (int i = 0; i < 3; ++i)
        ImageList_Draw(states.Handle(), i, dc, i * 18, 0, ILD_TRANSPARENT);
    SelectObject(dc, old);
    ScreenImage drawn = ReadBitmap(dc, canvas, 54, 20);
    DeleteObject(fill);
    DeleteObject(canvas);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(grey, drawn.At(0, 0));
    EXPECT_EQ(0u, drawn.Count(RGB(255, 255, 255)));
    EXPECT_LT(drawn.Count(grey), 54u * 20u) << "the shapes are drawn";
}
