#pragma once
#include <string>
#include <vector>

#include "support/socket_helpers.h"
#include "support/message_box_watcher.h"
#include "support/temp_folder.h"
#include "pages/page_driving.h"

// The settings page inside the running wizard, from a record as start-up leaves it: the
// built-in certificate, the domain "localhost", a folder of its own and a service name of
// its own. Certificates that the page imported are taken out of the machine's store again.
class SettingsPage : public WinsockTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Notes the certificate that the last pass imported, for removal at the end.
    void RememberImported();
    // A folder below the test's own that does not exist yet.
    std::wstring NewFolder(const wchar_t* name) const { return folder_.File(name); }
    const std::wstring& ExistingFolder() const { return folder_.Path(); }

    // One pass over the settings page as the record fills it: opens it, presses Next and
    // expects page `expected`, answering Yes to every question.
    WizardRun PassSettings(int expected);
    // An unattended run: Next on the welcome page, and the pages that check themselves
    // move on up to page `expected`.
    WizardRun UnattendedRunTo(int expected);

    TempFolder folder_{L"settings-page"};
    std::vector<std::vector<BYTE>> imported_;
};

// An installed server in `folder`: `executable` as its Velmora.exe, and a configuration
// holding kept_key, which KeptValue() reads from the loaded configuration.
void PlaceInstalledServer(const std::wstring& folder, const wchar_t* executable);
std::wstring KeptValue();

// Boxes that were not the port question: another program may hold port 443 on this
// machine while a test runs, and the default answer Yes lets the test go on.
std::vector<SeenMessageBox> BoxesButPortQuestions(const std::vector<SeenMessageBox>& boxes);
// The text of message `id` in the current language, formatted.
std::wstring MessageText(UINT id, ...);
