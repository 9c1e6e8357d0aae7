#pragma once
#include <windows.h>

// Who owns a file or object, in the terms the setup's trust rules use. The setup runs as an
// administrator: what it reads or appends to must belong to an account that could have
// done the same (or to the account running it), never to an ordinary user.
enum class OwnerKind
{
    kSystem,
    kAdministrators,        // the Administrators group itself
    kTrustedInstaller,      // the servicing account of Windows 6.0 and later
    kAdministratorMember,   // an account in the local Administrators group
    kRunningAccount,        // the account this process runs as
    kOther,                 // anyone else
    kUnknown,               // no owner could be read (a share, a file system without owners)
};

// The kind of `owner`. Membership is asked of the local Administrators group's direct members.
OwnerKind ClassifyOwner(PSID owner);

// The kind of the owner of the open file `file` (opened with READ_CONTROL); kUnknown when
// the system cannot tell.
OwnerKind FileOwnerKind(HANDLE file);

// Owners the setup trusts with a file it writes to: SYSTEM, Administrators, a member of
// Administrators, the running account.
bool IsAdministrativeOrOwnOwner(OwnerKind kind);

// A text naming `kind`, for messages and the log.
const wchar_t* OwnerKindText(OwnerKind kind);
