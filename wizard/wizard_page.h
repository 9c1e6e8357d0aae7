#pragma once
#include "wizard/framework/property_page.h"

// A page of the setup wizard: titled with the wizard's name, asking before a cancel, and
// writing what it decides (where Next, Back or an activation led) to the run's log.
class CWizardPage : public CPropertyPageImpl
{
public:
    explicit CWizardPage(UINT dialogId);

protected:
    // Asks message 37 with Yes and No; Yes lets the wizard close. After StopQuietRun the
    // wizard closes without a question.
    bool OnQueryCancel() override;
    void OnSheetAnswered(UINT notification, LRESULT result) override;

    // A quiet run on a page that cannot go on without an answer nobody gave: `why` goes to
    // the log and the wizard closes, ending the run with kExitUnanswered.
    void StopQuietRun(const wchar_t* why) const;
};

// The cancel question of every page but the progress page: true when the user answers
// Yes. The box belongs to the active window.
bool ConfirmWizardCancel();

// True once a page has stopped a quiet run.
bool QuietRunStopped();

// The page's name in the log ("welcome", "settings"...).
const wchar_t* PageName(int dialogId);
