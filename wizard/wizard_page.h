#pragma once
#include "engine/changes/change_transaction.h"
#include "wizard/framework/property_page.h"
#include "wizard/page_flow.h"

// A page of the setup wizard: titled with the wizard's name, asking before a cancel,
// going where the page flow's table says, and writing what it decides (where Next, Back or
// an activation led) to the run's log.
class CWizardPage : public CPropertyPageImpl
{
public:
    explicit CWizardPage(UINT dialogId);

    // True once this page has stopped a quiet run.
    bool QuietRunStopped() const { return quiet_run_stopped_; }
    // The run's changes, lent by whoever owns the run (the wizard) before the page shows.
    void LendChanges(ChangeTransaction& changes) { changes_ = &changes; }

protected:
    // Asks message 37 with Yes and No; Yes lets the wizard close. After StopQuietRun the
    // wizard closes without a question.
    bool OnQueryCancel() override;
    void OnSheetAnswered(UINT notification, LRESULT result) override;
    // Where the table leads, once NextAccepted lets the page go.
    int OnWizardNext() override;
    int OnWizardBack() override;

    // The page's own Next check: false keeps the page (having told why, as the run allows).
    virtual bool NextAccepted() { return true; }

    // The table's step for `event`, from the settings as they are now.
    FlowStep Flow(FlowEvent event) const;
    // The activation's answer after the page checked itself: where the table leads when
    // `passed`, else the page waits, and a quiet run stops for `why`.
    int AfterCheckingItself(bool passed, const wchar_t* why);

private:
    // A quiet run on a page that cannot go on without an answer nobody gave: `why` goes to
    // the log and the wizard closes, ending the run with kExitUnanswered.
    void StopQuietRun(const wchar_t* why);

    bool quiet_run_stopped_ = false;  // the interface thread's only

protected:
    ChangeTransaction& Changes() const { return *changes_; }

private:
    ChangeTransaction* changes_ = nullptr;
};

// The cancel question of every page but the progress page: true when the user answers
// Yes. The box belongs to the active window.
bool ConfirmWizardCancel();

// The page's name in the log ("welcome", "settings"...).
const wchar_t* PageName(int dialogId);
