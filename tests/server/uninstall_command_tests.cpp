// uninstall.exe's command line and the exit code that tells a deployment tool how it went.
#include <gtest/gtest.h>
#include <windows.h>

#include "server/uninstall_command.h"

// The setup's switches, read as its table shows, minus /config and /whatif; the old
// hand-off's /finish is a stray switch now.
TEST(UninstallCommandLine, TakesQuietNoRestartAndLogInAnyOrderAndRefusesEverythingElse)
{
    const struct { const wchar_t* line; bool run, quiet; const wchar_t* log; } cases[] = {
        {L"uninstall.exe", true, false, L""},
        {L"uninstall.exe /log \"C:\\my logs\\u.log\" -QUIET", true, true, L"C:\\my logs\\u.log"},
        {L"uninstall.exe /?", false, false, L""},
        // A refused line is read to its end: a /quiet after the refused word counts.
        {L"uninstall.exe /finish 124 C:\\Velmora /quiet", false, true, L""},
        {L"uninstall.exe /norestart /quiet", true, true, L""},
        // The setup's own switches are none of the uninstaller's.
        {L"uninstall.exe /config C:\\site.cfg /quiet", false, true, L""},
        {L"uninstall.exe /whatif", false, false, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        RunSwitches switches;
        EXPECT_EQ(c.run, ParseUninstallCommandLine(c.line, switches));
        EXPECT_EQ(c.quiet, switches.quiet);
        EXPECT_STREQ(c.log, switches.log);
    }
}

TEST(UninstallExitCode, SaysWhetherEverythingWentAndNeverReadsAFailureAsSuccessNoOrAnotherRun)
{
    using E = UninstallEnd;
    const struct { E end; DWORD error; bool everything; DWORD code; } cases[] = {
        {E::kCarriedOut, NO_ERROR, true, 0},
        {E::kCarriedOut, ERROR_ACCESS_DENIED, false, ERROR_ACCESS_DENIED},
        // A failure that the take-back counted wins over its own "everything".
        {E::kCarriedOut, ERROR_SHARING_VIOLATION, true, ERROR_SHARING_VIOLATION},
        {E::kCarriedOut, NO_ERROR, false, ERROR_GEN_FAILURE},
        {E::kCarriedOut, ERROR_PATH_NOT_FOUND, false, 0x80070003},
        {E::kCarriedOut, ERROR_INVALID_FUNCTION, false, 0x80070001},
        {E::kDeclined, NO_ERROR, false, 1},
        {E::kBesideAnother, NO_ERROR, false, 3},
        {E::kStopped, ERROR_INVALID_PARAMETER, false, ERROR_INVALID_PARAMETER},
        {E::kStopped, NO_ERROR, false, ERROR_GEN_FAILURE},
        {E::kStopped, ERROR_PATH_NOT_FOUND, true, 0x80070003},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.end) << " " << c.error << " " << c.everything);
        EXPECT_EQ(c.code, static_cast<DWORD>(UninstallExitCode(c.end, c.error, c.everything)));
    }
}
