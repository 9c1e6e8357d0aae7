#pragma once
#include <windows.h>

// The two calls of the environment check whose answers Wine cannot vary: it is always
// an administrator and never reports XP SP1. Tests replace them; the product never does.
using IsUserAnAdminCall = BOOL(WINAPI*)();
using GetVersionExCall = BOOL(WINAPI*)(OSVERSIONINFOW* version);

extern IsUserAnAdminCall g_isUserAnAdminCall;
extern GetVersionExCall g_getVersionExCall;
