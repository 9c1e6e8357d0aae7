#pragma once
#include "base/scoped_handle.h"
#include "engine/run/install_runner.h"
#include "wizard/controls/alpha_list.h"
#include "wizard/controls/simple_controls.h"
#include "wizard/progress_page/logged_reporter.h"
#include "wizard/setup_exit_code.h"
#include "wizard/wizard_page.h"

// The installation progress page, the wizard's last. Its first activation starts the
// installation on a worker thread; the worker reports each step, which the page shows
// as a state image in the step list, on the bar and in the status line. At the end it
// leaves Finish as the only way out, or closes the wizard after an unattended run that
// reached its end.
class CWizInstall : public CWizardPage, private InstallObserver
{
public:
    CWizInstall();
    ~CWizInstall() override;

    // What the installation did; meaningful once the page's window is gone.
    InstallOutcome Outcome() const;

protected:
    BOOL OnInitDialog() override;
    int OnSetActive() override;
    bool OnWizardFinish() override;
    bool OnQueryCancel() override;
    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

private:
    void InsertSteps();
    int StartInstallation();
    // Starts the run once; false when it cannot start at all.
    bool StartWorker();
    void ShowStatus(const wchar_t* text);
    LRESULT OnInstallProgress(WPARAM wParam, LPARAM lParam);
    void OnInstallEnded(bool allStepsDone);
    void OfferFinish();
    bool ConfirmCancel();
    bool OpenServerPage();
    void StopInstallation();
    // The runner's outcome, with what only the page knows: the run could not start.
    bool RunEnded() const { return start_failed_ || runner_.Ended(); }
    // A cancel confirmed after the worker's last check came too late: the run stands, and
    // the screen, the exit code and the machine agree on it.
    bool RunFailed() const { return start_failed_ || runner_.Failed(); }

    // The worker's reports, handed to the interface thread, which paints.
    void StepChanged(int step, StepState state, int position) override;
    void Failed(const InstallFailure& failure) override;
    void Ended(bool allStepsDone) override;

    CSimpleStatic status_;
    CSimpleListViewCtrl steps_;
    CSimpleProgressBarCtrl bar_;
    CAlphaList images_;
    UniqueGdiObject title_font_;
    // Built once from the settings when the run starts; also names the address that Finish opens.
    InstallRequest request_;
    // What the worker reports to: the log first, then this page.
    LoggedReporter logged_{static_cast<InstallObserver&>(*this)};
    InstallRunner runner_{logged_};
    bool start_failed_ = false;
};
