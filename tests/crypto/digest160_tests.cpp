// The password digest: fixed results and its output sizes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>
#include <vector>

#include "formats/digest/digest160.h"

namespace {

using Digest = std::vector<BYTE>;

Digest DigestOf(const void* data, int length)
{
    Digest out(kDigest160Size, 0xCC);
    EXPECT_TRUE(Digest160(data, length, out.data(), kDigest160Size));
    return out;
}

}  // namespace

// Expected bytes were computed with an independent Python transcription of the
// algorithm (SHA-1 rounds over little-endian words, zero-filled last block, no length,
// state words stored little-endian), run over the same inputs.
TEST(Digest160, GivesTheKnownResults)
{
    BYTE counting[65], zeros[64] = {};
    for (int i = 0; i < 65; ++i)
        counting[i] = static_cast<BYTE>(i);
    // Text is hashed as its UTF-16 bytes without the terminator.
    Digest secret(20);
    ASSERT_TRUE(Digest160Text(L"secret", secret.data(), 20));
    const Digest empty = {0xE5, 0x04, 0xB4, 0x92, 0xED, 0x8C, 0x58, 0x56, 0x4E, 0xCD,
                          0x1A, 0x6C, 0x68, 0x3F, 0x05, 0xBF, 0x93, 0x3A, 0xF7, 0x09};
    const struct { const char* what; Digest actual; Digest expected; } cases[] = {
        {"empty", DigestOf("", 0), empty},
        // The empty input is one all-zero block; trailing zeros in the last block change nothing.
        {"zero block", DigestOf(zeros, 64), empty},
        {"abc", DigestOf("abc", 3), {0xCE, 0x4C, 0x95, 0xA7, 0x3D, 0x61, 0xB1, 0x95, 0x19, 0x9C,
                                      0xC8, 0x63, 0x84, 0x01, 0xD2, 0x28, 0x8D, 0x3E, 0xAE, 0xB5}},
        {"one block", DigestOf(counting, 64), {0xEA, 0xB4, 0xC9, 0xD5, 0x38, 0x07, 0x7C, 0x31, 0x9C, 0x5A,
                                                      0xA5, 0xB5, 0x7F, 0x7C, 0xD9, 0x87, 0xCE, 0x18, 0x19, 0x38}},
        {"block and one", DigestOf(counting, 65), {0xB9, 0xCE, 0xF5, 0x1E, 0x4F, 0xCD, 0x93, 0xB1, 0x89, 0x15,
                                                          0x71, 0xAC, 0x56, 0xA1, 0x31, 0x52, 0x6D, 0xFF, 0x7B, 0x01}},
        {"text", secret, {0x11, 0xEA, 0x84, 0xBA, 0xDD, 0xBA, 0x81, 0x02, 0x16, 0xB4,
                          0x32, 0x0C, 0x7F, 0x93, 0x28, 0x98, 0xC1, 0xD8, 0xE4, 0xC6}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, c.actual) << c.what;
}

TEST(Digest160, WritesOnlyTheBytesAskedFor)
{
    const Digest full = DigestOf("abc", 3);
    BYTE out[32];
    for (int size : {32, 20, 19, 0}) {
        memset(out, 0xCC, sizeof(out));
        ASSERT_TRUE(Digest160("abc", 3, out, size)) << size;
        int written = size < 20 ? size : 20;
        EXPECT_EQ(Digest(full.begin(), full.begin() + written), Digest(out, out + written)) << size;
        EXPECT_EQ(Digest(32 - written, 0xCC), Digest(out + written, out + 32)) << size;
    }
    // Negative lengths are refused without writing.
    memset(out, 0xCC, sizeof(out));
    SetLastError(0);
    EXPECT_FALSE(Digest160("abc", -1, out, 20));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(Digest160("abc", 3, out, -1));
    EXPECT_EQ(Digest(32, 0xCC), Digest(out, out + 32));
}
