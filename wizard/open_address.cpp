#include "wizard/open_address.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <new>

#include "base/bounded_text.h"
#include "base/message_pump.h"
#include "base/scoped_handle.h"
#include "base/setup_log.h"
#include "wizard/browser_choice.h"

namespace {

// The desktop's shell answers from its own process, and a shell that hangs must not hold
// the wizard: the opening has a thread of its own, waited for this long.
const DWORD kOpeningLimitMs = 15 * 1000;
// The longest address browsers take.
const size_t kAddressCapacity = 2084;

// Who is asked, and how it went, for the log.
void LogOpened(const wchar_t* by, const wchar_t* address, bool opened, HRESULT result)
{
    if (opened)
        g_setupLog.Line(L"browser: %s opened %s", by, address);
    else
        g_setupLog.Line(L"browser: %s could not open %s (0x%08lx)", by, address, static_cast<unsigned long>(result));
}

// Decides who opens it, on the opening's own thread, and has it opened.
void Open(const wchar_t* address, RunMode mode)
{
    BrowserFacts facts;
    facts.mode = mode;
    DesktopShell shell;
    // Nothing of the machine is looked at for a run without a person.
    if (mode == RunMode::kAttended) {
        facts.shell_offers_open = shell.Reach();
        if (!facts.shell_offers_open)
            g_setupLog.Line(L"browser: the desktop's shell offers no way to open an address (0x%08lx)",
                            static_cast<unsigned long>(shell.Failure()));
        // The account of the process that would open it: the one that owns the window the
        // shell named, or the system's shell window.
        facts.shell = ReadShellAccount(shell.Window());
        facts.setup_is_system = RunsAsSystem();
    }
    BrowserChoice choice = ChooseBrowserOpener(facts);
    if (choice.opener == BrowserOpener::kDesktopShell) {
        const bool opened = shell.Open(address);
        LogOpened(L"the desktop's shell", address, opened, shell.Failure());
        if (opened)
            return;
        // As if the shell had offered nothing: the setup itself only as the signed-in user.
        facts.shell_offers_open = false;
        choice = ChooseBrowserOpener(facts);
    }
    if (choice.opener == BrowserOpener::kSetupItself) {
        const HINSTANCE started = ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
        const bool opened = reinterpret_cast<INT_PTR>(started) > 32;
        LogOpened(L"the setup, as the signed-in user,", address, opened,
                  static_cast<HRESULT>(reinterpret_cast<INT_PTR>(started)));
        return;
    }
    g_setupLog.Line(L"browser: %s is not opened: %s", address, BrowserRefusalText(choice.refusal));
}

// One opening, shared by the caller and its thread: the last of the two frees it, so that
// a thread the caller stopped waiting for still has its address.
struct Opening
{
    LONG references = 2;
    RunMode mode = RunMode::kAttended;
    wchar_t address[kAddressCapacity] = {};
};

void Release(Opening* opening)
{
    if (InterlockedDecrement(&opening->references) == 0)
        delete opening;
}

DWORD WINAPI OpenOnItsThread(void* parameter)
{
    Opening* opening = static_cast<Opening*>(parameter);
    // The shell's objects live in a single-threaded apartment.
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    Open(opening->address, opening->mode);
    if (com)
        CoUninitialize();
    Release(opening);
    return 0;
}

} // namespace

void OpenAddress(const wchar_t* address, RunMode mode)
{
    Opening* opening = new (std::nothrow) Opening;
    // A cut address would open another page.
    if (!opening || !address || !FitsInto(address, kAddressCapacity) || CopyText(opening->address, address) == 0) {
        delete opening;
        g_setupLog.Line(L"browser: the address is not opened: it does not fit or no memory is left");
        return;
    }
    opening->mode = mode;
    UniqueHandle thread(CreateThread(nullptr, 0, OpenOnItsThread, opening, 0, nullptr));
    if (!thread) {
        delete opening;
        g_setupLog.Line(L"browser: the address is not opened: no thread for it (system error %lu)", GetLastError());
        return;
    }
    // Pumping: a browser started by the shell's old ways may broadcast to this thread's windows.
    WaitWithMessagePump(thread.Get(), kOpeningLimitMs, L"the browser's opening");
    Release(opening);
}
