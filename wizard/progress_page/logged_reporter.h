#pragma once
#include "engine/install_reporter.h"

// Writes each step's start and end (with its time and, for a failure, the system's text
// and code), the status line and the run's end to the run's log, and passes every report
// on to the runner that shows them. The engine reports; it does not know of the log.
class LoggedReporter : public InstallReporter
{
public:
    explicit LoggedReporter(InstallReporter& shown) : shown_(shown) {}

    void StepChanged(int step, StepState state, int position, DWORD reason) override;
    void Status(const wchar_t* text) override;
    void Acknowledge(const wchar_t* text, UINT kind) override { shown_.Acknowledge(text, kind); }
    bool CancelRequested() override { return shown_.CancelRequested(); }
    void Ended(bool allStepsDone) override;

private:
    InstallReporter& shown_;
    DWORD started_[kInstallStepCount] = {};
};
