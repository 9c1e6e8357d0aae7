#include <gtest/gtest.h>

#include "e2e/setup_runs.h"

#include "base/setup_tools.h"
#include "support/http_request.h"

void SetupRunTest::SetUp()
{
    ASSERT_TRUE(setup_.IsValid());
    // A supported system, whatever the prefix's default.
    ASSERT_TRUE(setup_.SetWindowsVersion(L"win7"));
}

void SetupRunTest::WriteSettingsFile(const std::string& lines, bool withInstallation)
{
    std::string text = lines;
    if (withInstallation) {
        std::wstring folder = installation_.InstallDir();
        std::wstring service = installation_.ServiceName();
        text += "path=" + std::string(folder.begin(), folder.end()) + "\r\nservice=" +
                std::string(service.begin(), service.end()) + "\r\n";
    }
    ASSERT_TRUE(WriteWholeFile(setup_.Folder() + L"\\velmorasetup.cfg", text));
}

SetupCopy::Run SetupRunTest::RunSetup(const std::function<void(HWND sheet)>& drive,
                                      const MessageBoxWatcher::Answer& answer)
{
    SetupCopy::Run run;
    bool ended = setup_.Start(&run, [&](DWORD processId) {
        HWND sheet = FindWizardWindow(processId);
        EXPECT_NE(nullptr, sheet) << "no wizard appeared";
        if (sheet)
            drive(sheet);
    }, answer, kInstallTimeoutMs + 60000);
    EXPECT_TRUE(ended) << "setup did not end";
    return run;
}

int SetupRunTest::YesToQuestions(const SeenMessageBox& box)
{
    return box.hasButton[IDYES] ? IDYES : MessageBoxWatcher::DefaultAnswer(box);
}

void SetupRunTest::ExpectCancelledWith(const SetupCopy::Run& run, DWORD exitCode)
{
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(L"Do you really want to cancel installation?", run.boxes[0].text);
    EXPECT_EQ(exitCode, run.exitCode);
}

void SetupRunTest::ExpectServerRunning() const
{
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_setupTools.GetServiceState(installation_.ServiceName().c_str()));
    EXPECT_NE(0u, g_setupTools.FindProcessByPath(InstalledFile(L"Velmora.exe").c_str()));
    // Wine's HTTP service has no SSL: the server answers in plain HTTP on the port, which
    // the Host line must name (plain HTTP means port 80 otherwise).
    std::string page = SendHttpRequest(443, "GET / HTTP/1.1\r\nHost: localhost:443\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(200, StatusCodeOf(page)) << page;
    EXPECT_NE(std::string::npos, page.find("Velmora Server")) << page;
}
