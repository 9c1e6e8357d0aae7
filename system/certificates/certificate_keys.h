#pragma once
#include <windows.h>
#include <wincrypt.h>

// True when the certificate has a private key (a non-empty key provider property).
bool HasPrivateKey(PCCERT_CONTEXT certificate);
