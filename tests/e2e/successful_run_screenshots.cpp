// Pictures of a successful attended run of setup.exe into the default folder, page by page,
// and of the installed uninstaller's question, for people to look at
// (tests/wizard/screenshots.sh runs this in English and Russian at 96 and 144 DPI and turns
// them into PNG files).
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>

#include "e2e/setup_runs.h"
#include "resources/wizard_ids.h"
#include "support/hosts_file_keeper.h"
#include "support/uninstall_entry_reader.h"
#include "support/wait_until.h"
#include "wizard/browser_recorder.h"
#include "wizard/screen_pixels.h"

namespace {

const wchar_t kDefaultFolder[] = L"C:\\Program Files\\Velmora";
const wchar_t kDefaultService[] = L"velmora";

class Screenshots : public SetupRunTest
{
protected:
    // What the run left, should it stop before its quiet uninstall: the next run installs anew.
    ~Screenshots() override
    {
        RemoveInstallation(kDefaultFolder, kDefaultService);
        RemoveProgramGroup();
    }
};

// The window of another process as the screen shows it.
void Save(HWND window, const wchar_t* name)
{
    EXPECT_TRUE(window && SaveWindowBitmap(window, ScreenshotPath(name))) << name;
}

} // namespace

TEST_F(Screenshots, ASuccessfulRunPageByPage)
{
    if (ScreenshotPath(L"").empty())
        GTEST_SKIP() << "VELMORA_SCREENSHOTS is not set";
    ASSERT_FALSE(PathExists(kDefaultFolder)) << "an installation is already in the default folder";
    HostsFileKeeper hosts;
    // A domain that does not resolve, so that the domain page shows too.
    ASSERT_NO_FATAL_FAILURE(WriteSettingsFile("domain=velmora-screenshots.invalid\r\n", false));
    BrowserRecorder browser(L"https");
    ASSERT_TRUE(browser.Ready());
    bool finished = false;
    ProgramRun run = RunSetup([&](WizardDriver& wizard) {
        // The caret of the focused field after its text, as after typing, not over its first letter.
        auto caretToEnd = [&](int id) { SendMessageW(wizard.Item(id), EM_SETSEL, 0x7FFF, 0x7FFF); };
        Save(wizard.Sheet(), L"1-welcome");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_LICENSE));
        wizard.Click(IDC_AGREEMENT_ACCEPT);
        Save(wizard.Sheet(), L"2-agreement");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_SETCONF));
        caretToEnd(IDC_INSTALL_DIR);
        Save(wizard.Sheet(), L"3-settings");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_SETHOST));
        Save(wizard.Sheet(), L"4-domain");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        ASSERT_TRUE(TypeInto(wizard, IDC_ADMIN_NAME, L"Ann") && TypeInto(wizard, IDC_ADMIN_SURNAME, L"Lee") &&
                    TypeInto(wizard, IDC_ADMIN_PASSWORD, L"Secret-42") &&
                    TypeInto(wizard, IDC_ADMIN_CONFIRM, L"Secret-42"));
        caretToEnd(IDC_ADMIN_NAME);
        Save(wizard.Sheet(), L"5-administrator");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_INSTALL));
        finished = WaitUntil([&] { return wizard.ButtonEnabled(WizardDriver::kFinishButton); }, kInstallTimeoutMs);
        Save(wizard.Sheet(), L"6-progress");
        PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, finished ? PSBTN_FINISH : PSBTN_CANCEL, 0);
    });
    ASSERT_TRUE(finished);  // the script's last step: an ASSERT in it only left the script
    EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
    EXPECT_EQ(1u, run.exitCode);
    ASSERT_EQ(kDefaultFolder, UninstallEntryReader(kDefaultService).Text(L"InstallLocation"));

    // The installed uninstaller's question, answered No: the installation stays.
    ProgramRun declined = RunProgram({UninstallEntryReader(kDefaultService).Text(L"UninstallString"),
                                      [](const SeenMessageBox& box) {
                                          Save(FindWindowW(L"#32770", box.title.c_str()), L"7-uninstall-prompt");
                                          return IDNO;
                                      }});
    EXPECT_EQ(1u, declined.boxes.size());
    EXPECT_TRUE(PathExists(kDefaultFolder));
    ProgramRun removed = RunProgram({UninstallEntryReader(kDefaultService).Text(L"QuietUninstallString"), nullptr,
                                     nullptr, nullptr, kInstallTimeoutMs});
    EXPECT_EQ(0u, removed.exitCode);
    EXPECT_FALSE(PathExists(kDefaultFolder));
}
