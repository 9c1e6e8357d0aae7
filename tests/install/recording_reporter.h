#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/install_sequence.h"
#include "engine/payload_extractor.h"

// What the runner does besides watching.
struct RunPlan
{
    int cancelAtStep = -1;    // the runner asks to cancel when that step starts, as a person might
    DWORD cancelDelayMs = 0;  // ... or this long after it starts (seen by the run's checks only)
    std::function<bool()> cancelWhen;  // asked every few milliseconds while the run goes
    std::function<void(int step)> atStepStart;  // on the worker, as each step starts
    ReadinessWait readiness;
};

// Runs the installation on a worker thread as the progress page does, with a reporter that
// records instead of painting or asking: no window, no page, no box. The worker reports
// on its own thread; the fields are read once it has ended.
class RecordingRun : public InstallReporter
{
public:
    struct Step
    {
        int step;
        StepState state;
        int position;
        DWORD reason;
        DWORD tick;  // when it was reported
    };

    explicit RecordingRun(int cancelAtStep = -1, std::function<bool()> cancelWhen = nullptr,
                          ReadinessWait readiness = ReadinessWait())
        : RecordingRun(RunPlan{cancelAtStep, 0, std::move(cancelWhen), nullptr, readiness})
    {
    }
    explicit RecordingRun(const RunPlan& plan) : buffers_(2 * kPayloadBufferSize), plan_(plan)
    {
        job_.reporter = this;
        job_.buffers[0] = buffers_.data();
        job_.buffers[1] = buffers_.data() + kPayloadBufferSize;
        job_.readiness = plan.readiness;
        job_.cancel_requested = plan.cancelAtStep == kStepPrepare && plan.cancelDelayMs == 0;
        HANDLE worker = CreateThread(nullptr, 0, InstallThreadProc, &job_, 0, nullptr);
        while (WaitForSingleObject(worker, plan.cancelWhen ? 2 : INFINITE) == WAIT_TIMEOUT)
            if (!job_.cancel_requested && plan.cancelWhen())
                job_.cancel_requested = true;
        CloseHandle(worker);
    }

    void StepChanged(int step, StepState state, int position, DWORD reason) override
    {
        steps.push_back({step, state, position, reason, GetTickCount()});
        if (state != kStepStarted)
            return;
        if (plan_.atStepStart)
            plan_.atStepStart(step);
        if (step == plan_.cancelAtStep) {
            cancelArmed_ = true;
            cancelAt_ = GetTickCount() + plan_.cancelDelayMs;
            if (plan_.cancelDelayMs == 0)
                job_.cancel_requested = true;
        }
    }
    void Status(const wchar_t* text) override
    {
        status = text;
        statuses.push_back(text);
    }
    void Acknowledge(const wchar_t* text, UINT kind) override { messages.emplace_back(text, kind); }
    bool CancelRequested() override
    {
        if (cancelArmed_ && static_cast<int>(GetTickCount() - cancelAt_) >= 0)
            job_.cancel_requested = true;
        return job_.cancel_requested;
    }
    void Ended(bool allStepsDone) override
    {
        ended = job_.finished;
        endedAllDone = allStepsDone;
    }

    bool Failed() const { return job_.failed; }
    Step Last() const { return steps.empty() ? Step{-1, kStepFailed, -1, 0, 0} : steps.back(); }
    // The report of `step` in `state`, if any.
    const Step* Find(int step, StepState state) const
    {
        for (const Step& s : steps)
            if (s.step == step && s.state == state)
                return &s;
        return nullptr;
    }

    std::vector<Step> steps;
    std::wstring status;  // the last
    std::vector<std::wstring> statuses;
    std::vector<std::pair<std::wstring, UINT>> messages;
    bool ended = false;  // the end came after `finished` was set
    bool endedAllDone = false;

private:
    std::vector<BYTE> buffers_;
    RunPlan plan_;
    bool cancelArmed_ = false;
    DWORD cancelAt_ = 0;
    InstallJob job_;
};
