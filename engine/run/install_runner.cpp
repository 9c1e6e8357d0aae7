#include "engine/run/install_runner.h"

#include <new>

#include "base/message_pump.h"
#include "base/setup_log.h"
#include "engine/run/install_sequence.h"
#include "engine/payload_extractor.h"

namespace {

// How long the page waits for the worker before the log says it is still waiting.
const DWORD kWorkerEndRoundMs = 60 * 1000;

} // namespace

InstallRunner::InstallRunner(InstallObserver& observer, LPTHREAD_START_ROUTINE work)
    : observer_(observer), work_(work ? work : InstallThreadProc),
      answered_(CreateEventW(nullptr, TRUE, TRUE, nullptr))
{
    for (int i = 0; i < 2; ++i) {
        buffers_[i].reset(new (std::nothrow) BYTE[kPayloadBufferSize]);
        job_.buffers[i] = buffers_[i].get();
    }
    job_.reporter = this;
}

InstallRunner::~InstallRunner()
{
    Stop();
}

bool InstallRunner::Start(const InstallRequest& request, ChangeTransaction& transaction,
                          const ReadinessWait& readiness)
{
    if (started_)
        return worker_.IsValid();
    started_ = true;
    if (!job_.buffers[0] || !job_.buffers[1] || !answered_) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    job_.request = &request;
    job_.transaction = &transaction;
    job_.readiness = readiness;
    worker_.Reset(CreateThread(nullptr, 0, work_, &job_, 0, nullptr));
    return worker_.IsValid();
}

void InstallRunner::HoldForAnswer()
{
    ResetEvent(answered_.Get());
}

void InstallRunner::Answer(bool cancel)
{
    if (cancel)
        job_.cancel_requested = true;  // before the waiting worker reads the answer
    SetEvent(answered_.Get());
}

void InstallRunner::Cancel()
{
    job_.cancel_requested = true;
}

void InstallRunner::Stop()
{
    // A wait that pumps may bring a second stop (the window's destruction during a
    // confirmed cancel); the first one still waits for the worker.
    if (!worker_ || stopping_)
        return;
    stopping_ = true;
    job_.cancel_requested = true;
    // A question still open (its window goes under it) must not hold the worker.
    SetEvent(answered_.Get());
    // The worker reports to the caller's objects, so it is not left behind: it ends by the
    // limits of its own waits, after taking back what the run changed. Each round that
    // passes without its end is logged.
    while (!WaitWithMessagePump(worker_.Get(), kWorkerEndRoundMs, L"the installation worker's end") &&
           GetLastError() == ERROR_TIMEOUT) {
    }
    worker_.Reset();
    stopping_ = false;
}

bool InstallRunner::WaitForEnd(DWORD ms) const
{
    return !worker_ || WaitForSingleObject(worker_.Get(), ms) != WAIT_TIMEOUT;
}

void InstallRunner::StepChanged(int step, StepState state, int position)
{
    observer_.StepChanged(step, state, position);
}

void InstallRunner::Failed(const InstallFailure& failure)
{
    observer_.Failed(failure);
}

void InstallRunner::Ended(bool allStepsDone)
{
    observer_.Ended(allStepsDone);
}

bool InstallRunner::CancelRequested()
{
    // While the cancel question is open, the wait is for a person's answer: no limit.
    if (WaitForSingleObject(answered_.Get(), 0) == WAIT_TIMEOUT) {
        g_setupLog.Line(L"installation: held at its check until the cancel question is answered");
        WaitForSingleObject(answered_.Get(), INFINITE);
    }
    return job_.cancel_requested;
}
