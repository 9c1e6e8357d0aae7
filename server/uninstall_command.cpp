#include "server/uninstall_command.h"

bool ParseUninstallCommandLine(const wchar_t* commandLine, RunSwitches& switches)
{
    return ParseRunSwitches(commandLine, SwitchSet::kUninstall, switches) == SwitchesVerdict::kRun;
}

int UninstallExitCode(UninstallEnd end, DWORD error, bool everythingTakenBack)
{
    switch (end) {
    case UninstallEnd::kDeclined:
        return kUninstallDeclined;
    case UninstallEnd::kBesideAnother:
        return kUninstallBesideAnother;
    case UninstallEnd::kCarriedOut:
        if (everythingTakenBack && error == NO_ERROR)
            return 0;
        break;
    case UninstallEnd::kStopped:
        break;
    }
    if (error == NO_ERROR)
        return ERROR_GEN_FAILURE;
    if (error == static_cast<DWORD>(kUninstallDeclined) || error == static_cast<DWORD>(kUninstallBesideAnother))
        return static_cast<int>(HRESULT_FROM_WIN32(error));
    return static_cast<int>(error);
}
