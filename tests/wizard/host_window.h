#pragma once
#include <windows.h>

// A hidden top-level window on the test's thread that reflects its children's
// notifications the way the wizard's pages do, to try controls without a wizard.
class HostWindow
{
public:
    HostWindow();
    ~HostWindow() { DestroyWindow(window_); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return window_; }
    // A child control of the given class, style and id, 200x24 at (10, y).
    HWND AddChild(const wchar_t* cls, DWORD style, int id, int y);

private:
    HWND window_ = nullptr;
};
