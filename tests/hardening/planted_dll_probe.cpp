// Calls one function of each delay-imported DLL without first restricting the search, as
// on Windows XP, where only the full System32 path keeps the program's folder out.
#include <windows.h>
#include <http.h>
#include <psapi.h>
#include <winver.h>
#include <wincrypt.h>

#include "base/system_dll.h"

int wmain(int argc, wchar_t**)
{
    // Never called (the probe takes no arguments): it only links the delay-load hook in.
    if (argc > 1)
        LoadSystemDllsOnly();
    DWORD handle = 0;
    GetFileVersionInfoSizeW(L"kernel32.dll", &handle);
    HCERTSTORE store = CertOpenSystemStoreW(0, L"MY");
    if (store != nullptr)
        CertCloseStore(store, 0);
    HttpTerminate(HTTP_INITIALIZE_CONFIG, nullptr);
    DWORD processes[1];
    EnumProcesses(processes, sizeof(processes), &handle);
    return 0;
}
