#pragma once
#include "engine/install_reporter.h"

// Writes each step's start and end (with its time and, for a failure, the system's text
// and code) and the run's end to the run's log, and passes every report on to the page
// that shows them. The engine reports; it does not know of the log.
class LoggedReporter : public InstallObserver
{
public:
    explicit LoggedReporter(InstallObserver& shown) : shown_(shown) {}

    void StepChanged(int step, StepState state, int position) override;
    void Failed(const InstallFailure& failure) override;
    void Ended(bool allStepsDone) override;

private:
    InstallObserver& shown_;
    DWORD started_[kInstallStepCount] = {};
};
