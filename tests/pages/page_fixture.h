#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "support/socket_helpers.h"
#include "wizard/wizard_driver.h"

// Page tests start from the record that ResetSettings gives and leave it so.
class PageTest : public WinsockTest
{
protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override { ResetSettings(); }
};

// Runs the wizard with page `dialogId` shown at once, without the checks of the pages
// before it, and `script` acting on it there.
WizardRun RunOnPage(int dialogId, const std::function<void(WizardDriver&)>& script,
                    MessageBoxWatcher::Answer answer = nullptr);

// Sends the current page a sheet notification (PSN_WIZNEXT, PSN_SETACTIVE...) as the sheet
// would and returns the page's answer, without letting the sheet act on it: the page's
// own decision, seen without moving on to the progress page (which would install).
LONG_PTR AskPage(WizardDriver& wizard, UINT code);

// Types `text` into a box of the current page as a person's edit would arrive.
void TypeInto(WizardDriver& wizard, int id, const std::wstring& text);
// The text of a box of the current page.
std::wstring ItemText(WizardDriver& wizard, int id);
// Gives the input focus to a box of the current page.
void FocusOn(WizardDriver& wizard, int id);

// The text colour that a box of the current page asks for when it is painted.
COLORREF TextColourOf(WizardDriver& wizard, int id);

// Presses OK on plain boxes and Yes on questions.
int AcceptBox(const SeenMessageBox& box);
// The text of message `id` in the current language.
std::wstring MessageText(UINT id);
