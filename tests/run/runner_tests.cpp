// The runner that the progress page and the installation tests share: one worker, one
// cancellation token held while a question is open, one outcome.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "engine/run/install_runner.h"
#include "support/captured_log.h"
#include "support/enum_printers.h"
#include "support/wait_until.h"

namespace {

// Stands in for the installation: one step, one cancel check, then the end, as the
// sequence reports them.
DWORD WINAPI OneCheck(void* param)
{
    InstallJob& job = *static_cast<InstallJob*>(param);
    job.reporter->StepChanged(kStepPrepare, kStepStarted, 0);
    const bool cancelled = job.reporter->CancelRequested();
    if (cancelled) {
        job.failed = true;
        job.result.outcome = RunOutcome::kCancelled;
        job.result.failed_step = kStepPrepare;
        job.result.code = ERROR_CANCELLED;
        job.reporter->StepChanged(kStepPrepare, kStepFailed, 100);
    } else {
        job.result.outcome = RunOutcome::kSucceeded;
        job.reporter->StepChanged(kStepPrepare, kStepDone, 14);
    }
    job.finished = true;
    job.reporter->Ended(!cancelled);
    return 0;
}

struct Seen : InstallObserver
{
    std::atomic<bool> ended{false}, allDone{false}, answered{false}, passedUnanswered{false};
    void StepChanged(int, StepState state, int) override
    {
        passedUnanswered = passedUnanswered || (state != kStepStarted && !answered);
    }
    void Failed(const InstallFailure&) override {}
    void Ended(bool allStepsDone) override
    {
        allDone = allStepsDone;
        ended = true;
    }
};

// The question is open when the run reaches its check: the run waits there for the
// answer, whatever it is, and the answer decides the outcome.
TEST(InstallRunner, ARunWaitsAtItsCheckWhileTheCancelQuestionIsOpen)
{
    for (bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "answered yes" : "answered no");
        CapturedLog log;
        ASSERT_TRUE(log.Opened());
        Seen seen;
        InstallRunner runner(seen, OneCheck);
        InstallRequest request;
        ChangeTransaction changes;
        runner.HoldForAnswer();
        ASSERT_TRUE(runner.Start(request, changes));
        // The worker says when it is held at its check; the end of the step tells whether it
        // went past before the answer, however slow either thread is.
        ASSERT_TRUE(WaitUntil([&] { return log.Has("held at its check until the cancel question"); }, 10000));
        EXPECT_FALSE(runner.Ended());
        seen.answered = true;
        runner.Answer(yes);
        ASSERT_TRUE(runner.WaitForEnd(10000));
        EXPECT_FALSE(seen.passedUnanswered) << "the run went past its check under the question";
        EXPECT_TRUE(runner.Ended());
        EXPECT_EQ(yes, runner.Failed());
        EXPECT_EQ(yes, runner.Cancelling());
        EXPECT_EQ(yes ? RunOutcome::kCancelled : RunOutcome::kSucceeded, runner.Result().outcome);
        EXPECT_EQ(!yes, seen.allDone.load());
        EXPECT_TRUE(seen.ended);
    }
}

// Stopping with the question still open (the page goes under it) must not wait forever.
TEST(InstallRunner, StopReleasesAnOpenQuestionAndCancels)
{
    Seen seen;
    InstallRunner runner(seen, OneCheck);
    InstallRequest request;
    ChangeTransaction changes;
    runner.HoldForAnswer();
    ASSERT_TRUE(runner.Start(request, changes));
    runner.Stop();
    EXPECT_TRUE(runner.Ended());
    EXPECT_TRUE(runner.Failed());
    EXPECT_FALSE(seen.allDone);
}

} // namespace
