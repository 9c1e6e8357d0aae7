#pragma once
#include <windows.h>

// A visible top-level window on the test's thread that reflects its children's
// notifications the way the wizard's pages do, to try controls without a wizard.
class HostWindow
{
public:
    // Only a visible host is painted on the screen (and takes a moment to appear).
    explicit HostWindow(bool visible = false);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return window_; }
    // A child control of the given class, style and id, 200x24 at (10, y).
    HWND AddChild(const wchar_t* cls, DWORD style, int id, int y);
    // Handles whatever is waiting in the thread's queue.
    static void Pump();

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
};
