#include "formats/crypto/aes_cipher.h"

#include "formats/crypto/aes_hardware.h"

#include <cpuid.h>
#include <string.h>

namespace {

// Substitution boxes and the four rotations of the combined SubBytes/ShiftRows/
// MixColumns round tables, for both directions. Words are big-endian column images.
struct AesTables
{
    BYTE sbox[256];
    BYTE inverseSbox[256];
    DWORD encrypt[4][256];
    DWORD decrypt[4][256];
    DWORD roundConstants[10];
};

AesTables g_tables;
// 0: not computed, 1: being computed by one thread, 2: ready.
volatile LONG g_tablesState = 0;

inline BYTE Times2(BYTE value)
{
    return static_cast<BYTE>((value << 1) ^ ((value & 0x80) ? 0x1B : 0));
}

BYTE Multiply(BYTE a, BYTE b)
{
    BYTE product = 0;
    while (b != 0) {
        if (b & 1)
            product ^= a;
        a = Times2(a);
        b >>= 1;
    }
    return product;
}

inline DWORD RotateRight8(DWORD word)
{
    return (word >> 8) | (word << 24);
}

inline DWORD Pack(BYTE b0, BYTE b1, BYTE b2, BYTE b3)
{
    return static_cast<DWORD>(b0) << 24 | static_cast<DWORD>(b1) << 16 | static_cast<DWORD>(b2) << 8 | b3;
}

void ComputeTables(AesTables& t)
{
    // Powers and logarithms of the generator 3 in GF(2^8) give the multiplicative inverse.
    BYTE power[256];
    BYTE logarithm[256] = {};
    BYTE x = 1;
    for (int i = 0; i < 255; ++i) {
        power[i] = x;
        logarithm[x] = static_cast<BYTE>(i);
        x = static_cast<BYTE>(x ^ Times2(x));
    }
    power[255] = power[0];

    for (int i = 0; i < 256; ++i) {
        BYTE inverse = i == 0 ? 0 : power[255 - logarithm[i]];
        // Affine transform: b ^ rotl(b,1) ^ rotl(b,2) ^ rotl(b,3) ^ rotl(b,4) ^ 0x63.
        BYTE s = inverse;
        BYTE rotated = inverse;
        for (int r = 0; r < 4; ++r) {
            rotated = static_cast<BYTE>((rotated << 1) | (rotated >> 7));
            s ^= rotated;
        }
        s ^= 0x63;
        t.sbox[i] = s;
        t.inverseSbox[s] = static_cast<BYTE>(i);
    }

    for (int i = 0; i < 256; ++i) {
        BYTE s = t.sbox[i];
        DWORD e = Pack(Times2(s), s, s, static_cast<BYTE>(Times2(s) ^ s));
        BYTE v = t.inverseSbox[i];
        DWORD d = Pack(Multiply(v, 0x0E), Multiply(v, 0x09), Multiply(v, 0x0D), Multiply(v, 0x0B));
        for (int r = 0; r < 4; ++r) {
            t.encrypt[r][i] = e;
            t.decrypt[r][i] = d;
            e = RotateRight8(e);
            d = RotateRight8(d);
        }
    }

    BYTE rc = 1;
    for (int i = 0; i < 10; ++i) {
        t.roundConstants[i] = static_cast<DWORD>(rc) << 24;
        rc = Times2(rc);
    }
}

// The first key setup computes the tables; a thread that arrives meanwhile waits for the
// one doing it, so no instance ever reads half-built tables.
void EnsureTables()
{
    if (g_tablesState == 2)
        return;
    if (InterlockedCompareExchange(&g_tablesState, 1, 0) == 0) {
        ComputeTables(g_tables);
        InterlockedExchange(&g_tablesState, 2);
        return;
    }
    while (InterlockedCompareExchange(&g_tablesState, 2, 2) != 2)
        Sleep(0);
}

inline DWORD LoadWord(const BYTE* p)
{
    return Pack(p[0], p[1], p[2], p[3]);
}

inline void StoreWord(DWORD word, BYTE* p)
{
    p[0] = static_cast<BYTE>(word >> 24);
    p[1] = static_cast<BYTE>(word >> 16);
    p[2] = static_cast<BYTE>(word >> 8);
    p[3] = static_cast<BYTE>(word);
}

inline DWORD SubWord(DWORD word)
{
    const BYTE* s = g_tables.sbox;
    return Pack(s[word >> 24], s[(word >> 16) & 0xFF], s[(word >> 8) & 0xFF], s[word & 0xFF]);
}

// InvMixColumns of one round-key word, for the equivalent inverse cipher.
inline DWORD InverseMixWord(DWORD word)
{
    const BYTE* s = g_tables.sbox;
    return g_tables.decrypt[0][s[word >> 24]] ^ g_tables.decrypt[1][s[(word >> 16) & 0xFF]] ^
           g_tables.decrypt[2][s[(word >> 8) & 0xFF]] ^ g_tables.decrypt[3][s[word & 0xFF]];
}

// The rounds of either direction over `blocks` blocks. The inverse cipher's ShiftRows
// takes each column's bytes from the columns to its left instead of its right; the tables
// do the rest. The direction is a template argument so that every index is a constant
// and the state stays in registers.
template <bool kInverse>
void TableRounds(const DWORD* roundKeys, int rounds, const BYTE* in, BYTE* out, size_t blocks)
{
    const DWORD(&table)[4][256] = kInverse ? g_tables.decrypt : g_tables.encrypt;
    const BYTE* box = kInverse ? g_tables.inverseSbox : g_tables.sbox;
    const int right = kInverse ? 3 : 1;
    const int left = kInverse ? 1 : 3;
    for (size_t block = 0; block < blocks; ++block, in += 16, out += 16) {
        const DWORD* keys = roundKeys;
        DWORD s[4], t[4];
#pragma GCC unroll 4
        for (int c = 0; c < 4; ++c)
            s[c] = LoadWord(in + 4 * c) ^ keys[c];
        for (int round = 1; round < rounds; ++round) {
            keys += 4;
#pragma GCC unroll 4
            for (int c = 0; c < 4; ++c) {
                t[c] = table[0][s[c] >> 24] ^ table[1][(s[(c + right) & 3] >> 16) & 0xFF] ^
                       table[2][(s[(c + 2) & 3] >> 8) & 0xFF] ^ table[3][s[(c + left) & 3] & 0xFF] ^ keys[c];
            }
            memcpy(s, t, sizeof(s));
        }
        keys += 4;
#pragma GCC unroll 4
        for (int c = 0; c < 4; ++c) {
            DWORD word = Pack(box[s[c] >> 24], box[(s[(c + right) & 3] >> 16) & 0xFF],
                              box[(s[(c + 2) & 3] >> 8) & 0xFF], box[s[(c + left) & 3] & 0xFF]);
            StoreWord(word ^ keys[c], out + 4 * c);
        }
    }
}

bool ProcessorHasAesInstructions()
{
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    // __get_cpuid also copes with 32-bit processors that have no cpuid at all.
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    return (ecx & bit_AES) != 0 && (ecx & bit_SSE4_1) != 0;
}

}  // namespace

