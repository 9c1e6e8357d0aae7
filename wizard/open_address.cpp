#include "wizard/open_address.h"

#include <windows.h>
#include <shellapi.h>

void OpenAddress(const wchar_t* address)
{
    ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
}
