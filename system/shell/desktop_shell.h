#pragma once
#include <windows.h>

struct IShellDispatch2;

// Whose account the process of a shell's window runs under, compared with this process's.
enum class ShellAccount
{
    kNoShell,        // no shell window: nobody is signed in here, or no shell runs
    kSetupsAccount,
    kOtherAccount,   // another user is signed in, or this process runs with another account
    kSystem,
    kUnknown,        // the shell's process or its token could not be read
};

// `shellWindow`: the window the desktop's shell named, else the system's shell window
// (GetShellWindow); kNoShell when neither is there.
ShellAccount ReadShellAccount(HWND shellWindow);

// True when this process runs as SYSTEM (under a deployment agent, say).
bool RunsAsSystem();

// The shell of the signed-in user's desktop, asked to open things in its own process and
// so with its own rights: the desktop's view, found through the shell's list of windows,
// hands out the shell's automation object. Windows XP's shell offers no desktop view
// there, nor does a machine without a shell. COM must be set up on the calling thread.
class DesktopShell
{
public:
    DesktopShell() = default;
    ~DesktopShell();
    DesktopShell(const DesktopShell&) = delete;
    DesktopShell& operator=(const DesktopShell&) = delete;

    // Finds the desktop's view and its automation object; false with the failing step's
    // result (Failure) when the shell offers none.
    bool Reach();
    // Asks the shell to open `address` with its "open" verb, in a normal window.
    bool Open(const wchar_t* address);
    HRESULT Failure() const { return failure_; }
    // The desktop's window as the shell named it; null until reached.
    HWND Window() const { return window_; }

private:
    bool Failed(HRESULT result);

    IShellDispatch2* dispatch_ = nullptr;
    HWND window_ = nullptr;
    HRESULT failure_ = S_OK;
};
