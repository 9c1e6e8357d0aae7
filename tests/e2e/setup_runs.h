#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/installation_fixture.h"
#include "support/program_run.h"
#include "wizard/wizard_driver.h"

// A copy of setup.exe under a name of its own in a fresh temporary folder, so that the
// Windows version set for it in Wine's per-program settings and the files beside it concern
// this test alone, and the installation it is to make (a folder and a service of the test's
// own), with what a run leaves on the machine cleaned up afterwards.
class SetupRunTest : public ::testing::Test
{
protected:
    SetupRunTest();
    ~SetupRunTest() override;
    // A supported system, whatever the prefix's default.
    void SetUp() override { ASSERT_TRUE(SetWindowsVersion(L"win7")); }

    // Makes Wine report this Windows version ("win2k", "win2003", "win7"...) to the copy.
    bool SetWindowsVersion(const wchar_t* version);
    // Writes velmorasetup.cfg beside the copy: `lines` (CR LF ended), plus this test's folder
    // and service when `withInstallation` is set.
    void WriteSettingsFile(const std::string& lines, bool withInstallation = true);

    // Runs the copy, lets `drive` act on its wizard (the driver of another process's sheet;
    // none: no wizard is waited for), answers questions Yes and other boxes with their
    // default, and waits for it to end. The copy runs in this process's locale: Wine gives a
    // program started from another the Unix locale of the first.
    ProgramRun RunSetup(const std::function<void(WizardDriver&)>& drive = nullptr, const std::wstring& arguments = L"");
    // The copy's command line with `arguments` after its quoted path.
    std::wstring SetupCommand(const std::wstring& arguments) const;

    std::wstring InstalledFile(const wchar_t* name) const { return installation_.InstallDir() + L"\\" + name; }

    InstallationFixture installation_{L"e2e"};
    TempFolder folder_{L"e2e"};
    std::wstring exeName_;
};

// velmorasetup.cfg's lines that name the server's administrator.
const char kAccountSettings[] =
    "admin_name=Ann\r\nadmin_surname=Lee\r\nadmin_login=ann\r\nadmin_password=Secret-42\r\n";

// The time to allow for a whole installation under Wine, readiness wait included.
const DWORD kInstallTimeoutMs = 240000;

// Replaces the text of a control of another process's current page, as typing would (the
// system marshals the text; the page is told).
bool TypeInto(const WizardDriver& wizard, int controlId, const std::wstring& text);

// Takes away an installation of `service` in `folder` whatever the run left of it (service,
// entry, running server, folder), so that the next run installs anew.
void RemoveInstallation(const std::wstring& folder, const wchar_t* service);

// The quiet runs' own logs in the temporary folder (VelmoraSetup-*.log).
std::set<std::wstring> DefaultLogs();
// Those made since `before` was taken.
std::vector<std::wstring> NewDefaultLogs(const std::set<std::wstring>& before);
