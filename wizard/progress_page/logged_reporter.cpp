#include "wizard/progress_page/logged_reporter.h"

#include "base/setup_log.h"
#include "base/setup_tools.h"

namespace {

const wchar_t* const kStepNames[kInstallStepCount] = {L"prepare", L"extract", L"certificate", L"configure",
                                                      L"service", L"start", L"readiness"};

const wchar_t* StepName(int step)
{
    return step >= 0 && step < kInstallStepCount ? kStepNames[step] : L"?";
}

} // namespace

void LoggedReporter::StepChanged(int step, StepState state, int position, DWORD reason)
{
    bool known = step >= 0 && step < kInstallStepCount;
    DWORD now = GetTickCount();
    if (state == kStepStarted) {
        if (known)
            started_[step] = now;
        g_setupLog.Line(L"step %s started", StepName(step));
    } else {
        DWORD tookMs = known && started_[step] ? now - started_[step] : 0;
        if (state == kStepDone) {
            g_setupLog.Line(L"step %s done (%lu ms)", StepName(step), tookMs);
        } else {
            wchar_t text[1024] = {};
            if (reason)
                g_setupTools.FormatSystemError(reason, text, 1024);
            g_setupLog.Line(L"step %s FAILED (%lu ms): system error %lu %s", StepName(step), tookMs, reason, text);
        }
    }
    shown_.StepChanged(step, state, position, reason);
}

void LoggedReporter::Status(const wchar_t* text)
{
    g_setupLog.Line(L"status: %s", text);
    shown_.Status(text);
}

void LoggedReporter::Ended(bool allStepsDone)
{
    g_setupLog.Line(L"installation ended: %s", allStepsDone ? L"every step done" : L"not every step done");
    shown_.Ended(allStepsDone);
}
