#pragma once
#include <stddef.h>

// Rules of the administrator's login.

// The login proposed for a name and a surname: "name surname", or the name alone when
// the surname is empty. Cut to `capacity`, always terminated.
void ComposeLogin(const wchar_t* name, const wchar_t* surname, wchar_t* login, size_t capacity);

// True for the names of the system's built-in groups, which cannot be an account's login
// ("Administrators", "Everyone"), in any case.
bool IsReservedLogin(const wchar_t* login);
