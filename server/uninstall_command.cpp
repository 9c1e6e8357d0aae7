#include "server/uninstall_command.h"

const wchar_t kUninstallUsage[] =
    L"uninstall.exe [/quiet] [/log FILE]\r\n"
    L"  /quiet      remove Velmora Server without asking and without any box; what stays goes to the log "
    L"and the exit code\r\n"
    L"  /log FILE   append a log of the uninstall to FILE (also /log=FILE), in a folder only administrators "
    L"can change; a path through a link, or a file an ordinary user owns, is refused. A quiet run without it "
    L"writes a new file of its own, %TEMP%\\VelmoraUninstall-<UTC time>-<random>.log (for SYSTEM in "
    L"%SystemRoot%\\Temp)\r\n"
    L"Exit codes: 0 removed, 1 the user said no, 3 another setup or uninstall is running, 87 a bad command "
    L"line or log file, otherwise the system's code of the first thing that stayed.";

bool ParseUninstallCommandLine(const wchar_t* commandLine, RunSwitches& switches)
{
    return ParseRunSwitches(commandLine, switches) == SwitchesVerdict::kRun;
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
