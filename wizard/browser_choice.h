#pragma once
#include "base/install_settings.h"
#include "system/shell/desktop_shell.h"

// Who opens a web address for the person at the screen. The setup runs elevated, maybe as
// SYSTEM under a deployment agent: a browser it starts itself would carry those rights.
enum class BrowserOpener
{
    kNobody,
    kDesktopShell,  // the desktop's shell, in its own process: the signed-in user's rights
    kSetupItself,   // the setup, only when it runs as the signed-in user
};

// Why nobody opens it, for the log.
enum class BrowserRefusal
{
    kNone,
    kNobodyAtScreen,  // an unattended or quiet run
    kShellIsSystem,
    kSetupIsSystem,
    kNoShell,
    kOtherAccount,
    kAccountUnknown,
};

struct BrowserFacts
{
    RunMode mode = RunMode::kAttended;
    bool shell_offers_open = false;  // the desktop's shell dispatch object was reached
    ShellAccount shell = ShellAccount::kNoShell;
    bool setup_is_system = false;
};

struct BrowserChoice
{
    BrowserOpener opener;
    BrowserRefusal refusal;
};

// The desktop's shell when it offers to open and runs as a person; otherwise the setup
// itself, only when it is that person; never in a run without a person, never as SYSTEM.
BrowserChoice ChooseBrowserOpener(const BrowserFacts& facts);

// A text naming `refusal`, for the log.
const wchar_t* BrowserRefusalText(BrowserRefusal refusal);
