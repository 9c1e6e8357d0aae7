#pragma once
#include <stddef.h>

// The AES rounds through the processor's AES instructions, many blocks at a time.
// This file's code is built with those instructions enabled: call it only when
// AesInstructionsAvailable() (formats/crypto/aes_cipher.h) says the processor has them.
//
// `roundKeys` are the table code's expanded keys: 4 * (rounds + 1) 32-bit words in host
// order, each holding four key bytes big-endian. `decryptKeys` are those of the
// equivalent inverse cipher (reverse round order, inner rounds through InvMixColumns),
// which is what the decryption instruction expects. `in` and `out` may be the same.
void AesHardwareEncrypt(const unsigned char* roundKeys, int rounds, const unsigned char* in,
                        unsigned char* out, size_t blocks);
void AesHardwareDecrypt(const unsigned char* decryptKeys, int rounds, const unsigned char* in,
                        unsigned char* out, size_t blocks);
