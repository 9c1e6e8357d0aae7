#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/message_box_watcher.h"
#include "support/temp_folder.h"
#include "wizard/wizard_driver.h"

// The settings page inside the running wizard, from a record as start-up leaves it: the
// built-in certificate, the domain "localhost", a folder of its own and a service name of
// its own. Certificates that the page imported are taken out of the machine's store again.
class SettingsPage : public ::testing::Test
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Notes the certificate that the last pass imported, for removal at the end.
    void RememberImported();
    // A folder below the test's own that does not exist yet.
    std::wstring NewFolder(const wchar_t* name) const { return folder_.File(name); }
    const std::wstring& ExistingFolder() const { return folder_.Path(); }

    TempFolder folder_{L"settings-page"};
    std::vector<std::vector<BYTE>> imported_;
};

// Attended: welcome, agreement ticked, settings page.
bool OpenSettingsPage(WizardDriver& wizard);
void SetItemText(WizardDriver& wizard, int id, const std::wstring& text);
std::wstring ItemText(WizardDriver& wizard, int id);
// Presses Next on the settings page and waits until page `expected` shows.
bool NextTo(WizardDriver& wizard, int expected);
// Presses Next and waits until the page's checks are over (boxes answered).
void NextAndSettle(WizardDriver& wizard);

// Boxes that were not the port question: another program may hold port 443 on this
// machine while a test runs, and the default answer Yes lets the test go on.
std::vector<SeenMessageBox> BoxesButPortQuestions(const std::vector<SeenMessageBox>& boxes);
// The text of message `id` in the current language, formatted.
std::wstring MessageText(UINT id, ...);
// Answers every box of one message with `answer`, every other box with Yes.
MessageBoxWatcher::Answer Answering(UINT id, int answer);
