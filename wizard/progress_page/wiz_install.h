#pragma once
#include <memory>

#include "base/scoped_handle.h"
#include "engine/install_job.h"
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
class CWizInstall : public CWizardPage, private InstallReporter
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
    // Starts the worker once; false when the run cannot start at all.
    bool StartWorker();
    LRESULT OnInstallProgress(WPARAM wParam, LPARAM lParam);
    void OnInstallEnded(bool allStepsDone);
    void OfferFinish();
    bool ConfirmCancel();
    bool OpenServerPage();
    void StopInstallation();
    // The worker's flags, with what only the page knows: the worker could not start, or
    // the user confirmed a cancel (perhaps after the worker's last look at the flag).
    bool RunEnded() const { return start_failed_ || job_.finished; }
    // A cancel confirmed after the worker's last check came too late: the run stands, and
    // the screen, the exit code and the machine agree on it.
    bool RunFailed() const { return start_failed_ || job_.failed; }

    // The worker's reports, handed to the interface thread, which paints.
    void StepChanged(int step, StepState state, int position, DWORD reason) override;
    void Status(const wchar_t* text) override;
    void Acknowledge(const wchar_t* text, UINT kind) override;
    bool CancelRequested() override;
    void Ended(bool allStepsDone) override;

    CSimpleStatic status_;
    CSimpleListViewCtrl steps_;
    CSimpleProgressBarCtrl bar_;
    CAlphaList images_;
    UniqueGdiObject title_font_;
    std::unique_ptr<BYTE[]> buffers_[2];
    InstallJob job_;
    // What the worker reports to: the log first, then this page.
    LoggedReporter logged_{static_cast<InstallReporter&>(*this)};
    UniqueHandle worker_thread_;
    // Reset while the cancel question is open: the worker waits for the answer at its
    // next check rather than finish a run that the user is about to cancel.
    UniqueHandle answered_;
    bool started_ = false;
    bool start_failed_ = false;
    bool stopping_ = false;
};
