#pragma once
#include <windows.h>

// The AES block cipher (128-, 192- and 256-bit keys), one 16-byte block at a time.
// The substitution and round tables are computed on the first key setup in the process
// and shared by every instance.
class CAesCipher
{
public:
    static const int kBlockSize = 16;

    CAesCipher();
    ~CAesCipher();
    CAesCipher(const CAesCipher&) = delete;
    CAesCipher& operator=(const CAesCipher&) = delete;

    // `bits` is 128, 192 or 256. Derives both the encryption and the decryption round
    // keys. Any other length or a missing key fails (ERROR_INVALID_PARAMETER) and leaves
    // no key set.
    bool SetKey(const BYTE* key, int bits);
    bool HasKey() const { return rounds_ != 0; }

    // `in` and `out` may be the same block. Nothing happens when either is missing or no
    // key is set.
    void EncryptBlock(const BYTE* in, BYTE* out) const;
    void DecryptBlock(const BYTE* in, BYTE* out) const;

private:
    void Clear();
    void Transform(const DWORD* keys, bool inverse, const BYTE* in, BYTE* out) const;

    DWORD encryptKeys_[60];
    DWORD decryptKeys_[60];
    int rounds_;
};
