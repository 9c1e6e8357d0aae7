// Velmora.exe: the installed server. The Service Control Manager starts it with /start;
// from a command line it only explains itself.
#include <windows.h>
#include <stdio.h>

#include "base/installation_names.h"
#include "base/system_dll.h"
#include "server/server_service.h"

int wmain(int argc, wchar_t** argv)
{
    LoadSystemDllsOnly();
    if (argc == 2 && lstrcmpiW(argv[1], kServerServiceSwitch) == 0)
        return CServerService::Run();
    fputws(L"Velmora Server runs as a Windows service and is started by the Service Control\n"
           L"Manager as \"Velmora.exe /start\". Use the service's controls to start and stop it.\n",
           stdout);
    return 2;
}
