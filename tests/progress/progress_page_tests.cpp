// What only the progress page does, in a real sheet over a real installation of the
// embedded server: rows, bar and status line as the engine reports, the cancel question
// during the run and none after it, Finish offered, the browser opened or not, the box the
// engine asks for. (A quiet run's own end and log: WholeInstallation in the e2e tests.)
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "base/install_settings.h"
#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "engine/install_reporter.h"
#include "progress/progress_sheet.h"
#include "resources/wizard_ids.h"
#include "services/service_test_support.h"
#include "support/captured_log.h"
#include "support/installation_fixture.h"
#include "support/system_error_text.h"
#include "wizard/browser_recorder.h"
#include "wizard/open_address.h"

namespace {

enum RowImage { kNoImage = -1, kArrow, kCheck, kCross };
const int kRows = 7;

class ProgressPage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        installation_.PrepareSettings();
        ASSERT_TRUE(log_.Opened());
    }

    InstallationFixture installation_{L"progress"};
    // Its lines tell when the run is held and whether a browser was asked for.
    CapturedLog log_;
};

// Rows are reached in order: done rows, then at most one started or failed row, then rows
// that show nothing yet.
bool RowsInOrder(const std::vector<int>& images)
{
    auto row = std::find_if(images.begin(), images.end(), [](int image) { return image != kCheck; });
    if (row != images.end() && *row != kNoImage)
        ++row;
    return std::all_of(row, images.end(), [](int image) { return image == kNoImage; });
}

// The first row showing `image`, -1 when none does.
int RowWith(const std::vector<int>& images, int image)
{
    auto row = std::find(images.begin(), images.end(), image);
    return row == images.end() ? -1 : static_cast<int>(row - images.begin());
}

// A server of the installation's name that stays "stopping" until the test lets it go:
// the run waits for it in its first step, however fast or slow the machine is.
class SlowToStopServer
{
public:
    explicit SlowToStopServer(const std::wstring& name)
        : name_(name), release_(CreateEventW(nullptr, TRUE, FALSE, ReleaseName().c_str()))
    {
        const std::wstring command = FixtureCommandLine((L"stop-held=" + ReleaseName()).c_str());
        running_ = g_setupTools.InstallService(command.c_str(), name.c_str(), name.c_str(), L"test") &&
                   g_setupTools.ControlServiceAndWait(name.c_str(), false) == SERVICE_RUNNING;
    }
    ~SlowToStopServer() { LetGo(); }

    bool Running() const { return running_; }
    void LetGo() const { SetEvent(release_.Get()); }
    DWORD State() const { return g_setupTools.GetServiceState(name_.c_str()); }

private:
    static std::wstring ReleaseName()
    {
        return L"Global\\velmora-progress-release-" + std::to_wstring(GetCurrentProcessId());
    }

    std::wstring name_;
    UniqueHandle release_;
    bool running_ = false;
};

bool FinishOnly(const WizardDriver& wizard)
{
    return wizard.ButtonEnabled(WizardDriver::kFinishButton) && !wizard.ButtonEnabled(WizardDriver::kNextButton) &&
           !wizard.ButtonEnabled(WizardDriver::kBackButton) && !IsWindowEnabled(GetDlgItem(wizard.Sheet(), IDCANCEL));
}

} // namespace

