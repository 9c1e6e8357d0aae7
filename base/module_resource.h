#pragma once
#include <windows.h>

// The bytes of resource `id` of `type` in `module`, which stay mapped as long as the module
// is loaded. False, with the reason in the thread's last error, when there is none.
bool FindModuleResource(HMODULE module, const wchar_t* type, WORD id, const BYTE** bytes, DWORD* size);
