// The window framework (subclassing, notification reflection) and the custom controls, on a
// reflecting host window of the test's own thread, as the pages rely on them. When the hint
// shows is seen on the administrator page of the running wizard.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "resources/wizard_ids.h"
#include "wizard/controls/alpha_list.h"
#include "wizard/controls/small_color_edit.h"
#include "wizard/controls/small_smart_edit.h"
#include "wizard/framework/reflection.h"
#include "wizard/framework/window_impl.h"
#include "wizard/screen_pixels.h"

namespace {

const COLORREF kHint = RGB(215, 45, 40);
const UINT kNameHint = 30;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ReflectNotification(window, message, wParam, lParam, result))
        return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

// A hidden top-level window that reflects its children's notifications the way the
// wizard's pages do, to try controls without a wizard.
class HostWindow
{
public:
    HostWindow()
    {
        WNDCLASSW cls = {};
        cls.lpfnWndProc = HostProc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"VelmoraTestHost";
        RegisterClassW(&cls);  // already registered by an earlier host: fine
        window_ = CreateWindowExW(0, cls.lpszClassName, L"host", WS_OVERLAPPEDWINDOW, 40, 40, 320, 200, nullptr,
                                  nullptr, cls.hInstance, nullptr);
    }
    ~HostWindow() { DestroyWindow(window_); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return window_; }
    // A child control of the given class, style and id, 200x24 at (10, y).
    HWND AddChild(const wchar_t* cls, DWORD style, int id, int y)
    {
        return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 10, y, 200, 24, window_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    }

private:
    HWND window_ = nullptr;
};

// Records what reaches it; answers WM_GETTEXTLENGTH itself to show that it comes first.
class RecordingWindow : public CWindowImpl
{
public:
    bool ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override
    {
        if (message >= OCM__BASE && message <= OCM__LAST)
            reflected.push_back({message, wParam, lParam});
        if (message == WM_GETTEXTLENGTH && answerLength) {
            result = 4242;
            return true;
        }
        return false;
    }
    void OnFinalMessage(HWND window) override { finalWindow = window; }

    struct Seen { UINT message; WPARAM wParam; LPARAM lParam; };
    std::vector<Seen> reflected;
    bool answerLength = false;
    HWND finalWindow = nullptr;
};

// The text colour that the host's answer to a colour message sets, on a DC whose colour no
// control would choose; every box paints on the window colour.
COLORREF TextColour(const HostWindow& host, UINT message, HWND box, LRESULT* brush)
{
    HDC dc = GetDC(box);
    SetTextColor(dc, RGB(1, 2, 3));
    *brush = SendMessageW(host.Handle(), message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), GetBkColor(dc));
    COLORREF colour = GetTextColor(dc);
    ReleaseDC(box, dc);
    return colour;
}

} // namespace

// The wrapper sees messages first and passes the rest on; a window takes one wrapper; the
// host sends a control's notifications back to it raised by 0x2000 (the colour messages
// are the custom controls' test); the wrapper lets go when the window goes away.
TEST(WindowImpl, SeesMessagesFirstGetsItsReflectedNotificationsAndDetaches)
{
    HostWindow host;
    HWND edit = host.AddChild(L"EDIT", 0, 100, 10);
    auto original = GetWindowLongPtrW(edit, GWLP_WNDPROC);
    RecordingWindow wrapper;
    ASSERT_TRUE(wrapper.SubclassWindow(edit));

    SetWindowTextW(edit, L"abc");  // the edit itself tells its parent EN_UPDATE, EN_CHANGE
    EXPECT_EQ(3, GetWindowTextLengthW(edit)) << "unhandled: the edit answers";
    ASSERT_FALSE(wrapper.reflected.empty());
    EXPECT_EQ(0x2000u + WM_COMMAND, wrapper.reflected[0].message);
    EXPECT_EQ(MAKEWPARAM(100, EN_UPDATE), wrapper.reflected[0].wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(edit), wrapper.reflected[0].lParam);
    wrapper.answerLength = true;
    EXPECT_EQ(4242, GetWindowTextLengthW(edit));

    RecordingWindow second;
    EXPECT_FALSE(second.SubclassWindow(edit));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_EQ(edit, wrapper.UnsubclassWindow());
    EXPECT_EQ(original, GetWindowLongPtrW(edit, GWLP_WNDPROC));

    ASSERT_TRUE(second.SubclassWindow(edit));  // free again
    DestroyWindow(edit);
    EXPECT_EQ(edit, second.finalWindow);
    EXPECT_EQ(nullptr, second.Window());
}

// A menu command and another window's control are not the host's to reflect.
TEST(Reflection, LeavesMenusAndStrangersAlone)
{
    HostWindow host;
    HostWindow other;
    HWND stranger = other.AddChild(L"EDIT", 0, 100, 10);
    LRESULT result = 77;
    EXPECT_FALSE(ReflectNotification(host.Handle(), WM_COMMAND, MAKEWPARAM(5, 0), 0, result));
    EXPECT_FALSE(ReflectNotification(host.Handle(), WM_COMMAND, MAKEWPARAM(100, EN_CHANGE),
                                     reinterpret_cast<LPARAM>(stranger), result));
    EXPECT_EQ(77, result);
}

TEST(SmallSmartEdit, MarkedTextColourLastsUntilTheTextChanges)
{
    HostWindow host;
    HWND box = host.AddChild(L"EDIT", WS_BORDER, 101, 10);
    CSmallSmartEdit edit(kNameHint, kHint);
    ASSERT_TRUE(edit.Attach(box));
    auto textColour = [&] {
        LRESULT brush = 0;
        COLORREF colour = TextColour(host, WM_CTLCOLOREDIT, box, &brush);
        EXPECT_EQ(reinterpret_cast<LRESULT>(edit.Brush()), brush);
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
    LRESULT brush = 0;
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), TextColour(host, WM_CTLCOLORSTATIC, box, &brush));
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