TEST_F(ProgressPage, ARealInstallationMovesRowsAndBarGoesOnAfterCancelNoAndEndsWithSevenChecks)
{
    BrowserRecorder browser(L"https");
    ASSERT_TRUE(browser.Ready());
    std::vector<ProgressView> views;
    std::wstring rowText;
    wchar_t status[512] = {};
    bool openAfterNo = false, finishOnly = false;
    int imageCount = 0;
    const WizardDriver* driver = nullptr;
    ProgressView whenAnswered;
    bool heldUnderQuestion = false;
    ProgressRun run = RunProgressPage(
        [&](WizardDriver& wizard) {
            driver = &wizard;
            HWND list = wizard.Item(IDC_PROGRESS_STEPS);
            imageCount = ImageList_GetImageCount(
                reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0)));
            wchar_t text[128] = {};
            LVITEMW item = {};
            item.pszText = text;
            item.cchTextMax = 128;
            SendMessageW(list, LVM_GETITEMTEXTW, 6, reinterpret_cast<LPARAM>(&item));
            rowText = text;
            // Unpacking has begun once the first row is checked; its arrow alone may come
            // and go between two looks at a fast machine.
            WatchProgress(wizard, views, [](const ProgressView& view) { return RowWith(view.images, kCheck) == 0; });
            wizard.Press(PSBTN_CANCEL);  // No
            openAfterNo = IsWindow(wizard.Sheet()) != FALSE;
            WatchProgress(wizard, views);
            wizard.Settle();
            GetWindowTextW(wizard.Item(IDC_PROGRESS_STATUS), status, 512);
            finishOnly = FinishOnly(wizard);
            wizard.Press(PSBTN_FINISH);
        },
        [&](const SeenMessageBox&) {
            heldUnderQuestion = WaitUntil([&] { return log_.Has("held at its check until the cancel question"); });
            whenAnswered = ReadProgress(*driver);
            return IDNO;
        });

    ASSERT_TRUE(run.scriptFinished);
    EXPECT_EQ(1u, run.boxes.size());  // the cancel question
    EXPECT_TRUE(openAfterNo);
    // The run waits for the answer at its next check: it cannot end under the question.
    EXPECT_TRUE(heldUnderQuestion);
    ASSERT_EQ(static_cast<size_t>(kRows), whenAnswered.images.size());
    EXPECT_NE(kCheck, whenAnswered.images.back());
    EXPECT_EQ(3, imageCount);  // arrow, check, cross from bitmap 1
    EXPECT_EQ(L"  Initialize (this can take several minutes)", rowText);
    ASSERT_GE(views.size(), 3u);
    bool sawArrow = false, sawPartialBar = false;
    int lastBar = 0;
    for (const ProgressView& view : views) {
        ASSERT_EQ(static_cast<size_t>(kRows), view.images.size());
        EXPECT_TRUE(RowsInOrder(view.images));
        EXPECT_EQ(-1, RowWith(view.images, kCross));
        sawArrow |= RowWith(view.images, kArrow) >= 0;
        sawPartialBar |= view.bar > 0 && view.bar < 100;
        EXPECT_GE(view.bar, lastBar);  // the bar never goes back
        lastBar = view.bar;
    }
    // The last row has no image until the engine reaches it.
    EXPECT_EQ(kNoImage, views.front().images[kRows - 1]);
    EXPECT_TRUE(sawArrow);
    EXPECT_TRUE(sawPartialBar);
    EXPECT_EQ(std::vector<int>(kRows, kCheck), views.back().images);
    EXPECT_EQ(100, views.back().bar);
    EXPECT_EQ(L"Installation successfully completed. Click the \"Finish\" button to exit", std::wstring(status));
    EXPECT_TRUE(finishOnly);
    // Finish opens the running server: the domain name resolves, the scheme is https.
    EXPECT_EQ(L"https://localhost", browser.WaitForAddress());
    EXPECT_EQ(1, run.exitCode);
}

TEST_F(ProgressPage, CancelAnsweredYesStopsTheRunningStepWithACrossAndFinishOpensNothing)
{
    BrowserRecorder browser(L"https");  // so that a wrong opening starts no real browser
    ASSERT_TRUE(browser.Ready());
    SlowToStopServer server(installation_.ServiceName());
    ASSERT_TRUE(server.Running());
    std::atomic<bool> answered{false};
    bool openAfterYes = false, finishOnly = false;
    wchar_t status[512] = {};
    std::vector<ProgressView> views;
    ProgressRun run = RunProgressPage(
        [&](WizardDriver& wizard) {
            ASSERT_TRUE(WaitUntil([&] { return server.State() == SERVICE_STOP_PENDING; }, 60000));
            // Pressed without waiting: the confirmed cancel waits for the worker.
            PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            // The question, owned by the sheet, disables it until it is answered and gone.
            ASSERT_TRUE(WaitUntil([&] { return answered && IsWindowEnabled(wizard.Sheet()); }));
            // Handled once the sheet, past the question, takes messages again.
            wizard.Settle();
            openAfterYes = IsWindow(wizard.Sheet()) != FALSE;
            // The worker leaves the server's stop wait without it: the step's cross comes
            // while the server still holds its stop...
            WatchProgress(wizard, views, [](const ProgressView& view) { return RowWith(view.images, kCross) == 0; });
            // ... and the rollback waits for the stop to end, to start the server it stopped.
            server.LetGo();
            WatchProgress(wizard, views);
            wizard.Settle();
            GetWindowTextW(wizard.Item(IDC_PROGRESS_STATUS), status, 512);
            finishOnly = FinishOnly(wizard);
            wizard.Press(PSBTN_FINISH);
        },
        [&](const SeenMessageBox&) {
            answered = true;
            return IDYES;
        });

    ASSERT_TRUE(run.scriptFinished);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(L"Do you really want to cancel installation?", run.boxes[0].text);
    EXPECT_EQ(L"Velmora Server Setup", run.boxes[0].title);
    EXPECT_EQ(LoadIconW(nullptr, IDI_QUESTION), run.boxes[0].icon);
    EXPECT_EQ(run.sheet, run.boxes[0].owner);
    EXPECT_TRUE(openAfterYes);
    // The step that ran when the cancel came fails; nothing after it is reached.
    EXPECT_EQ(0, RowWith(views.back().images, kCross));
    EXPECT_TRUE(RowsInOrder(views.back().images));
    EXPECT_EQ(100, views.back().bar);
    EXPECT_EQ(L"Installation cancelled. Click the \"Finish\" button to exit", std::wstring(status));
    EXPECT_TRUE(finishOnly);
    // Every opening, made or refused, is logged before Finish returns: none was asked for.
    EXPECT_FALSE(log_.Has("browser:")) << log_.Text();
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), server.State());
}

