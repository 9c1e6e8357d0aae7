#pragma once
#include <windows.h>
#include <accctrl.h>

// Seams of the encrypted data file: platform calls that tests replace (through ScopedSeam)
// to produce what Wine cannot; the product never replaces them.

// WriteFile of the encrypted data: Wine cannot make a write fail (a full disk) on demand.
using WriteFileCall = BOOL(WINAPI*)(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
                                    LPOVERLAPPED overlapped);
extern WriteFileCall g_writeFileCall;

// SetNamedSecurityInfoW that gives config\start.dat its rights: Wine keeps no file rights,
// so a test can only see what was asked for.
using SetNamedSecurityInfoCall = DWORD(WINAPI*)(LPWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION what,
                                                PSID owner, PSID group, PACL dacl, PACL sacl);
extern SetNamedSecurityInfoCall g_setNamedSecurityInfoCall;
