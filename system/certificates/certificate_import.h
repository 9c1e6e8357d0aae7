#pragma once
#include <windows.h>

// Imports the server certificate of a PFX image (password may be null) into the local
// machine's system store `storeName`, with its private key; always adds a new copy.
// When `hash` and `hashLength` are given (in: capacity, out: bytes written), they receive
// the certificate's SHA-1 hash. `added`, when given, tells whether the store did not hold the
// certificate before. Returns a Win32 error code (0 on success), also left as the thread's
// last error.
DWORD ImportServerCertificate(const BYTE* image, DWORD size, const wchar_t* password, BYTE* hash,
                              DWORD* hashLength, const wchar_t* storeName, bool* added = nullptr);

// Adds the DER certificate in the file `path` to the local machine's system store
// `storeName`, replacing an existing copy. Returns a Win32 error code (0 on success), also
// left as the thread's last error.
DWORD InstallRootCertificate(const wchar_t* path, const wchar_t* storeName);
// The same for the certificate's bytes. `hash` (20 bytes), when given, receives its SHA-1
// hash, and `added` whether the store did not hold it before.
DWORD AddRootCertificate(const BYTE* bytes, DWORD size, const wchar_t* storeName, BYTE* hash = nullptr,
                         bool* added = nullptr);
