#pragma once
#include <windows.h>

#include "formats/installation_memory/remembered_installation.h"
#include "system/certificates/server_certificate_use.h"

// What an import of the server certificate did to the machine's store, all that its undoing
// needs (and what an installation remembers for its removal).
struct ServerCertificateImport
{
    static const DWORD kReplacedCapacity = 8192;

    ServerCertificateUse use = ServerCertificateUse::kImportAsNew;
    BYTE hash[20] = {};
    // The key container that the import made and the store's entry now links; "" when the
    // store's entry was reused (the import's own container went again).
    wchar_t key_container[260] = {};
    // kImportOverEarlier: the store's earlier entry of the certificate, serialized with its
    // properties (its key link included).
    BYTE replaced[kReplacedCapacity] = {};
    DWORD replaced_size = 0;
};

// An installation remembers the outcome for its removal.
static_assert(sizeof(ServerCertificateImport::replaced) == sizeof(RememberedInstallation::replaced_certificate)
                  && sizeof(ServerCertificateImport::key_container) == sizeof(RememberedInstallation::key_container),
              "what an import did fits into what an installation remembers");

// Imports the server certificate of a PFX image (password may be null) for the local
// machine's system store `storeName`, with its private key: an entry of the store that
// DecideServerCertificateUse finds usable stays, else the certificate is added or replaces
// it (refused, the store unchanged, when that entry does not fit into `outcome->replaced`).
// Key containers that the import made and the store does not link go again.
// When `hash` and `hashLength` are given (in: capacity, out: bytes written), they receive
// the certificate's SHA-1 hash. `outcome`, when given, receives what was done. Returns a
// Win32 error code (0 on success), also left as the thread's last error: CRYPT_E_NOT_FOUND
// when the image holds no server certificate with its key, CERT_E_EXPIRED when that one
// has expired.
DWORD ImportServerCertificate(const BYTE* image, DWORD size, const wchar_t* password, BYTE* hash,
                              DWORD* hashLength, const wchar_t* storeName,
                              ServerCertificateImport* outcome = nullptr);

// What ImportServerCertificate would do with the PFX image, the machine left as it is:
// `outcome.hash` and `outcome.use` (nothing else) are set. The image's keys are read into
// memory only. Returns a Win32 error code (0 on success), also left as the thread's last
// error: the import's own for a wrong password or a damaged image, CRYPT_E_NOT_FOUND
// without a server certificate with its key, ERROR_NOT_SUPPORTED where the system cannot
// read keys without storing them (Windows XP: the password was right, which certificate it
// is stays unknown).
DWORD PreviewServerCertificateImport(const BYTE* image, DWORD size, const wchar_t* password,
                                     const wchar_t* storeName, ServerCertificateImport& outcome);

// Adds the DER certificate in the file `path` to the local machine's system store
// `storeName`, replacing an existing copy. Returns a Win32 error code (0 on success), also
// left as the thread's last error.
DWORD InstallRootCertificate(const wchar_t* path, const wchar_t* storeName);
// The same for the certificate's bytes. `hash` (20 bytes), when given, receives its SHA-1
// hash, and `added` whether the store did not hold it before.
DWORD AddRootCertificate(const BYTE* bytes, DWORD size, const wchar_t* storeName, BYTE* hash = nullptr,
                         bool* added = nullptr);
