#pragma once
#include <windows.h>

// Attaches an object to an existing window by subclassing it: the window's messages go
// first to ProcessWindowMessage, then to the window's own procedure.
class CWindowImpl
{
public:
    CWindowImpl() = default;
    CWindowImpl(const CWindowImpl&) = delete;
    CWindowImpl& operator=(const CWindowImpl&) = delete;

    // Message map: true when the message is handled and `result` is its answer.
    virtual bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result);
    virtual ~CWindowImpl();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after the window's last message; the object is detached by then.
    virtual void OnFinalMessage(HWND window);

    // False, with the reason in the last error, when the window is missing or taken.
    bool SubclassWindow(HWND window);
    // Gives the window back its own procedure; returns it (null when none was held).
    HWND UnsubclassWindow();
    HWND Window() const { return window_; }

protected:
    // The window's own procedure, for what this object does not handle.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);

    HWND window_ = nullptr;
    WNDPROC previous_ = nullptr;
};
