#pragma once
#include <stddef.h>

// Writes the C++ header that tells the setup program what its archive holds:
// kPayloadLongestPath, the characters of the archive's longest relative path, and
// kPayloadContentBytes, what its files take unpacked. Written with the archive in the same
// run, so that the settings page's folder length limit and the room the installation asks
// of the drive are never typed by hand and always belong to the archive embedded beside it.
bool WritePathsHeader(const wchar_t* path, size_t longestPath, unsigned long long contentBytes);
