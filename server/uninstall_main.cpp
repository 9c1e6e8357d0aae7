// uninstall.exe: removes the Velmora Server installation that it belongs to, after
// asking. Exit codes: 0 removed, 1 the user said no, otherwise the error that stopped it.
#include <windows.h>
#include <shellapi.h>

#include "app/bounded_text.h"
#include "app/scoped_handle.h"
#include "server/folder_removal.h"
#include "server/folder_services.h"
#include "server/module_folder.h"
#include "server/program_group_removal.h"
#include "server/uninstall_messages.h"

namespace {

const int kUserDeclined = 1;

int Uninstall()
{
    wchar_t folder[MAX_PATH];
    if (!GetModuleFolder(folder, MAX_PATH)) {
        DWORD error = GetLastError();
        ShowUninstallError(L"The installation folder could not be determined.", error);
        return static_cast<int>(error);
    }
    wchar_t question[512];
    FormatText(question,
               L"Velmora Server will be removed from this computer: its service is stopped and deleted, "
               L"its Start menu group is deleted, and the folder \"%s\" is deleted with all its files, "
               L"including the server's data.\n\nDo you want to continue?",
               folder);
    if (MessageBoxW(nullptr, question, kUninstallTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return kUserDeclined;

    // The service first: while it runs, its files cannot be deleted.
    if (!RemoveServicesOfFolder(folder))
        return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    if (!RemoveProgramGroup(L"Velmora Server"))
        ShowUninstallError(L"The Start menu group \"Velmora Server\" could not be removed.", GetLastError());
    if (!HandOffFolderRemoval(folder)) {
        DWORD error = GetLastError();
        ShowUninstallError(L"The installation folder could not be removed.", error);
        return static_cast<int>(error);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int)
{
    int argc = 0;
    UniqueLocalMemory arguments(CommandLineToArgvW(GetCommandLineW(), &argc));
    auto** argv = static_cast<wchar_t**>(arguments.Get());
    if (argv != nullptr && argc == 4 && lstrcmpiW(argv[1], kFinishSwitch) == 0)
        return FinishFolderRemoval(argv[2], argv[3]);
    return Uninstall();
}
