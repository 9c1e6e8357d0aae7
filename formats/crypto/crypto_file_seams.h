#pragma once
#include <windows.h>

// The write of encrypted data, whose failure (a full disk) Wine cannot produce on
// demand. Tests replace it; the product never does.
using WriteFileCall = BOOL(WINAPI*)(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
                                    LPOVERLAPPED overlapped);

extern WriteFileCall g_cryptoFileWriteCall;
