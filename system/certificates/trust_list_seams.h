#pragma once
#include <windows.h>
#include <wincrypt.h>

// Seams of the trust list's search: platform calls that tests replace (through ScopedSeam)
// to produce what Wine cannot; the product never replaces them.

// CertFindCTLInStore: Wine's never finds a list by usage.
using CertFindCtlInStoreCall = PCCTL_CONTEXT(WINAPI*)(HCERTSTORE, DWORD, DWORD, DWORD, const void*,
                                                      PCCTL_CONTEXT);
extern CertFindCtlInStoreCall g_certFindCtlInStoreCall;
