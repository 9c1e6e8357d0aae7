#pragma once

#include "base/scoped_handle.h"

#include <windows.h>

// Rights written in the system's security descriptor text form, made into a descriptor that
// frees itself. False with the system's reason when the text is refused.
bool SecurityFromText(const wchar_t* text, UniqueLocalMemory& descriptor);

// True when the kernel object's owner is SYSTEM or the Administrators group: a name made
// first by an ordinary user is not one of ours, whatever it is called.
bool OwnedBySystemOrAdministrators(HANDLE object);
