#include "formats/crypto/aes_hardware.h"

// Only the intrinsics: anything inline from other headers compiled here would carry the
// AES and SSE4.1 instructions into code that the linker may share with other files.
#include <smmintrin.h>
#include <wmmintrin.h>

namespace {

const int kMaxRounds = 14;
// Independent blocks in flight: the instructions' latency is several times their issue
// interval. The 32-bit target has only eight vector registers.
const size_t kLanes = sizeof(void*) == 8 ? 8 : 4;

struct RoundKeys
{
    __m128i key[kMaxRounds + 1];
};

// The table code keeps each word's bytes big-endian; the instructions take the key
// bytes in their natural order.
void LoadRoundKeys(const unsigned char* words, int rounds, RoundKeys& keys)
{
    const __m128i byteOrder = _mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
    for (int round = 0; round <= rounds; ++round) {
        __m128i word = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words + 16 * round));
        keys.key[round] = _mm_shuffle_epi8(word, byteOrder);
    }
}

inline __m128i Load(const unsigned char* p, size_t block)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * block));
}

inline void Store(unsigned char* p, size_t block, __m128i value)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * block), value);
}

template <bool kDecrypt>
inline __m128i Round(__m128i state, __m128i key)
{
    return kDecrypt ? _mm_aesdec_si128(state, key) : _mm_aesenc_si128(state, key);
}

template <bool kDecrypt>
inline __m128i LastRound(__m128i state, __m128i key)
{
    return kDecrypt ? _mm_aesdeclast_si128(state, key) : _mm_aesenclast_si128(state, key);
}

template <bool kDecrypt>
void Transform(const unsigned char* words, int rounds, const unsigned char* in, unsigned char* out,
               size_t blocks)
{
    RoundKeys keys;
    LoadRoundKeys(words, rounds, keys);
    size_t done = 0;
    for (; done + kLanes <= blocks; done += kLanes) {
        __m128i state[kLanes];
#pragma GCC unroll 8
        for (size_t lane = 0; lane < kLanes; ++lane)
            state[lane] = _mm_xor_si128(Load(in, done + lane), keys.key[0]);
        for (int round = 1; round < rounds; ++round) {
#pragma GCC unroll 8
            for (size_t lane = 0; lane < kLanes; ++lane)
                state[lane] = Round<kDecrypt>(state[lane], keys.key[round]);
        }
#pragma GCC unroll 8
        for (size_t lane = 0; lane < kLanes; ++lane)
            Store(out, done + lane, LastRound<kDecrypt>(state[lane], keys.key[rounds]));
    }
    for (; done < blocks; ++done) {
        __m128i state = _mm_xor_si128(Load(in, done), keys.key[0]);
        for (int round = 1; round < rounds; ++round)
            state = Round<kDecrypt>(state, keys.key[round]);
        Store(out, done, LastRound<kDecrypt>(state, keys.key[rounds]));
    }
}

}  // namespace

void AesHardwareEncrypt(const unsigned char* roundKeys, int rounds, const unsigned char* in,
                        unsigned char* out, size_t blocks)
{
    Transform<false>(roundKeys, rounds, in, out, blocks);
}

void AesHardwareDecrypt(const unsigned char* decryptKeys, int rounds, const unsigned char* in,
                        unsigned char* out, size_t blocks)
{
    Transform<true>(decryptKeys, rounds, in, out, blocks);
}
