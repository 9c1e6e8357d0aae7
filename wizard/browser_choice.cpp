#include "wizard/browser_choice.h"

namespace {

BrowserChoice Nobody(BrowserRefusal why)
{
    return {BrowserOpener::kNobody, why};
}

} // namespace

BrowserChoice ChooseBrowserOpener(const BrowserFacts& facts)
{
    if (facts.mode != RunMode::kAttended)
        return Nobody(BrowserRefusal::kNobodyAtScreen);
    // Whatever the shell starts runs as the shell does; one that cannot be told from
    // SYSTEM is not asked either.
    if (facts.shell == ShellAccount::kSystem)
        return Nobody(BrowserRefusal::kShellIsSystem);
    if (facts.shell == ShellAccount::kUnknown)
        return Nobody(BrowserRefusal::kAccountUnknown);
    if (facts.shell_offers_open && facts.shell != ShellAccount::kNoShell)
        return {BrowserOpener::kDesktopShell, BrowserRefusal::kNone};
    if (facts.setup_is_system)
        return Nobody(BrowserRefusal::kSetupIsSystem);
    switch (facts.shell) {
    case ShellAccount::kSetupsAccount:
        return {BrowserOpener::kSetupItself, BrowserRefusal::kNone};
    case ShellAccount::kOtherAccount:
        return Nobody(BrowserRefusal::kOtherAccount);
    default:
        return Nobody(BrowserRefusal::kNoShell);
    }
}

const wchar_t* BrowserRefusalText(BrowserRefusal refusal)
{
    switch (refusal) {
    case BrowserRefusal::kNone:
        return L"none";
    case BrowserRefusal::kNobodyAtScreen:
        return L"nobody is at the screen in an unattended or quiet run";
    case BrowserRefusal::kShellIsSystem:
        return L"the desktop's shell runs as SYSTEM";
    case BrowserRefusal::kSetupIsSystem:
        return L"the setup runs as SYSTEM and the desktop's shell offers no way to open it";
    case BrowserRefusal::kNoShell:
        return L"no desktop shell runs for a signed-in user";
    case BrowserRefusal::kOtherAccount:
        return L"the setup runs under another account than the signed-in user and the desktop's shell "
               L"offers no way to open it";
    case BrowserRefusal::kAccountUnknown:
        return L"the desktop shell's account could not be read";
    }
    return L"?";
}