bool AesInstructionsAvailable()
{
    // Every thread computes the same answer, so a race only repeats the question.
    static const bool available = ProcessorHasAesInstructions();
    return available;
}

CAesCipher::CAesCipher() : rounds_(0), instructions_(false)
{
    Clear();
}

CAesCipher::~CAesCipher()
{
    Clear();
}

void CAesCipher::Clear()
{
    SecureZeroMemory(encryptKeys_, sizeof(encryptKeys_));
    SecureZeroMemory(decryptKeys_, sizeof(decryptKeys_));
    rounds_ = 0;
    instructions_ = false;
}

bool CAesCipher::SetKey(const BYTE* key, int bits, Rounds which)
{
    Clear();
    if (key == nullptr || (bits != 128 && bits != 192 && bits != 256)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    EnsureTables();

    const int keyWords = bits / 32;
    const int roundCount = keyWords + 6;
    const int totalWords = 4 * (roundCount + 1);
    DWORD* w = encryptKeys_;
    for (int i = 0; i < keyWords; ++i)
        w[i] = LoadWord(key + 4 * i);
    for (int i = keyWords; i < totalWords; ++i) {
        DWORD temp = w[i - 1];
        if (i % keyWords == 0)
            temp = SubWord((temp << 8) | (temp >> 24)) ^ g_tables.roundConstants[i / keyWords - 1];
        else if (keyWords > 6 && i % keyWords == 4)
            temp = SubWord(temp);
        w[i] = w[i - keyWords] ^ temp;
    }

    // Decryption keys: the encryption keys in reverse round order, the inner rounds
    // passed through InvMixColumns.
    for (int round = 0; round <= roundCount; ++round) {
        for (int c = 0; c < 4; ++c) {
            DWORD word = w[4 * (roundCount - round) + c];
            decryptKeys_[4 * round + c] = (round == 0 || round == roundCount) ? word : InverseMixWord(word);
        }
    }
    rounds_ = roundCount;
    instructions_ = which == Rounds::kFastest && AesInstructionsAvailable();
    return true;
}

void CAesCipher::EncryptBlock(const BYTE* in, BYTE* out) const
{
    EncryptBlocks(in, out, 1);
}

void CAesCipher::DecryptBlock(const BYTE* in, BYTE* out) const
{
    DecryptBlocks(in, out, 1);
}

void CAesCipher::EncryptBlocks(const BYTE* in, BYTE* out, size_t blocks) const
{
    TransformBlocks(false, in, out, blocks);
}

void CAesCipher::DecryptBlocks(const BYTE* in, BYTE* out, size_t blocks) const
{
    TransformBlocks(true, in, out, blocks);
}

void CAesCipher::TransformBlocks(bool inverse, const BYTE* in, BYTE* out, size_t blocks) const
{
    if (in == nullptr || out == nullptr || rounds_ == 0)
        return;
    const DWORD* keys = inverse ? decryptKeys_ : encryptKeys_;
    if (instructions_) {
        const BYTE* keyBytes = reinterpret_cast<const BYTE*>(keys);
        (inverse ? AesHardwareDecrypt : AesHardwareEncrypt)(keyBytes, rounds_, in, out, blocks);
    } else if (inverse) {
        TableRounds<true>(keys, rounds_, in, out, blocks);
    } else {
        TableRounds<false>(keys, rounds_, in, out, blocks);
    }
}
