#include "bench/aes_speed.h"

#include <algorithm>
#include <vector>

#include "bench/bench_clock.h"
#include "formats/crypto/data_key.h"

namespace {

const DWORD kChunkSize = 65536;
const double kRunSeconds = 0.25;
const int kChunksBetweenClockReads = 16;

}  // namespace

double MeasureAesDecryption(CAesCipher::Rounds which, int runs)
{
    static BYTE chunk[kChunkSize];
    for (DWORD i = 0; i < kChunkSize; ++i)
        chunk[i] = static_cast<BYTE>(i * 131 + 7);
    CAesCipher cipher;
    cipher.SetKey(DataKey, kDataKeyBits, which);
    std::vector<double> speeds;
    for (int run = 0; run < runs; ++run) {
        double start = BenchThreadSeconds(), elapsed = 0;
        ULONGLONG bytes = 0;
        do {
            // Asking for the thread's times costs a system call: not after every chunk.
            for (int i = 0; i < kChunksBetweenClockReads; ++i)
                cipher.DecryptBlocks(chunk, chunk, kChunkSize / CAesCipher::kBlockSize);
            bytes += kChunkSize * kChunksBetweenClockReads;
            elapsed = BenchThreadSeconds() - start;
        } while (elapsed < kRunSeconds);
        speeds.push_back(bytes / kBenchMegabyte / elapsed);
    }
    std::sort(speeds.begin(), speeds.end());
    return speeds[speeds.size() / 2];
}
