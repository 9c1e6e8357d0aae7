// The window framework: subclassing and notification reflection.
#include <gtest/gtest.h>

#include <vector>

#include "wizard/framework/reflection.h"
#include "wizard/framework/window_impl.h"
#include "wizard/host_window.h"

namespace {

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

} // namespace

TEST(WindowImpl, SeesMessagesFirstAndPassesTheRestToTheWindow)
{
    HostWindow host;
    HWND edit = host.AddChild(L"EDIT", 0, 100, 10);
    auto original = GetWindowLongPtrW(edit, GWLP_WNDPROC);
    RecordingWindow wrapper;
    ASSERT_TRUE(wrapper.SubclassWindow(edit));
    EXPECT_EQ(edit, wrapper.Window());

    SetWindowTextW(edit, L"abc");  // unhandled: the edit keeps working
    wchar_t text[16] = {};
    GetWindowTextW(edit, text, 16);
    EXPECT_STREQ(L"abc", text);
    wrapper.answerLength = true;
    EXPECT_EQ(4242, GetWindowTextLengthW(edit));

    RecordingWindow second;
    EXPECT_FALSE(second.SubclassWindow(edit));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_FALSE(second.SubclassWindow(nullptr));

    EXPECT_EQ(edit, wrapper.UnsubclassWindow());
    EXPECT_EQ(original, GetWindowLongPtrW(edit, GWLP_WNDPROC));
    EXPECT_EQ(3, GetWindowTextLengthW(edit));
    EXPECT_TRUE(second.SubclassWindow(edit));  // free again
}

TEST(WindowImpl, DetachesWhenTheWindowGoesAway)
{
    HostWindow host;
    HWND edit = host.AddChild(L"EDIT", 0, 100, 10);
    RecordingWindow wrapper;
    ASSERT_TRUE(wrapper.SubclassWindow(edit));
    DestroyWindow(edit);
    EXPECT_EQ(edit, wrapper.finalWindow);
    EXPECT_EQ(nullptr, wrapper.Window());
}

TEST(Reflection, ControlNotificationsGoBackToTheControlRaisedBy0x2000)
{
    HostWindow host;
    HWND edit = host.AddChild(L"EDIT", 0, 100, 10);
    RecordingWindow wrapper;
    ASSERT_TRUE(wrapper.SubclassWindow(edit));

    SetWindowTextW(edit, L"x");  // the edit itself tells its parent EN_UPDATE, EN_CHANGE
    ASSERT_GE(wrapper.reflected.size(), 2u);
    EXPECT_EQ(0x2000u + WM_COMMAND, wrapper.reflected[0].message);
    EXPECT_EQ(MAKEWPARAM(100, EN_UPDATE), wrapper.reflected[0].wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(edit), wrapper.reflected[0].lParam);
    EXPECT_EQ(MAKEWPARAM(100, EN_CHANGE), wrapper.reflected[1].wParam);

    wrapper.reflected.clear();
    HDC dc = GetDC(edit);
    SendMessageW(host.Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    ReleaseDC(edit, dc);
    ASSERT_EQ(1u, wrapper.reflected.size());
    EXPECT_EQ(OCM__BASE + WM_CTLCOLOREDIT, wrapper.reflected[0].message);
}

TEST(Reflection, LeavesMenusAndStrangersAlone)
{
    HostWindow host;
    HostWindow other;
    HWND stranger = other.AddChild(L"EDIT", 0, 100, 10);
    LRESULT result = 77;
    EXPECT_FALSE(ReflectNotification(host.Handle(), WM_COMMAND, MAKEWPARAM(5, 0), 0, result));
    EXPECT_FALSE(ReflectNotification(host.Handle(), WM_COMMAND, MAKEWPARAM(100, EN_CHANGE),
                                     reinterpret_cast<LPARAM>(stranger), result));
    NMHDR fromItself = {host.Handle(), 0, 0};
    EXPECT_FALSE(ReflectNotification(host.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&fromItself), result));
    EXPECT_FALSE(ReflectNotification(host.Handle(), WM_PAINT, 0, 0, result));
    EXPECT_EQ(77, result);
}
