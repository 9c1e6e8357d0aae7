#include "formats/digest/digest160.h"

#include <string.h>

namespace {

const int kBlockSize = 64;

inline DWORD RotateLeft(DWORD value, int bits)
{
    return (value << bits) | (value >> (32 - bits));
}

// The SHA-1 compression function with the block's words taken little-endian.
void Compress(DWORD state[5], const BYTE* block)
{
    DWORD w[80];
    for (int i = 0; i < 16; ++i) {
        w[i] = static_cast<DWORD>(block[4 * i]) | static_cast<DWORD>(block[4 * i + 1]) << 8 |
               static_cast<DWORD>(block[4 * i + 2]) << 16 | static_cast<DWORD>(block[4 * i + 3]) << 24;
    }
    for (int i = 16; i < 80; ++i)
        w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);

    DWORD a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        DWORD f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        DWORD next = RotateLeft(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    SecureZeroMemory(w, sizeof(w));
}

}  // namespace

bool Digest160(const void* data, int length, BYTE* out, int wanted)
{
    if (data == nullptr || out == nullptr || length < 0 || wanted < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    DWORD state[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    const BYTE* input = static_cast<const BYTE*>(data);
    int whole = length / kBlockSize;
    for (int i = 0; i < whole; ++i)
        Compress(state, input + i * kBlockSize);

    // The tail (or the empty input) is zero-filled to a whole block; no length is hashed.
    int rest = length % kBlockSize;
    if (rest != 0 || length == 0) {
        BYTE last[kBlockSize] = {};
        memcpy(last, input + whole * kBlockSize, rest);
        Compress(state, last);
        SecureZeroMemory(last, sizeof(last));
    }

    BYTE result[kDigest160Size];
    for (int i = 0; i < 5; ++i) {
        result[4 * i] = static_cast<BYTE>(state[i]);
        result[4 * i + 1] = static_cast<BYTE>(state[i] >> 8);
        result[4 * i + 2] = static_cast<BYTE>(state[i] >> 16);
        result[4 * i + 3] = static_cast<BYTE>(state[i] >> 24);
    }
    memcpy(out, result, wanted < kDigest160Size ? wanted : kDigest160Size);
    SecureZeroMemory(result, sizeof(result));
    SecureZeroMemory(state, sizeof(state));
    return true;
}

bool Digest160Text(const wchar_t* text, BYTE* out, int wanted)
{
    if (text == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    size_t characters = wcslen(text);
    // Texts here are paths and passwords; anything beyond INT_MAX/2 characters is refused.
    if (characters > 0x3FFFFFFF) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    // wchar_t is 16-bit little-endian on Windows, so the string's memory is its UTF-16LE bytes.
    return Digest160(text, static_cast<int>(characters * 2), out, wanted);
}
