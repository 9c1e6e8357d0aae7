#include "wizard/setup_exit_code.h"

int SetupExitCode(INT_PTR sheetResult, InstallOutcome outcome)
{
    switch (outcome) {
    case InstallOutcome::Succeeded:
        return kExitInstalled;
    case InstallOutcome::Failed:
        return kExitInstallFailed;
    case InstallOutcome::Unanswered:
        return kExitUnanswered;
    case InstallOutcome::NotStarted:
        break;
    }
    return sheetResult < 0 ? kExitFailure : kExitCancelled;
}
