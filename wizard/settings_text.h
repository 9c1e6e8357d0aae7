#pragma once
#include <stddef.h>

// Text rules of the settings page's fields.

// Removes blanks, tabs, CR and LF at both ends, in place.
void TrimBlanks(wchar_t* text);
// The root of the folder's drive: the text up to and including its first colon followed
// by a backslash ("D:\\x" gives "D:\\"); a text without a colon is taken whole. Cut to
// `capacity`, always terminated.
void GetDriveRoot(const wchar_t* folder, wchar_t* root, size_t capacity);
// True when the name holds a slash or a backslash, which a service name must not.
bool HasPathSeparator(const wchar_t* name);
