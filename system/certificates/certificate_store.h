#pragma once
#include "base/last_error.h"
#include <windows.h>
#include <wincrypt.h>

// What every certificate operation of the setup shares: the encoding of certificates and
// lists, the machine's system stores, and turning a failure into a code that is never 0.

static const DWORD kCertEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

// Opens the local machine's system store `name` ("MY", "Root", "CA"); null on failure,
// the reason in the last error.
HCERTSTORE OpenMachineStore(const wchar_t* name);

// The registry store beneath the machine's system store `name`, for deletions: one made
// through the system store (a collection) does not last on every implementation. Null on
// failure, the reason (never 0) in the last error.
HCERTSTORE OpenMachineStoreForDeletion(const wchar_t* name);

// The first certificate of `store` with this SHA-1 hash (its thumbprint); a context the
// caller frees, or null.
PCCERT_CONTEXT FindCertificateByHash(HCERTSTORE store, const BYTE* hash, DWORD hashLength);
