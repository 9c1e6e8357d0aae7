// setup.exe's start-up checks and exit codes, from copies run as a person (or a deployment
// tool) would: 1 installed (shown by the whole installations), 2 the installation failed or
// was cancelled while it ran, 0 cancelled before it, -1 a start-up check failed. The
// refusal's language follows the system locale, which Wine takes from the Unix locale of
// the test program; CMakeLists.txt runs the Russian case with LC_ALL=ru_RU.UTF-8.
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>

#include "e2e/setup_runs.h"
#include "formats/language/language.h"
#include "wizard/setup_exit_code.h"

namespace {

const wchar_t kTooOld[] = L"For server installation Windows XP SP2 or higher is required";

class SetupStartTest : public SetupRunTest
{
protected:
    // A copy that sees the Windows version `version` ends with -1 after one box showing `text`.
    void ExpectRefusal(const wchar_t* version, const std::wstring& text)
    {
        ASSERT_TRUE(SetWindowsVersion(version));
        ProgramRun run = RunSetup();
        EXPECT_EQ(static_cast<DWORD>(-1), run.exitCode);
        ASSERT_EQ(1u, run.boxes.size());
        EXPECT_EQ(text, run.boxes[0].text);
        // The title is the fixed English one in every language.
        EXPECT_EQ(L"Velmora Server Setup", run.boxes[0].title);
        EXPECT_EQ(nullptr, run.boxes[0].owner);
    }
};
using SetupStart = SetupStartTest;
using RussianSetupStart = SetupStartTest;
using SetupExitCodes = SetupRunTest;
using SetupWithoutDisplay = SetupRunTest;

} // namespace

