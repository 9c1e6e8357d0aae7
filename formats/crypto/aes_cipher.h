#pragma once
#include <windows.h>

#include <stddef.h>

// The AES block cipher (128-, 192- and 256-bit keys) on 16-byte blocks, each on its own.
// The substitution and round tables are computed on the first key setup in the process
// and shared by every instance. Where the processor has the AES instructions they do the
// rounds instead of the tables; both give the same bytes.
class CAesCipher
{
public:
    static const int kBlockSize = 16;

    // Which code does the rounds: the fastest that this processor runs, or the tables in
    // any case (to compare them with the instructions).
    enum class Rounds { kFastest, kTables };

    CAesCipher();
    ~CAesCipher();
    CAesCipher(const CAesCipher&) = delete;
    CAesCipher& operator=(const CAesCipher&) = delete;

    // `bits` is 128, 192 or 256. Derives both the encryption and the decryption round
    // keys. Any other length or a missing key fails (ERROR_INVALID_PARAMETER) and leaves
    // no key set.
    bool SetKey(const BYTE* key, int bits, Rounds which = Rounds::kFastest);
    bool HasKey() const { return rounds_ != 0; }
    bool UsesAesInstructions() const { return instructions_; }

    // `in` and `out` may be the same block. Nothing happens when either is missing or no
    // key is set.
    void EncryptBlock(const BYTE* in, BYTE* out) const;
    void DecryptBlock(const BYTE* in, BYTE* out) const;
    // `blocks` consecutive blocks, each on its own (ECB); several at once are much faster
    // than one at a time with the instructions. `in` and `out` are the same buffer or do
    // not overlap.
    void EncryptBlocks(const BYTE* in, BYTE* out, size_t blocks) const;
    void DecryptBlocks(const BYTE* in, BYTE* out, size_t blocks) const;

private:
    void Clear();
    void TransformBlocks(bool inverse, const BYTE* in, BYTE* out, size_t blocks) const;

    DWORD encryptKeys_[60];
    DWORD decryptKeys_[60];
    int rounds_;
    bool instructions_;
};

// True when the processor has the AES instructions and SSE4.1 (checked once, by cpuid).
bool AesInstructionsAvailable();
