#pragma once
#include <windows.h>
#include <wincrypt.h>

// Seams of the key containers: platform calls that tests replace (through ScopedSeam) to
// produce what Wine cannot; the product never replaces them.

// CryptGetProvParam: Wine gives every key container one made-up descriptor (Administrators
// may use it), never one that denies SYSTEM or that cannot be read.
using CryptGetProvParamCall = BOOL(WINAPI*)(HCRYPTPROV, DWORD, BYTE*, DWORD*, DWORD);
extern CryptGetProvParamCall g_cryptGetProvParamCall;
