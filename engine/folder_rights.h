#pragma once
#include <windows.h>

// Who may turn a folder on the way to the installation into another: delete or rename it
// (DELETE on it, FILE_DELETE_CHILD on the folder above), change its rights or take it
// (WRITE_DAC, WRITE_OWNER, or being its owner). Only trusted trustees may: SYSTEM, the
// Administrators group, TrustedInstaller and the account that runs the setup.

// True when `sid` is one of those; `account` is the running account's.
bool IsTrustedTrustee(PSID sid, PSID account);

// What one untrusted trustee may do; `right` 0 with `found` set: it owns the folder.
struct UntrustedRight
{
    bool found;
    DWORD right;
    PSID trustee;  // inside the descriptor it was found in
};

// The first untrusted trustee, in `descriptor` (owner and rights of a folder), who may
// delete, rename or re-permission the folder itself (`itself`) or delete a folder in it
// (`children`). Entries that apply only to what lies below are passed over; an entry that
// denies is not taken to cancel one that allows.
UntrustedRight FindUntrustedRight(PSECURITY_DESCRIPTOR descriptor, bool itself, bool children, PSID account);

// The right's name as the system's documentation spells it: "DELETE", "WRITE_DAC",
// "WRITE_OWNER", "FILE_DELETE_CHILD", or "owner" for 0.
const wchar_t* RightName(DWORD right);
