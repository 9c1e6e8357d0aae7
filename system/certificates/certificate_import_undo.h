#pragma once
#include <windows.h>

#include "system/certificates/certificate_import.h"

// Takes back what ImportServerCertificate did to the machine's store `storeName`: an entry it
// added goes with the key container the import made; an entry that replaced an earlier one
// goes likewise (its container stays when the earlier entry links it too) and the earlier
// entry comes back as it was, its key link included; a reused entry stays. True when done;
// otherwise the reason is the thread's last error.
bool RemoveImportedCertificate(const wchar_t* storeName, const ServerCertificateImport& import);

// The same from the bytes an installation remembers: the thumbprint (20 bytes), the key
// container the import made ("" for none) and the serialized earlier entry (0 bytes when
// the import replaced none). An earlier entry of another certificate is refused.
bool RemoveImportedCertificate(const wchar_t* storeName, const BYTE* hash, const wchar_t* keyContainer,
                               const BYTE* replaced, DWORD replacedSize);

// Puts an entry serialized by CertSerializeCertificateStoreElement into the machine's store
// `storeName` in place of the entry of the same certificate. True when done; otherwise the
// reason is the thread's last error.
bool PutBackEarlierCertificate(const wchar_t* storeName, const BYTE* serialized, DWORD size);
