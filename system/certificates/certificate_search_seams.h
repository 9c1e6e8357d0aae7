#pragma once
#include <windows.h>
#include <wincrypt.h>

// Seams of the server certificate's search: platform calls that tests replace (through
// ScopedSeam) to produce what Wine cannot; the product never replaces them.

// CertFindChainInStore: a stub in Wine 8, which never finds a chain.
using CertFindChainInStoreCall = PCCERT_CHAIN_CONTEXT(WINAPI*)(HCERTSTORE, DWORD, DWORD, DWORD,
                                                               const void*, PCCERT_CHAIN_CONTEXT);
extern CertFindChainInStoreCall g_certFindChainInStoreCall;
