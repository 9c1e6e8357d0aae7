#pragma once
#include <windows.h>

// The 20-byte password digest shared with the installed server. It runs the SHA-1
// compression function over the input, but reads each block's words little-endian and
// appends neither a 0x80 byte nor the length, so it is not SHA-1 and the server's copy
// must match it bit for bit.
static const int kDigest160Size = 20;

// Writes the first min(wanted, 20) bytes of the digest of `length` bytes at `data` into
// `out`. Fails (ERROR_INVALID_PARAMETER, nothing written) for a missing buffer or a
// negative count.
bool Digest160(const void* data, int length, BYTE* out, int wanted);

// Digest160 of the UTF-16LE bytes of `text`, without its terminator.
bool Digest160Text(const wchar_t* text, BYTE* out, int wanted);
