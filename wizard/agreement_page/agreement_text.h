#pragma once
#include <windows.h>

#include "base/scoped_handle.h"

// The end-user agreement for a system locale: "LNG" 12 (Russian) for 1049, else 11.
UINT AgreementResourceId(LCID systemLocale);

// Loads the "LNG" resource `resourceId` of `module`, UTF-16LE text with or without a
// byte-order mark and without terminator, into a terminated copy without the mark.
// False (text left empty) when the resource is missing or holds 50 bytes or fewer.
bool LoadAgreementText(HMODULE module, UINT resourceId, UniqueLocalMemory& text);
