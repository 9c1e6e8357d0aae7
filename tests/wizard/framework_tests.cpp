// The window framework: subclassing and notification reflection, as the pages rely on them.
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
