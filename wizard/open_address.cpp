#include "wizard/open_address.h"

#include <windows.h>
#include <shellapi.h>

#include "base/setup_log.h"
#include "wizard/browser_choice.h"

namespace {

// Who is asked, and how it went, for the log.
void LogOpened(const wchar_t* by, const wchar_t* address, bool opened, HRESULT result)
{
    if (opened)
        g_setupLog.Line(L"browser: %s opened %s", by, address);
    else
        g_setupLog.Line(L"browser: %s could not open %s (0x%08lx)", by, address, static_cast<unsigned long>(result));
}

} // namespace

void OpenAddress(const wchar_t* address, RunMode mode)
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
