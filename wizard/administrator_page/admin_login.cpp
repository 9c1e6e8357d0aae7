#include "wizard/administrator_page/admin_login.h"

#include <windows.h>

#include "base/bounded_text.h"

void ComposeLogin(const wchar_t* name, const wchar_t* surname, wchar_t* login, size_t capacity)
{
    if (surname[0])
        FormatText(login, capacity, L"%s %s", name, surname);
    else
        CopyText(login, capacity, name);
}

bool IsReservedLogin(const wchar_t* login)
{
    return lstrcmpiW(login, L"Administrators") == 0 || lstrcmpiW(login, L"Everyone") == 0;
}
