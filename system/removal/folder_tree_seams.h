#pragma once
#include <windows.h>
#include <winternl.h>

// Seams of the folder tree's deletion: platform calls that tests replace (through
// ScopedSeam) to produce what Wine cannot; the product never replaces them.

// NtOpenFile of an entry relative to the folder that listed it: Wine cannot be made to
// swap a folder for a link between the listing and the opening, so a test's fake does it
// before it calls the real one.
using OpenEntryCall = NTSTATUS(NTAPI*)(HANDLE* entry, ACCESS_MASK access, OBJECT_ATTRIBUTES* name,
                                       IO_STATUS_BLOCK* io, ULONG share, ULONG options);
extern OpenEntryCall g_openEntryCall;
