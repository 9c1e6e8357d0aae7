// The progress page in a real sheet over a real installation of the embedded server:
// rows, bar and status line as the engine reports, Cancel during and after the run,
// Finish with and without the browser.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "base/install_settings.h"
#include "progress/progress_sheet.h"
#include "resources/wizard_ids.h"
#include "support/installation_fixture.h"
#include "wizard/browser_recorder.h"

namespace {

const int kNoImage = -1;
const int kArrow = 0;
const int kCheck = 1;
const int kCross = 2;
const int kRows = 7;

class ProgressPage : public ::testing::Test
{
protected:
    void SetUp() override { installation_.PrepareSettings(); }

    InstallationFixture installation_{L"progress"};
};

// Rows are reached in order: done rows, then at most one started or failed row, then rows
// that show nothing yet.
bool RowsInOrder(const std::vector<int>& images)
{
    size_t row = 0;
    while (row < images.size() && images[row] == kCheck)
        ++row;
    if (row < images.size() && images[row] != kNoImage)
        ++row;
    for (; row < images.size(); ++row)
        if (images[row] != kNoImage)
            return false;
    return true;
}

int RowWith(const std::vector<int>& images, int image)
{
    for (size_t row = 0; row < images.size(); ++row)
        if (images[row] == image)
            return static_cast<int>(row);
    return -1;
}

// The state image of one row; -2 when the page or the row is not there (any more).
int RowImage(const WizardDriver& wizard, size_t row)
{
    std::vector<int> images = ReadProgress(wizard).images;
    return row < images.size() ? images[row] : -2;
}

std::wstring StatusLine(const WizardDriver& wizard)
{
    wchar_t text[512] = {};
    GetWindowTextW(wizard.Item(IDC_PROGRESS_STATUS), text, 512);
    return text;
}

// Unpacking has begun once the first row is checked; its arrow alone may come and go
// between two looks at a fast machine.
bool WaitForUnpacking(const WizardDriver& wizard)
{
    return WaitUntil([&] { return RowImage(wizard, 0) == kCheck; }, 60000);
}

bool CancelEnabled(const WizardDriver& wizard)
{
    return IsWindowEnabled(GetDlgItem(wizard.Sheet(), IDCANCEL)) != FALSE;
}

} // namespace

TEST_F(ProgressPage, ARealInstallationMovesRowsAndBarAndEndsWithSevenChecks)
{
    BrowserRecorder browser(L"https");
    ASSERT_TRUE(browser.Ready());
    std::vector<ProgressView> views;
    std::wstring status;
    bool finishOnly = false;
    bool cancelEnabled = true;
    int imageCount = 0;
    std::wstring rowText;
    ProgressRun run = RunProgressPage([&](WizardDriver& wizard) {
        imageCount = ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(
            SendMessageW(wizard.Item(IDC_PROGRESS_STEPS), LVM_GETIMAGELIST, LVSIL_SMALL, 0)));
        wchar_t text[128] = {};
        LVITEMW item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = 128;
        SendMessageW(wizard.Item(IDC_PROGRESS_STEPS), LVM_GETITEMTEXTW, 6, reinterpret_cast<LPARAM>(&item));
        rowText = text;
        views = WatchUntilFinished(wizard);
        wizard.Settle();
        status = StatusLine(wizard);
        finishOnly = wizard.ButtonEnabled(WizardDriver::kFinishButton) &&
                     !wizard.ButtonEnabled(WizardDriver::kNextButton) &&
                     !wizard.ButtonEnabled(WizardDriver::kBackButton);
        cancelEnabled = CancelEnabled(wizard);
        wizard.Press(PSBTN_FINISH);
    });

    EXPECT_TRUE(run.scriptFinished);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(3, imageCount);  // arrow, check, cross from bitmap 1
    EXPECT_EQ(L"  Initialize (this can take several minutes)", rowText);

    ASSERT_GE(views.size(), 3u);
    bool sawArrow = false;
    bool sawPartialBar = false;
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

    EXPECT_EQ(L"Installation successfully completed. Click the \"Finish\" button to exit", status);
    EXPECT_TRUE(finishOnly);
    EXPECT_FALSE(cancelEnabled);
    // Finish opens the running server: the domain name resolves, the scheme is https.
    EXPECT_EQ(L"https://localhost", browser.WaitForAddress());
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(installation_.ServiceExists());
}

