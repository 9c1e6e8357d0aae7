#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/install_sequence.h"
#include "engine/payload_extractor.h"

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
    };

    // `cancelAtStep`: the runner asks to cancel when that step starts, as a person might;
    // `cancelWhen`, asked every few milliseconds while the run goes, when it says so.
    explicit RecordingRun(int cancelAtStep = -1, std::function<bool()> cancelWhen = nullptr,
                          ReadinessWait readiness = ReadinessWait())
        : buffers_(2 * kPayloadBufferSize), cancelAt_(cancelAtStep)
    {
        job_.reporter = this;
        job_.buffers[0] = buffers_.data();
        job_.buffers[1] = buffers_.data() + kPayloadBufferSize;
        job_.cancel_requested = cancelAtStep == kStepPrepare;
        job_.readiness = readiness;
        HANDLE worker = CreateThread(nullptr, 0, InstallThreadProc, &job_, 0, nullptr);
        while (WaitForSingleObject(worker, cancelWhen ? 2 : INFINITE) == WAIT_TIMEOUT)
            if (!job_.cancel_requested && cancelWhen())
                job_.cancel_requested = true;
        CloseHandle(worker);
    }

    void StepChanged(int step, StepState state, int position, DWORD reason) override
    {
        steps.push_back({step, state, position, reason});
        if (step == cancelAt_ && state == kStepStarted)
            job_.cancel_requested = true;
    }
    void Status(const wchar_t* text) override { status = text; }
    void Acknowledge(const wchar_t* text, UINT kind) override { messages.emplace_back(text, kind); }
    bool CancelRequested() override { return job_.cancel_requested; }
    void Ended(bool allStepsDone) override
    {
        ended = job_.finished;
        endedAllDone = allStepsDone;
    }

    bool Failed() const { return job_.failed; }
    Step Last() const { return steps.empty() ? Step{-1, kStepFailed, -1, 0} : steps.back(); }

    std::vector<Step> steps;
    std::wstring status;
    std::vector<std::pair<std::wstring, UINT>> messages;
    bool ended = false;  // the end came after `finished` was set
    bool endedAllDone = false;

private:
    std::vector<BYTE> buffers_;
    int cancelAt_;
    InstallJob job_;
};
