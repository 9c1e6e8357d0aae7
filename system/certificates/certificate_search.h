#pragma once
#include <windows.h>
#include <wincrypt.h>

// Finds the server certificate of an imported PFX image: the end certificate of the first
// chain that CertFindChainInStore yields for server authentication with a private key.
// When that call finds nothing (Wine 8 never does), FindServerCertificateByUsage gives the
// same answer. Returns a context the caller frees, or null with the reason in the last
// error (never 0).
PCCERT_CONTEXT FindServerCertificate(HCERTSTORE store);

// The first certificate of the store with a private key whose enhanced key usage allows
// server authentication; null with CRYPT_E_NOT_FOUND when there is none.
PCCERT_CONTEXT FindServerCertificateByUsage(HCERTSTORE store);

// True when the certificate's enhanced key usage allows server authentication (no usage
// restriction at all allows every use).
bool AllowsServerAuthentication(PCCERT_CONTEXT certificate);
