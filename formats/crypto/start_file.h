#pragma once
#include <windows.h>
#include <stddef.h>

// Writes "<installDir>\config\start.dat" for a new installation: the administrator
// account record followed by the server locale record, encrypted with DataKey. The file
// is readable by SYSTEM and Administrators only. Only failing to create the file or to
// set those rights is an error (false, the reason in the thread's last error); the writes
// after it are not examined.
bool WriteStartFile(const wchar_t* installDir, const BYTE* accountRecord, size_t accountSize,
                    const BYTE* localeRecord, size_t localeSize);
