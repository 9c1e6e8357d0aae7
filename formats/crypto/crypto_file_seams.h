#pragma once
#include <windows.h>

// Seams of the encrypted data file: platform calls that tests replace (through ScopedSeam)
// to produce what Wine cannot; the product never replaces them.

// WriteFile of the encrypted data: Wine cannot make a write fail (a full disk) on demand.
using WriteFileCall = BOOL(WINAPI*)(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
                                    LPOVERLAPPED overlapped);
extern WriteFileCall g_writeFileCall;
