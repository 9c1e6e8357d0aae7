#pragma once
#include <windows.h>

// Certificates that the setup added to the local machine's system stores, looked for and
// taken out again by their SHA-1 hash (the undoing of a failed installation).

// True when the machine's store `storeName` holds a certificate with this hash.
bool MachineStoreHolds(const wchar_t* storeName, const BYTE* hash, DWORD hashLength);

// Deletes every certificate with this hash from the machine's store `storeName`, and the
// key container each links: every one when `onlyKey` is null, none for "", else only the
// container of that name (the one the setup's import made) while no other certificate of the
// store links it. True when none is left;
// otherwise the reason is the thread's last error.
bool DeleteMachineCertificate(const wchar_t* storeName, const BYTE* hash, DWORD hashLength,
                              const wchar_t* onlyKey = nullptr);