TEST_F(SetupStart, UnsupportedSystemsAreRefusedWithExitCodeMinus1)
{
    ASSERT_NE(kRussianLocale, GetSystemDefaultLCID());
    const struct
    {
        const wchar_t* version;
        const wchar_t* text;
    } cases[] = {
        {L"win2k", kTooOld},
        // Wine has no "HTTPFilter" service.
        {L"win2003", L"Service \"HTTP SSL (HTTPFilter)\" necessary for Velmora Server operation is not currently "
                     L"installed on your PC. Please install the service and restart the server setup."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        ASSERT_NO_FATAL_FAILURE(ExpectRefusal(c.version, c.text));
    }
}

TEST_F(RussianSetupStart, ARussianSystemShowsMessage55InRussian)
{
    ASSERT_EQ(kRussianLocale, GetSystemDefaultLCID()) << "run with LC_ALL=ru_RU.UTF-8 (locale generated)";
    CLanguage russian;
    ASSERT_TRUE(russian.SelectLanguage(kRussianLocale));
    wchar_t expected[512] = {};
    ASSERT_TRUE(russian.GetString(55, expected, 512));
    ASSERT_NE(std::wstring(kTooOld), expected);
    ASSERT_NO_FATAL_FAILURE(ExpectRefusal(L"win2k", expected));
}

TEST(SetupExitCode, TheInstallationsOutcomeDecidesOverTheSheetsResult)
{
    // Finish after a failed run gives the sheet the same result as after a success, and
    // the unattended end closes the sheet through its quit message (-1).
    const struct
    {
        int sheetResult;
        InstallOutcome outcome;
        int exitCode;
    } cases[] = {
        {1, InstallOutcome::Succeeded, kExitInstalled},   {-1, InstallOutcome::Succeeded, kExitInstalled},
        {1, InstallOutcome::Failed, kExitInstallFailed},  {-1, InstallOutcome::Failed, kExitInstallFailed},
        {0, InstallOutcome::NotStarted, kExitCancelled},  {-1, InstallOutcome::NotStarted, kExitFailure},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.exitCode, SetupExitCode(c.sheetResult, c.outcome)) << c.sheetResult;
}

// A supported system passes the start-up checks and the wizard shows; the cancel question,
// answered Yes, is the only box, and the code is 0. (A run that fails or is cancelled during
// the installation ends with 2: WholeInstallation.Switches... and ProgressPage.CancelAnsweredYes...)
TEST_F(SetupExitCodes, CancelOnTheWelcomePageEndsWith0)
{
    ASSERT_NO_FATAL_FAILURE(WriteSettingsFile("domain=localhost\r\n"));
    ProgramRun run = RunSetup([](WizardDriver& wizard) {
        PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(L"Do you really want to cancel installation?", run.boxes[0].text);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_FALSE(installation_.InstallDirExists());
    EXPECT_FALSE(installation_.ServiceExists());
}

// The lock comes before the log. A quiet run started while an attended one waits on its
// welcome page with the same /log ends with 3 and writes nothing into the first's log; one
// without /log says so in a new log of its own, under a name of that run alone.
TEST_F(SetupExitCodes, ASecondRunEndsWith3WithoutTouchingTheFirstsLog)
{
    ASSERT_NO_FATAL_FAILURE(WriteSettingsFile("domain=localhost\r\n"));
    const std::wstring log = folder_.File(L"run.log");
    ProgramRun sameLog, ownLog;
    std::vector<std::wstring> ownLogs;
    ProgramRun run = RunSetup(
        [&](WizardDriver& wizard) {
            sameLog = RunProgram({SetupCommand(L"/quiet /log=\"" + log + L"\""), nullptr});
            const std::set<std::wstring> before = DefaultLogs();
            ownLog = RunProgram({SetupCommand(L"/quiet"), nullptr});
            ownLogs = NewDefaultLogs(before);
            PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        },
        L"/log=\"" + log + L"\"");
    EXPECT_EQ(0u, run.exitCode);
    for (const ProgramRun* second : {&sameLog, &ownLog}) {
        EXPECT_EQ(static_cast<DWORD>(kExitAlreadyRunning), second->exitCode);
        EXPECT_TRUE(second->boxes.empty());
    }
    const std::string first = ReadWholeFile(log);
    EXPECT_EQ(first.find("==== Velmora Server Setup"), first.rfind("==== Velmora Server Setup")) << first;
    EXPECT_EQ(std::string::npos, first.find("Another Velmora Server setup or uninstall is running")) << first;
    ASSERT_EQ(1u, ownLogs.size());
    const std::wstring name = ownLogs[0].substr(ownLogs[0].find_last_of(L'\\') + 1);
    // VelmoraSetup-YYYYMMDDTHHMMSSZ-<16 hexadecimal digits>.log
    EXPECT_EQ(13u + 16 + 1 + 16 + 4, name.size()) << name;
    const std::string own = ReadWholeFile(ownLogs[0]);
    EXPECT_NE(std::string::npos, own.find("Another Velmora Server setup or uninstall is running")) << own;
    EXPECT_NE(std::string::npos, own.find("==== exit code 3")) << own;
    DeleteFileW(ownLogs[0].c_str());
}

// What a deployment tool may get wrong on the line or in the settings file: each run ends by
// itself with -1 and says why, only in the log when /quiet is anywhere on the line (its own
// new log here), in its one box otherwise, and changes nothing. The file that /config names
// is read instead of velmorasetup.cfg: the domain that only it gives is the one refused.
TEST_F(SetupExitCodes, RefusedLinesAndSettingsFilesEndWithMinus1AndSayWhy)
{
    ASSERT_NO_FATAL_FAILURE(WriteSettingsFile("domain=localhost\r\n"));
    const std::wstring named = folder_.File(L"site.cfg");
    ASSERT_TRUE(WriteWholeFile(named, "domain=named_file.invalid\r\n"));
    const char kNamedRead[] = "The domain name \"named_file.invalid\" is not a valid host name";
    const char kNotUsed[] = "given with /config is not used: ";
    const struct
    {
        const char* what;
        std::wstring arguments;
        bool quiet;
        std::vector<std::string> said;  // in the log (quiet) or the box
    } cases[] = {
        {"a stray word before /quiet", L"stray /quiet", true,
         {"command line: ", "Unknown argument: stray", "setup.exe [/quiet] [/norestart] [/config FILE]", "Exit codes: ",
          "==== exit code -1"}},
        {"an unknown switch, attended", L"/no-such-switch", false, {"Unknown argument: /no-such-switch\r\n"}},
        {"/config FILE", L"/quiet /config \"" + named + L"\"", true, {kNamedRead, "==== exit code -1"}},
        {"/config=FILE in the current folder", L"/config=site.cfg /quiet", true, {kNamedRead}},
        {"/config, attended", L"/config=site.cfg /norestart", false, {kNamedRead}},
        {"/config's file missing", L"/quiet /config=none.cfg", true, {kNotUsed, "it does not exist"}},
        {"/config's file missing, attended", L"/config none.cfg", false, {kNotUsed, "it does not exist"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::set<std::wstring> logsBefore = DefaultLogs();
        ProgramRun run = RunSetup(nullptr, c.arguments);
        const std::vector<std::wstring> madeLogs = NewDefaultLogs(logsBefore);
        EXPECT_EQ(static_cast<DWORD>(-1), run.exitCode);
        std::string said;
        if (c.quiet) {
            EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
            ASSERT_EQ(1u, madeLogs.size());
            said = ReadWholeFile(madeLogs[0]);
            DeleteFileW(madeLogs[0].c_str());
        } else {
            EXPECT_TRUE(madeLogs.empty());
            ASSERT_EQ(1u, run.boxes.size());
            const std::wstring& text = run.boxes[0].text;
            said.assign(text.begin(), text.end());  // the texts looked for are ASCII
        }
        for (const std::string& part : c.said)
            EXPECT_NE(std::string::npos, said.find(part)) << part << "\n" << said;
        EXPECT_FALSE(installation_.InstallDirExists());
        EXPECT_FALSE(installation_.ServiceExists());
    }
}

// Where no window can be made (CMakeLists.txt runs this with no display), a quiet run cannot
// go through its pages: it ends with -1 and says why in its log, never with 0 as after a
// cancel, and installs nothing.
TEST_F(SetupWithoutDisplay, AQuietRunThatCannotMakeItsWindowEndsWithMinus1AndSaysWhy)
{
    wchar_t display[256] = {};
    ASSERT_EQ(0u, GetEnvironmentVariableW(L"DISPLAY", display, 256)) << "run with DISPLAY empty";
    ASSERT_NO_FATAL_FAILURE(WriteSettingsFile(std::string(kAccountSettings) + "domain=localhost\r\n"));
    const std::wstring log = folder_.File(L"run.log");
    ProgramRun run = RunSetup(nullptr, L"/quiet /log=\"" + log + L"\"");
    EXPECT_EQ(static_cast<DWORD>(-1), run.exitCode);
    const std::string logged = ReadWholeFile(log);
    for (const char* line : {"start-up: checks passed", "wizard: its window could not be created (system error ",
                             "Setup could not create its window, so nothing was installed: ", "==== exit code -1"})
        EXPECT_NE(std::string::npos, logged.find(line)) << line << "\n" << logged;
    EXPECT_FALSE(installation_.InstallDirExists());
    EXPECT_FALSE(installation_.ServiceExists());
}

// The usage and the refusal in the system's language.
TEST_F(RussianSetupStart, ARefusedCommandLineShowsTheUsageInRussian)
{
    ASSERT_EQ(kRussianLocale, GetSystemDefaultLCID()) << "run with LC_ALL=ru_RU.UTF-8 (locale generated)";
    ProgramRun run = RunSetup(nullptr, L"stray");
    EXPECT_EQ(static_cast<DWORD>(-1), run.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    const std::wstring& text = run.boxes[0].text;
    EXPECT_EQ(0u, text.find(L"Неизвестный аргумент: stray\r\n\r\nsetup.exe [")) << text;
    for (const wchar_t* part : {L"  /norestart  ", L"  /config ФАЙЛ", L"  /whatif ", L"Коды завершения: "})
        EXPECT_NE(std::wstring::npos, text.find(part)) << text;
}
