#include <windows.h>
#include "app/entry.h"
#include "base/system_dll.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    LoadSystemDllsOnly();
    return RunSetup(instance);
}
