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

// Delete, rename or re-permission an object.
const DWORD kReplaceRights = DELETE | WRITE_DAC | WRITE_OWNER;
// Change an object or what a folder holds in any way.
const DWORD kChangeRights =
    kReplaceRights | FILE_DELETE_CHILD | FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES;

// The first untrusted trustee, in `descriptor` (owner and rights of a file or folder), who
// has one of `rights` on the object itself; an owner counts when `rights` include WRITE_DAC,
// since an owner may always change the rights. Entries that apply only to what lies below
// are passed over; an entry that denies is not taken to cancel one that allows.
UntrustedRight FindUntrustedRight(PSECURITY_DESCRIPTOR descriptor, DWORD rights, PSID account);

// A trustee as a message names it: "DOMAIN\\name", else the text of its SID.
void NameTrustee(PSID trustee, wchar_t* name, size_t capacity);

// The right's name as the system's documentation spells it ("DELETE", "FILE_DELETE_CHILD",
// "FILE_WRITE_DATA", ...), or "owner" for 0.
const wchar_t* RightName(DWORD right);
