// setup.exe itself refusing systems it cannot install on, in English and in Russian.
// The language follows the system locale, which Wine takes from the Unix locale of the
// test program; CMakeLists.txt runs the Russian cases with LC_ALL=ru_RU.UTF-8.
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>

#include "formats/language/language.h"
#include "setup_process.h"

namespace {

// Runs a copy of setup.exe that sees the Windows version `version` and expects it to end
// with -1 after one box showing `text`.
void ExpectRefusal(const wchar_t* version, const std::wstring& text)
{
    SetupCopy setup;
    SetupCopy::Run run;
    ASSERT_TRUE(setup.IsValid());
    ASSERT_TRUE(setup.SetWindowsVersion(version));
    ASSERT_TRUE(setup.Start(&run));
    EXPECT_EQ(static_cast<DWORD>(-1), run.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(text, run.boxes[0].text);
    // The title is the fixed English one in every language.
    EXPECT_EQ(L"Velmora Server Setup", run.boxes[0].title);
    EXPECT_EQ(nullptr, run.boxes[0].owner);
}

} // namespace

TEST(SetupStart, Windows2000IsRefusedWithMessage55AndExitCodeMinus1)
{
    ASSERT_NE(kRussianLocale, GetSystemDefaultLCID());
    ExpectRefusal(L"win2k", L"For server installation Windows XP SP2 or higher is required");
}

TEST(SetupStart, Windows2003WithoutTheHttpSslServiceIsRefusedWithMessage40)
{
    // Wine has no "HTTPFilter" service.
    ExpectRefusal(L"win2003", L"Service \"HTTP SSL (HTTPFilter)\" necessary for Velmora Server operation is not "
                              L"currently installed on your PC. Please install the service and restart the server "
                              L"setup.");
}

TEST(RussianSetupStart, ARussianSystemShowsMessage55InRussian)
{
    ASSERT_EQ(kRussianLocale, GetSystemDefaultLCID()) << "run with LC_ALL=ru_RU.UTF-8 (locale generated)";
    CLanguage russian;
    ASSERT_TRUE(russian.SelectLanguage(kRussianLocale));
    wchar_t expected[512] = {};
    ASSERT_TRUE(russian.GetString(55, expected, 512));
    ASSERT_NE(std::wstring(L"For server installation Windows XP SP2 or higher is required"), expected);

    ExpectRefusal(L"win2k", expected);
}

TEST(SetupStart, ASupportedSystemPassesTheChecksAndRunsTheWizard)
{
    SetupCopy setup;
    ASSERT_TRUE(setup.IsValid());
    ASSERT_TRUE(setup.SetWindowsVersion(L"win7"));
    SetupCopy::Run run;
    bool wizardSeen = false;
    auto cancelWizard = [&wizardSeen](DWORD processId) {
        HWND wizard = FindWizardWindow(processId);
        wizardSeen = wizard != nullptr;
        if (wizard)
            PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    };
    // Yes to "Do you really want to cancel installation?".
    auto confirm = [](const SeenMessageBox& box) {
        return box.hasButton[IDYES] ? IDYES : MessageBoxWatcher::DefaultAnswer(box);
    };
    ASSERT_TRUE(setup.Start(&run, cancelWizard, confirm));
    EXPECT_TRUE(wizardSeen);
    // A cancel before the installation ends with the wizard's result 0.
    EXPECT_EQ(0u, run.exitCode);
    for (const SeenMessageBox& box : run.boxes)
        EXPECT_NE(LoadIconW(nullptr, IDI_ERROR), box.icon) << "no start-up failure: " << box.text;
}
