// Who opens the server's address for the person at the screen, or why nobody does.
#include <gtest/gtest.h>

#include "wizard/browser_choice.h"

namespace {

struct Row
{
    RunMode mode;
    bool shellOffersOpen;
    ShellAccount shell;
    bool setupIsSystem;
    BrowserOpener opener;
    BrowserRefusal refusal;
};

const RunMode kA = RunMode::kAttended;
const BrowserOpener kNobody = BrowserOpener::kNobody;
const BrowserOpener kShell = BrowserOpener::kDesktopShell;
const BrowserOpener kItself = BrowserOpener::kSetupItself;

} // namespace

TEST(ChooseBrowserOpener, TheSignedInUsersShellOrTheSetupAsThatUserNeverWithoutAPersonNeverAsSystem)
{
    const Row rows[] = {
        // Nobody at the screen: whatever the machine offers.
        {RunMode::kUnattended, true, ShellAccount::kSetupsAccount, false, kNobody, BrowserRefusal::kNobodyAtScreen},
        {RunMode::kQuiet, true, ShellAccount::kSetupsAccount, false, kNobody, BrowserRefusal::kNobodyAtScreen},
        {RunMode::kQuiet, false, ShellAccount::kNoShell, true, kNobody, BrowserRefusal::kNobodyAtScreen},
        // The desktop's shell opens it as the signed-in user: for an elevated setup of the
        // same account, of another account, or running as SYSTEM.
        {kA, true, ShellAccount::kSetupsAccount, false, kShell, BrowserRefusal::kNone},
        {kA, true, ShellAccount::kOtherAccount, false, kShell, BrowserRefusal::kNone},
        {kA, true, ShellAccount::kOtherAccount, true, kShell, BrowserRefusal::kNone},
        // ...never a shell that runs as SYSTEM or whose account cannot be read.
        {kA, true, ShellAccount::kSystem, false, kNobody, BrowserRefusal::kShellIsSystem},
        {kA, false, ShellAccount::kSystem, true, kNobody, BrowserRefusal::kShellIsSystem},
        {kA, true, ShellAccount::kUnknown, false, kNobody, BrowserRefusal::kAccountUnknown},
        {kA, false, ShellAccount::kUnknown, false, kNobody, BrowserRefusal::kAccountUnknown},
        // No shell offers it (Windows XP): the setup itself, only as the signed-in user.
        {kA, false, ShellAccount::kSetupsAccount, false, kItself, BrowserRefusal::kNone},
        {kA, false, ShellAccount::kOtherAccount, false, kNobody, BrowserRefusal::kOtherAccount},
        {kA, false, ShellAccount::kOtherAccount, true, kNobody, BrowserRefusal::kSetupIsSystem},
        {kA, false, ShellAccount::kNoShell, false, kNobody, BrowserRefusal::kNoShell},
        {kA, false, ShellAccount::kNoShell, true, kNobody, BrowserRefusal::kSetupIsSystem},
        // A dispatch object without a shell window to tell whose it is is not used.
        {kA, true, ShellAccount::kNoShell, false, kNobody, BrowserRefusal::kNoShell},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "mode " << static_cast<int>(row.mode) << ", shell offers "
                                          << row.shellOffersOpen << ", shell account "
                                          << static_cast<int>(row.shell) << ", setup is SYSTEM "
                                          << row.setupIsSystem);
        BrowserFacts facts;
        facts.mode = row.mode;
        facts.shell_offers_open = row.shellOffersOpen;
        facts.shell = row.shell;
        facts.setup_is_system = row.setupIsSystem;
        const BrowserChoice choice = ChooseBrowserOpener(facts);
        EXPECT_EQ(static_cast<int>(row.opener), static_cast<int>(choice.opener));
        EXPECT_EQ(static_cast<int>(row.refusal), static_cast<int>(choice.refusal));
        EXPECT_STRNE(L"?", BrowserRefusalText(choice.refusal));
    }
}
