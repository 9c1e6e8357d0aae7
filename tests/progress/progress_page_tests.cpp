// The progress page in a real sheet over a real installation of the embedded server:
// rows, bar and status line as the engine reports, Cancel during and after the run,
// Finish with and without the browser.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>

#include "base/install_settings.h"
#include "base/scoped_handle.h"
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

// A server of the installation's name that stays "stopping" until the test lets it go:
// the run waits for it in its first step, however fast or slow the machine is.
class SlowToStopServer
{
public:
    explicit SlowToStopServer(const std::wstring& name)
        : name_(name), release_(CreateEventW(nullptr, TRUE, FALSE, ReleaseName().c_str()))
    {
        wchar_t folder[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, folder, MAX_PATH);
        *wcsrchr(folder, L'\\') = 0;
        std::wstring command = L"\"" + std::wstring(folder) + L"\\service_fixture.exe\" stop-held=" + ReleaseName();
        UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        UniqueServiceHandle service(CreateServiceW(manager.Get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                                   SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                                   SERVICE_ERROR_IGNORE, command.c_str(), nullptr, nullptr,
                                                   nullptr, nullptr, nullptr));
        running_ = service && StartServiceW(service.Get(), 0, nullptr) &&
                   WaitUntil([&] { return State() == SERVICE_RUNNING; }, 15000);
    }
    ~SlowToStopServer() { LetGo(); }

    bool Running() const { return running_; }
    void LetGo() const { SetEvent(release_.Get()); }
    DWORD State() const
    {
        UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        UniqueServiceHandle service(OpenServiceW(manager.Get(), name_.c_str(), SERVICE_QUERY_STATUS));
        SERVICE_STATUS status = {};
        return service && QueryServiceStatus(service.Get(), &status) ? status.dwCurrentState : 0;
    }

private:
    static std::wstring ReleaseName()
    {
        return L"Global\\velmora-progress-release-" + std::to_wstring(GetCurrentProcessId());
    }

    std::wstring name_;
    UniqueHandle release_;
    bool running_ = false;
};

// The process's message boxes other than the sheet itself.
bool MessageBoxShown(HWND sheet)
{
    struct Search { HWND sheet; bool found; } search = {sheet, false};
    EnumWindows([](HWND window, LPARAM context) -> BOOL {
        auto* search = reinterpret_cast<Search*>(context);
        wchar_t cls[16] = {};
        GetClassNameW(window, cls, 16);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (window != search->sheet && pid == GetCurrentProcessId() && lstrcmpW(cls, L"#32770") == 0 &&
            IsWindowVisible(window))
            search->found = true;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
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
    SlowToStopServer server(installation_.ServiceName());
    ASSERT_TRUE(server.Running());
    std::atomic<bool> answered{false};
    bool openAfterYes = false;
    std::vector<ProgressView> views;
    bool finishOnly = false;
    ProgressRun run = RunProgressPage(
        [&](WizardDriver& wizard) {
            ASSERT_TRUE(WaitUntil([&] { return server.State() == SERVICE_STOP_PENDING; }, 60000));
            // Pressed without waiting: the confirmed cancel waits for the worker, which
            // waits for the server.
            PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            ASSERT_TRUE(WaitUntil([&] { return answered && !MessageBoxShown(wizard.Sheet()); }));
            // Handled once the sheet, past the question, takes messages again.
            wizard.Settle();
            openAfterYes = IsWindow(wizard.Sheet()) != FALSE;
            server.LetGo();
            views = WatchUntilFinished(wizard);
            wizard.Settle();
            finishOnly = wizard.ButtonEnabled(WizardDriver::kFinishButton) &&
                         !wizard.ButtonEnabled(WizardDriver::kNextButton) && !CancelEnabled(wizard);
            wizard.Press(PSBTN_FINISH);
        },
        [&](const SeenMessageBox&) {
            answered = true;
            return IDYES;
        });

    EXPECT_TRUE(run.scriptFinished);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(L"Do you really want to cancel installation?", run.boxes[0].text);
    EXPECT_EQ(L"Velmora Server Setup", run.boxes[0].title);
    EXPECT_EQ(LoadIconW(nullptr, IDI_QUESTION), run.boxes[0].icon);
    EXPECT_TRUE(openAfterYes);

    // The step that ran when the cancel came fails; nothing after it is reached.
    const ProgressView& last = views.back();
    EXPECT_EQ(0, RowWith(last.images, kCross));
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
