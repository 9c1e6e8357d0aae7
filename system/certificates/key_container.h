#pragma once
#include <windows.h>
#include <wincrypt.h>

// The key container that a certificate entry's key provider property links: CryptoAPI
// (a provider type) or CNG (type 0, a key storage provider).
struct KeyLink
{
    wchar_t container[260];
    wchar_t provider[260];
    DWORD type;
    DWORD flags;  // CRYPT_MACHINE_KEYSET for a key of the machine
    DWORD key_spec;
};

// Reads the link of `certificate`; false when it has none (or a longer name than fits).
bool ReadKeyLink(PCCERT_CONTEXT certificate, KeyLink* link);

// What a stored entry's key is to the service: there (the machine's container opens and
// holds the key) and usable by LocalSystem (its descriptor proves SYSTEM may read it; a
// descriptor that cannot be read proves nothing).
struct KeyUsability
{
    bool there;
    bool system_may_use;
};
KeyUsability JudgeLinkedKey(PCCERT_CONTEXT certificate);

// Deletes the key container `link` names. True when it is gone; the reason in the last error.
bool DeleteKeyContainer(const KeyLink& link);

// The same for a container that the setup's PFX import made, which is always among the
// machine's keys (Wine's import links it without saying so).
bool DeleteImportedKeyContainer(KeyLink link);
