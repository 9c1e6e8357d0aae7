#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/run/install_runner.h"
#include "formats/config/server_config.h"
#include "wizard/progress_page/failure_presenter.h"
#include "wizard/progress_page/install_request_builder.h"

// What the runner does besides watching.
struct RunPlan
{
    int cancelAtStep = -1;    // the runner asks to cancel when that step starts, as a person might
    DWORD cancelDelayMs = 0;  // ... or this long after it starts (seen by the run's checks only)
    std::function<bool()> cancelWhen;  // asked every few milliseconds while the run goes
    std::function<void(int step)> atStepStart;  // on the worker, as each step starts
    ReadinessWait readiness;
    ChangeTransaction* changes = nullptr;  // the pages' changes before the run; the run's own when null
    std::function<void(InstallRequest&)> request;  // changes the request as the page built it
};

// Runs the installation that g_settings describe through the progress page's runner,
// with an observer that records instead of painting: no window, no page, no box. The
// failure is recorded as data and the box the presenter asks for. The fields are read once
// the run has ended.
class RecordingRun : public InstallObserver
{
public:
    struct Step
    {
        int step;
        StepState state;
        int position;
        DWORD reason;  // a failed step's code
        DWORD tick;    // when it was reported
    };

    explicit RecordingRun(const RunPlan& plan = RunPlan()) : plan_(plan)
    {
        BuildInstallRequest(g_settings, g_serverConfig, request_);
        if (plan.request)
            plan.request(request_);
        if (plan.cancelAtStep == kStepPrepare && plan.cancelDelayMs == 0)
            runner_.Cancel();
        runner_.Start(request_, plan.changes ? *plan.changes : changes_, plan.readiness);
        while (!runner_.WaitForEnd(2)) {
            if ((plan.cancelWhen && plan.cancelWhen()) ||
                (cancelArmed_ && static_cast<int>(GetTickCount() - cancelAt_) >= 0))
                runner_.Cancel();
        }
    }

    void StepChanged(int step, StepState state, int position) override
    {
        steps.push_back({step, state, position, 0, GetTickCount()});
        if (state != kStepStarted)
            return;
        if (plan_.atStepStart)
            plan_.atStepStart(step);
        if (step == plan_.cancelAtStep) {
            cancelAt_ = GetTickCount() + plan_.cancelDelayMs;
            if (plan_.cancelDelayMs == 0)
                runner_.Cancel();
            else
                cancelArmed_ = true;
        }
    }
    void Failed(const InstallFailure& reported) override
    {
        failures.push_back(reported);
        if (!steps.empty())
            steps.back().reason = reported.code;
        FailureTelling telling;
        TellFailure(reported, telling);
        if (telling.box[0])
            messages.emplace_back(telling.box, telling.kind);
    }
    void Ended(bool allStepsDone) override
    {
        ended = runner_.Ended();
        endedAllDone = allStepsDone;
    }

    bool Failed() const { return runner_.Failed(); }
    const InstallResult& Result() const { return runner_.Result(); }
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
    std::vector<InstallFailure> failures;
    std::vector<std::pair<std::wstring, UINT>> messages;  // the boxes the presenter asks for
    bool ended = false;  // the end came after the runner's outcome was set
    bool endedAllDone = false;

private:
    RunPlan plan_;
    bool cancelArmed_ = false;
    DWORD cancelAt_ = 0;
    InstallRequest request_;
    ChangeTransaction changes_;
    InstallRunner runner_{*this};
};
