#include "base/setup_tools.h"

#include <objbase.h>
#include <shlobj.h>

bool CSetupTools::CreateShortcut(const wchar_t* workingDir, const wchar_t* target, const wchar_t* linkPath,
                                 const wchar_t* description, const wchar_t* arguments,
                                 const wchar_t* iconFile, int iconIndex) const
{
    if (!target || !linkPath || !description || !arguments) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    IShellLinkW* link = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                      reinterpret_cast<void**>(&link));
    if (FAILED(result)) {
        SetLastError(static_cast<DWORD>(result));
        return false;
    }

    // Setting a property may be refused by the shell (a target it cannot parse); the
    // link is still written with what it took.
    link->SetPath(target);
    link->SetArguments(arguments);
    if (workingDir)
        link->SetWorkingDirectory(workingDir);
    link->SetDescription(description);
    if (iconFile)
        link->SetIconLocation(iconFile, iconIndex);

    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        result = file->Save(linkPath, TRUE);
        file->Release();
    }
    link->Release();
    // A link that was not written is a failure, even though the installation goes on.
    if (FAILED(result)) {
        SetLastError(static_cast<DWORD>(result));
        return false;
    }
    return true;
}
