#pragma once
#include <windows.h>
#include "formats/language/language_tables.h"

// Smallest language resource: code page, two record counts and the description's length.
const size_t kLanguageHeaderSize = 16;

// Reads the bytes of a language resource into `tables`: the dialog and list arrays are
// replaced, the string array only when the resource holds a string record. Every read
// stays inside [data, data + size) and every text inside its record, whatever the bytes
// say; what a damaged resource does not hold is simply not loaded. False (last error
// ERROR_INVALID_DATA) when the block is shorter than the header or holds a record of
// an unknown type, ERROR_NOT_ENOUGH_MEMORY when the arrays cannot be allocated; records
// read before that stay loaded.
bool ReadLanguageResource(const BYTE* data, size_t size, CLanguageTables& tables);
