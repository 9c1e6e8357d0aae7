#pragma once

#include "base/scoped_handle.h"

#include <windows.h>

// Rights written in the system's security descriptor text form, made into a descriptor that
// frees itself. False with the system's reason when the text is refused.
bool SecurityFromText(const wchar_t* text, UniqueLocalMemory& descriptor);

// True when the kernel object's owner is SYSTEM or the Administrators group: a name made
// first by an ordinary user is not one of ours, whatever it is called.
bool OwnedBySystemOrAdministrators(HANDLE object);

// Room for the running account's identity as the token tells it.
struct AccountSidBuffer
{
    BYTE bytes[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
};
// The SID of the account this process runs as, inside `buffer`; nullptr when unreadable.
PSID RunningAccountSid(AccountSidBuffer& buffer);
// The same of another process, opened with query rights; nullptr when unreadable.
PSID ProcessAccountSid(HANDLE process, AccountSidBuffer& buffer);

// Rights for SYSTEM, Administrators and the account this process runs as, nobody else and
// nothing inherited: for files the setup makes for whoever runs it (its log).
bool PrivateFileSecurity(UniqueLocalMemory& descriptor);
