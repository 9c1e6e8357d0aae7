#pragma once
#include <windows.h>

// The program's AES-128 key: it decrypts the payload archive and encrypts
// config\start.dat. The payload builder and the installed server hold the same bytes,
// so changing it breaks both.
static const int kDataKeyBits = 128;
extern const BYTE DataKey[kDataKeyBits / 8];
