#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <functional>
#include <string>

#include "e2e/setup_process.h"
#include "support/installation_fixture.h"

// A copy of setup.exe and the installation it is to make (a folder and a service of the
// test's own), with what a run leaves on the machine checked and cleaned up afterwards.
class SetupRunTest : public ::testing::Test
{
protected:
    void SetUp() override;

    // Writes velmorasetup.cfg beside the copy: `lines` (CR LF ended), plus this test's folder
    // and service when `withInstallation` is set.
    void WriteSettingsFile(const std::string& lines, bool withInstallation = true);

    // Runs the copy with `drive` acting on its wizard, answering boxes with `answer`.
    SetupCopy::Run RunSetup(const std::function<void(HWND sheet)>& drive,
                            const MessageBoxWatcher::Answer& answer = YesToQuestions);
    static int YesToQuestions(const SeenMessageBox& box);
    // The run's one box was the cancel question, answered Yes, and it ended with `exitCode`.
    static void ExpectCancelledWith(const SetupCopy::Run& run, DWORD exitCode);

    std::wstring InstalledFile(const wchar_t* name) const { return installation_.InstallDir() + L"\\" + name; }
    // Checks that the server runs as the test's service and answers with its page on 443.
    void ExpectServerRunning() const;

    SetupCopy setup_;
    InstallationFixture installation_{L"e2e"};
};

// The time to allow for a whole installation under Wine, readiness wait included.
const DWORD kInstallTimeoutMs = 240000;
