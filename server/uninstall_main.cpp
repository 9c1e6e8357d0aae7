// uninstall.exe: removes the Velmora Server installation that it belongs to, after
// asking; with /quiet without asking and without any box, for deployment tools.
// Exit codes: 0 removed, 1 the user said no, otherwise the first error that it met.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "base/scoped_handle.h"
#include "base/system_dll.h"
#include "formats/language/message_box.h"
#include "server/folder_removal.h"
#include "server/module_folder.h"
#include "server/uninstall_messages.h"
#include "system/removal/installation_removal.h"

namespace {

const int kUserDeclined = 1;

// A failure must never read as success, even when the system left no reason.
int FailureExitCode(DWORD error)
{
    return static_cast<int>(error != NO_ERROR ? error : ERROR_GEN_FAILURE);
}

bool UserAgrees(const wchar_t* folder)
{
    wchar_t question[512];
    FormatText(question,
               L"Velmora Server will be removed from this computer: its service is stopped and deleted, "
               L"its Start menu shortcuts are deleted, and the folder \"%s\" is deleted with all its files, "
               L"including the server's data.\n\nDo you want to continue?",
               folder);
    return ReportSink().Show(nullptr, question, kCautiousQuestion) == IDYES;
}

// True when no service of the folder is left; otherwise the user has been told why.
bool ServicesRemoved(const wchar_t* folder)
{
    // A service name has at most 256 characters.
    wchar_t service[257] = {};
    switch (RemoveServicesOfFolder(folder, service, 257)) {
    case ServiceRemoval::kDone:
    case ServiceRemoval::kNoneInFolder:
        return true;
    case ServiceRemoval::kListUnreadable:
        ShowUninstallError(L"The list of services could not be read.", GetLastError());
        return false;
    case ServiceRemoval::kNotStopped: {
        DWORD error = GetLastError();
        wchar_t what[512];
        FormatText(what, L"The service \"%s\" of Velmora Server could not be stopped; nothing was removed.",
                   service);
        ShowUninstallError(what, error);
        return false;
    }
    case ServiceRemoval::kNotRemoved:
        // CSetupTools::RemoveService has told the user itself why it failed.
        return false;
    }
    return false;
}

int Uninstall(bool quiet)
{
    wchar_t folder[MAX_PATH];
    if (!GetModuleFolder(folder, MAX_PATH)) {
        DWORD error = GetLastError();
        ShowUninstallError(L"The installation folder could not be determined.", error);
        return FailureExitCode(error);
    }
    if (!quiet && !UserAgrees(folder))
        return kUserDeclined;

    // The service first: while it runs, its files cannot be deleted.
    if (!ServicesRemoved(folder))
        return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    // What cannot be removed is reported and the rest still goes.
    int exitCode = 0;
    auto report = [&exitCode](const wchar_t* what) {
        DWORD error = GetLastError();
        ShowUninstallError(what, error);
        if (exitCode == 0)
            exitCode = FailureExitCode(error);
    };
    if (!RemoveUninstallEntriesOfFolder(folder))
        report(L"The entry of Velmora Server in the list of installed programs could not be removed.");
    // Reading the links needs COM; the group is shared with other installations.
    CoInitialize(nullptr);
    bool shortcutsRemoved = RemoveProgramShortcuts(kProgramGroupName, folder);
    CoUninitialize();
    if (!shortcutsRemoved)
        report(L"The Start menu shortcuts of Velmora Server could not be removed.");
    if (!HandOffFolderRemoval(folder, quiet)) {
        DWORD error = GetLastError();
        ShowUninstallError(L"The installation folder could not be removed.", error);
        return FailureExitCode(error);
    }
    return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int)
{
    LoadSystemDllsOnly();
    int argc = 0;
    UniqueLocalMemory arguments(CommandLineToArgvW(GetCommandLineW(), &argc));
    auto** argv = static_cast<wchar_t**>(arguments.Get());
    auto isSwitch = [argv, argc](int index, const wchar_t* name) {
        return argv != nullptr && index < argc && lstrcmpiW(argv[index], name) == 0;
    };
    bool finishing = isSwitch(1, kFinishSwitch) && (argc == 4 || (argc == 5 && isSwitch(4, kQuietUninstallSwitch)));
    bool quiet = finishing ? argc == 5 : argc == 2 && isSwitch(1, kQuietUninstallSwitch);
    // Every box of the removal, the setup's helpers' included, goes through the sink.
    static const ScreenMessages screen(kUninstallTitle);
    static const QuietMessages silence;
    SetReportSink(quiet ? static_cast<const MessageSink*>(&silence) : &screen);
    if (finishing)
        return FinishFolderRemoval(argv[2], argv[3]);
    return Uninstall(quiet);
}
