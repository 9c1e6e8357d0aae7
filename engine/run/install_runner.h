#pragma once
#include <windows.h>

#include <memory>

#include "base/scoped_handle.h"
#include "engine/run/install_job.h"

// Runs one installation on a worker thread for whoever shows it (the progress page, a
// test): owns the thread, the one cancellation token and the outcome. The observer hears
// the steps, the failure and the end on the worker thread.
class InstallRunner : private InstallReporter
{
public:
    // `work` is the worker's entry, given the job; the installation unless a test says.
    explicit InstallRunner(InstallObserver& observer, LPTHREAD_START_ROUTINE work = nullptr);
    ~InstallRunner() override;
    InstallRunner(const InstallRunner&) = delete;
    InstallRunner& operator=(const InstallRunner&) = delete;

    // Starts the run of `request` once, its changes entered into `transaction` (both must
    // outlive the run); false, with the reason as the last error, when it cannot start.
    // Later calls change nothing.
    bool Start(const InstallRequest& request, ChangeTransaction& transaction,
               const ReadinessWait& readiness = ReadinessWait());
    // A question about cancelling opens: the run waits at its next check for Answer,
    // rather than finish a run that the user is about to cancel.
    void HoldForAnswer();
    // The question's answer; `cancel` stops the run at its next check.
    void Answer(bool cancel);
    // Stops the run at its next check, without waiting.
    void Cancel();
    // Cancels and waits for the worker, pumping this thread's messages; a call made while
    // an earlier one waits returns at once.
    void Stop();
    // Waits up to `ms` for the worker to end; true when it has (or never started).
    bool WaitForEnd(DWORD ms) const;

    bool Started() const { return started_; }
    bool Stopping() const { return stopping_; }
    bool Cancelling() const { return job_.cancel_requested; }
    // The worker has ended the run (its observer's Ended may still be on its way).
    bool Ended() const { return job_.finished; }
    // A step failed, or the run honoured a cancel.
    bool Failed() const { return job_.failed; }
    // What the run did; meaningful once Ended.
    const InstallResult& Result() const { return job_.result; }

private:
    void StepChanged(int step, StepState state, int position) override;
    void Failed(const InstallFailure& failure) override;
    void Ended(bool allStepsDone) override;
    bool CancelRequested() override;

    InstallObserver& observer_;
    LPTHREAD_START_ROUTINE work_;
    std::unique_ptr<BYTE[]> buffers_[2];
    InstallJob job_;
    UniqueHandle worker_;
    // Reset while a question is open.
    UniqueHandle answered_;
    bool started_ = false;
    bool stopping_ = false;
};
