#pragma once
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>

#include "support/message_box_watcher.h"
#include "support/wait_until.h"

// Drives the real wizard from a second thread, as a person would: finds the sheet,
// presses its buttons, reads the current page. The wizard itself runs modally on the
// test's main thread inside RunWizard.
class WizardDriver
{
public:
    static const int kBackButton = 0x3023;
    static const int kNextButton = 0x3024;
    static const int kFinishButton = 0x3025;

    // Drives `sheet`, which may belong to another process; without one, WaitForSheet finds
    // this process's.
    explicit WizardDriver(HWND sheet = nullptr) : sheet_(sheet) {}

    HWND Sheet() const { return sheet_; }
    // The current page and its dialog template id (0 when there is none).
    HWND Page() const;
    int PageId() const;
    HWND Item(int id) const { return GetDlgItem(Page(), id); }
    bool ButtonEnabled(int id) const;

    // Presses a wizard button (PSBTN_NEXT, PSBTN_BACK, PSBTN_CANCEL...) and waits until
    // the sheet has handled it.
    void Press(int button);
    // Presses Next or Back and waits until page `expected` is shown; false on time-out.
    bool Next(int expected) { Press(PSBTN_NEXT); return WaitForPage(expected); }
    bool Back(int expected) { Press(PSBTN_BACK); return WaitForPage(expected); }
    bool WaitForPage(int id, DWORD timeoutMs = 5000) const;
    // Clicks a control of the current page (BM_CLICK).
    void Click(int id);
    // Lets the wizard thread handle what it has posted to itself so far.
    void Settle() const;

    bool WaitForSheet(DWORD timeoutMs = 10000);

private:
    HWND sheet_;
};

// The first visible wizard (a property sheet showing a page) of the process, waiting for it
// to appear for up to `timeoutMs`; null when none appears.
HWND FindWizardWindow(DWORD processId, DWORD timeoutMs = 20000);

// What a driven sheet left: the sheet's window as it was, whether the script ran to its
// end (callers assert it: a fatal failure inside the script only leaves the script), and the
// boxes it showed.
struct SheetRun
{
    HWND sheet = nullptr;
    bool scriptFinished = false;
    std::vector<SeenMessageBox> boxes;
};

// Runs the modal sheet that `runSheet` shows on this thread and `script` on a driver thread
// once the sheet is there; `close` then ends whatever the script left open. Boxes are
// answered by `answer` (default: Yes, so that a final Cancel closes the sheet).
void DriveSheet(SheetRun& run, const std::function<void()>& runSheet,
                const std::function<void(WizardDriver&)>& script,
                const std::function<void(WizardDriver&)>& close, MessageBoxWatcher::Answer answer);

// Runs the wizard with `script` driving it; whatever the script leaves open is cancelled.
struct WizardRun : SheetRun
{
    int result = -2;  // RunWizard's result
};
WizardRun RunWizardWith(const std::function<void(WizardDriver&)>& script,
                        MessageBoxWatcher::Answer answer = nullptr);

// Welcome -> agreement (ticked) -> settings, the way every attended run starts.
bool OpenSettingsPage(WizardDriver& wizard);

// The thumbprint of the server certificate in g_settings (all zero: none imported).
std::vector<BYTE> StoredThumbprint();

// Starts every test from a known record: zero-filled, with a folder, a service name, the
// built-in certificate and the domain "localhost".
void ResetSettings();
