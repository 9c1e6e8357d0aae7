#include "wizard/progress_page/logged_reporter.h"

#include "base/setup_log.h"
#include "wizard/progress_page/failure_presenter.h"

namespace {

const wchar_t* const kStepNames[kInstallStepCount] = {L"prepare", L"extract", L"certificate", L"configure",
                                                      L"service", L"start", L"readiness"};

bool Known(int step)
{
    return step >= 0 && step < kInstallStepCount;
}

const wchar_t* StepName(int step)
{
    return Known(step) ? kStepNames[step] : L"?";
}

} // namespace

void LoggedReporter::StepChanged(int step, StepState state, int position)
{
    if (state == kStepStarted) {
        if (Known(step))
            started_[step] = GetTickCount();
        g_setupLog.Line(L"step %s started", StepName(step));
    } else if (state == kStepDone) {
        DWORD tookMs = Known(step) && started_[step] ? GetTickCount() - started_[step] : 0;
        g_setupLog.Line(L"step %s done (%lu ms)", StepName(step), tookMs);
    }
    shown_.StepChanged(step, state, position);
}

void LoggedReporter::Failed(const InstallFailure& failure)
{
    const int step = failure.step;
    DWORD tookMs = Known(step) && started_[step] ? GetTickCount() - started_[step] : 0;
    FailureTelling telling;
    TellFailure(failure, telling);
    g_setupLog.Line(L"step %s FAILED (%lu ms): %s", StepName(step), tookMs, telling.log);
    shown_.Failed(failure);
}

void LoggedReporter::Ended(bool allStepsDone)
{
    g_setupLog.Line(L"installation ended: %s", allStepsDone ? L"every step done" : L"not every step done");
    shown_.Ended(allStepsDone);
}
