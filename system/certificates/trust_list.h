#pragma once
#include <windows.h>
#include <wincrypt.h>

// The server's certificate trust list: the list of trusted roots for client certificates
// that the HTTP.sys binding names by identifier and store.
static const wchar_t kServerTrustListIdentifier[] = L"{9C30DF97-C0B3-40a2-903E-A790DFF0A87C}";
static const wchar_t kServerTrustListStore[] = L"CA";
static const wchar_t kServerTrustListFriendlyName[] = L"Velmora Server CTL";
static const wchar_t kServerTrustListDescription[] =
    L"This CTL is to be used as the list of trusted roots for Velmora Server";

// Makes sure that the machine's "CA" store holds the server's trust list, creating it when
// missing (`created`, when given, tells whether it was). True when the list exists
// afterwards; the error code is the last error.
bool EnsureServerTrustList(bool* created = nullptr);

// Deletes the server's list from the machine's "CA" store. True when none is left; the
// error code is the last error.
bool DeleteServerTrustList();
// True when the machine holds the server's trust list (EnsureServerTrustList would find it).
bool HasServerTrustList();

// Looks for the server's list in `store`: CertFindCTLInStore by usage and identifier first;
// when that finds nothing (Wine does not implement that search), FindServerTrustListById.
// Returns a context the caller frees, or null.
PCCTL_CONTEXT FindServerTrustList(HCERTSTORE store);

// The first list of `store` whose identifier is the server's; null with CRYPT_E_NOT_FOUND.
PCCTL_CONTEXT FindServerTrustListById(HCERTSTORE store);