TEST_F(ProgressPage, CancelAnsweredYesStopsTheRunningStepWithACross)
{
    BrowserRecorder browser(L"https");
    ASSERT_TRUE(browser.Ready());
    bool openAfterYes = false;
    std::vector<ProgressView> views;
    bool finishOnly = false;
    ProgressRun run = RunProgressPage([&](WizardDriver& wizard) {
        ASSERT_TRUE(WaitForUnpacking(wizard));
        wizard.Press(PSBTN_CANCEL);  // Yes: the page waits for the worker, the wizard stays
        openAfterYes = IsWindow(wizard.Sheet()) != FALSE;
        views = WatchUntilFinished(wizard);
        wizard.Settle();
        finishOnly = wizard.ButtonEnabled(WizardDriver::kFinishButton) &&
                     !wizard.ButtonEnabled(WizardDriver::kNextButton) && !CancelEnabled(wizard);
        wizard.Press(PSBTN_FINISH);
    });

    EXPECT_TRUE(run.scriptFinished);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(L"Do you really want to cancel installation?", run.boxes[0].text);
    EXPECT_EQ(L"Velmora Server Setup", run.boxes[0].title);
    EXPECT_EQ(LoadIconW(nullptr, IDI_QUESTION), run.boxes[0].icon);
    EXPECT_TRUE(openAfterYes);

    // The unpacking that ran when the cancel came fails, or, had it just ended, the next
    // step that looks for a cancel; nothing after it is reached.
    const ProgressView& last = views.back();
    int crossed = RowWith(last.images, kCross);
    EXPECT_TRUE(crossed == 1 || crossed == 4) << crossed;
    EXPECT_TRUE(RowsInOrder(last.images));
    EXPECT_EQ(100, last.bar);
    EXPECT_TRUE(finishOnly);

    // Finish after a cancelled run opens nothing, and the new installation is gone.
    EXPECT_EQ(L"", browser.WaitForAddress(3000));
    EXPECT_EQ(2, run.exitCode);
    EXPECT_FALSE(installation_.InstallDirExists());
}

TEST_F(ProgressPage, CancelAnsweredNoGoesOnAndCancelAfterTheRunClosesAtOnce)
{
    bool openAfterNo = false;
    std::vector<ProgressView> views;
    ProgressRun run = RunProgressPage(
        [&](WizardDriver& wizard) {
            ASSERT_TRUE(WaitForUnpacking(wizard));
            wizard.Press(PSBTN_CANCEL);  // No
            openAfterNo = IsWindow(wizard.Sheet()) != FALSE;
            views = WatchUntilFinished(wizard);
            wizard.Press(PSBTN_CANCEL);  // after the run: no question
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(wizard.Sheet()); }));
        },
        [](const SeenMessageBox&) { return IDNO; });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(1u, run.boxes.size());
    EXPECT_TRUE(openAfterNo);
    EXPECT_EQ(std::vector<int>(kRows, kCheck), views.back().images);
    EXPECT_EQ(1, run.exitCode);  // the installation completed
    EXPECT_TRUE(installation_.ServiceExists());
}

TEST_F(ProgressPage, AFailedRunOffersFinishWhichOpensNothing)
{
    // A service name that the Service Control Manager refuses fails step 4.
    g_settings.service_name[0] = L'\\';
    g_settings.service_name[1] = 0;
    BrowserRecorder browser(L"https");
    ProgressRun run = RunProgressPage([&](WizardDriver& wizard) {
        std::vector<ProgressView> views = WatchUntilFinished(wizard);
        ASSERT_EQ(static_cast<size_t>(kRows), views.back().images.size());
        EXPECT_EQ(kCross, views.back().images[4]);
        EXPECT_EQ(100, views.back().bar);
        wizard.Press(PSBTN_FINISH);
    }, MessageBoxWatcher::DefaultAnswer);
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(L"", browser.WaitForAddress(3000));
    EXPECT_EQ(2, run.exitCode);
    EXPECT_FALSE(installation_.InstallDirExists());
}
