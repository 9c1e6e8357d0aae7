#pragma once
#include <windows.h>

// Seams of the installation folder's rights: platform calls that tests replace (through
// ScopedSeam) to produce what Wine cannot; the product never replaces them.

// SetKernelObjectSecurity on a file's handle: Wine keeps no file security descriptors, so
// what a run set, and what it put back, shows only here.
using SetObjectSecurityCall = BOOL(WINAPI*)(HANDLE object, SECURITY_INFORMATION what,
                                            PSECURITY_DESCRIPTOR descriptor);
extern SetObjectSecurityCall g_setObjectSecurityCall;
