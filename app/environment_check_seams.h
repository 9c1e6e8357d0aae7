#pragma once
#include <windows.h>

// Seams of the environment check: platform calls that tests replace (through ScopedSeam)
// to produce what Wine cannot; the product never replaces them.

// IsUserAnAdmin: under Wine the user is always an administrator.
using IsUserAnAdminCall = BOOL(WINAPI*)();
extern IsUserAnAdminCall g_isUserAnAdminCall;

// GetVersionExW: Wine never reports XP SP1, nor a failed query.
using GetVersionExCall = BOOL(WINAPI*)(OSVERSIONINFOW* version);
extern GetVersionExCall g_getVersionExCall;
