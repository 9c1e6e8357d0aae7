#pragma once
#include <windows.h>

#include "base/message_ids.h"
#include "engine/install_failure.h"

enum InstallStep
{
    kStepPrepare = 0,      // stop the old service, address keys, program group, backup folder
    kStepExtract = 1,      // unpack the payload, first-start file
    kStepCertificate = 2,  // root certificate, trust list, HTTP.sys binding
    kStepConfigure = 3,    // the server's configuration file
    kStepService = 4,      // create the Windows service
    kStepStart = 5,        // readiness event, start the service
    kStepInitialize = 6,   // wait until the server reports ready
    kInstallStepCount = 7
};

// The steps' names: the progress page's rows, and the status line's after a failure.
inline constexpr UINT kInstallStepTexts[kInstallStepCount] = {
    kStepPrepareText, kStepExtractText, kStepCertificateText, kStepConfigureText,
    kStepServiceText, kStepStartText, kStepInitializeText};

// Also the order of the progress page's state images.
enum StepState
{
    kStepStarted = 0,
    kStepDone = 1,
    kStepFailed = 2
};

// What the installation tells whoever shows it (the progress page, a test), from the
// worker thread. The installation knows no window and composes no sentence: an
// implementation that paints hands the work to its interface thread.
class InstallObserver
{
public:
    virtual ~InstallObserver() = default;

    // Step `step` has a new state; `position` is the bar's, 0 to 100.
    virtual void StepChanged(int step, StepState state, int position) = 0;
    // The run failed, or honoured a cancel: once, after the step's failed state, and
    // nothing but the end follows.
    virtual void Failed(const InstallFailure& failure) = 0;
    // The run has ended and a failed new installation is gone. `allStepsDone`: every
    // step is done and the run did not fail.
    virtual void Ended(bool allStepsDone) = 0;
};

// What the installation asks of whoever runs it (engine/run/install_runner.h), besides telling.
class InstallReporter : public InstallObserver
{
public:
    // The cancel poll, at each of the run's checks: true stops the run. A runner that is
    // asking whether to cancel holds the run here until it has the answer.
    virtual bool CancelRequested() = 0;
};
