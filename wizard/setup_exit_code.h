#pragma once
#include <windows.h>

// How far the installation got when the wizard closed.
enum class InstallOutcome
{
    NotStarted,  // the wizard closed before the progress page started the worker
    Succeeded,   // the worker ended and no step failed
    Failed,      // a step failed, the user cancelled the run, or it could not start
    Unanswered   // a quiet run reached a page whose question velmorasetup.cfg did not answer
};

// The setup's exit codes, for scripts and deployment tools.
const int kExitInstalled = 1;       // the installation completed
const int kExitInstallFailed = 2;   // it ran and failed, or was cancelled while it ran
const int kExitCancelled = 0;       // cancelled on a page before the installation started
const int kExitFailure = -1;        // a start-up check failed, or the wizard could not run
const int kExitAlreadyRunning = 3;  // another setup was running: nothing was done
const int kExitUnanswered = 4;      // a quiet run stopped before the installation: a page
                                    // needed what velmorasetup.cfg did not give (the log says which)

// The exit code of a wizard run: what the installation did decides, as the sheet's own
// result is the same after Finish on a failed run and after a successful one, and the
// end of an unattended run closes the sheet through its quit message.
int SetupExitCode(INT_PTR sheetResult, InstallOutcome outcome);