TEST_F(ProgressPage, AFailedRunShowsTheEnginesWarningOnThePageAndCancelAfterItClosesAtOnce)
{
    // The server's own service of the name, which its administrator has disabled, is kept:
    // the start step fails with the engine's warning.
    ASSERT_TRUE(InstallServerService(g_settings.install_dir, g_settings.service_name, SERVICE_DISABLED));
    std::vector<ProgressView> views;
    wchar_t status[512] = {};
    ProgressRun run = RunProgressPage([&](WizardDriver& wizard) {
        WatchProgress(wizard, views);
        GetWindowTextW(wizard.Item(IDC_PROGRESS_STATUS), status, 512);
        wizard.Press(PSBTN_CANCEL);  // after the run: no question
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(wizard.Sheet()); }));
    }, MessageBoxWatcher::DefaultAnswer);

    ASSERT_TRUE(run.scriptFinished);
    EXPECT_EQ(kCross, views.back().images[kStepStart]);
    // What happened and what to do, alike in the status line and the box.
    const std::wstring said = L"The service manager did not start the service \"" +
                              std::wstring(g_settings.service_name) + L"\": " +
                              QuotedSystemErrorText(ERROR_SERVICE_DISABLED) +
                              L". Correct that (in the Services console, for example), then run Setup again.";
    EXPECT_EQ(L"Step \"Start server\" failed: " + said, std::wstring(status));
    EXPECT_TRUE(RowsInOrder(views.back().images));
    EXPECT_EQ(100, views.back().bar);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(said, run.boxes[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_WARNING), run.boxes[0].icon);
    EXPECT_EQ(run.sheet, run.boxes[0].owner) << "owned by the page, so by its sheet";
    EXPECT_EQ(2, run.exitCode);
}

// Nobody is at the screen of an unattended or a quiet run: a successful one closes the
// wizard by itself and opens no browser, and none opens when asked, as a wrong caller might.
TEST_F(ProgressPage, NoBrowserIsOpenedInARunWithoutAPerson)
{
    BrowserRecorder browser(L"https");  // so that a wrong opening starts no real browser
    ASSERT_TRUE(browser.Ready());
    for (RunMode mode : {RunMode::kUnattended, RunMode::kQuiet})
        OpenAddress(L"https://localhost", mode);
    // The opening logs how it went before it returns: refused, and the shell never asked.
    EXPECT_TRUE(log_.Has("browser: https://localhost is not opened: ")) << log_.Text();

    g_settings.run_mode = RunMode::kUnattended;
    ProgressRun run = RunProgressPage([&](WizardDriver& wizard) {
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(wizard.Sheet()); }, 240000));
    });
    g_settings.run_mode = RunMode::kAttended;
    ASSERT_TRUE(run.scriptFinished);
    EXPECT_EQ(1, run.exitCode);
    for (const char* asked : {" opened https://", "could not open"})
        EXPECT_FALSE(log_.Has(asked)) << log_.Text();
}
