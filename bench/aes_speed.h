#pragma once

#include "formats/crypto/aes_cipher.h"

// AES-128 decryption in place of one 64 KiB chunk, as extraction does it, in MB per
// second of processor time: the median of `runs` runs of a quarter of a second each.
double MeasureAesDecryption(CAesCipher::Rounds which, int runs);
