// The password digest: fixed results, its relation to SHA-1, and its edge cases.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

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

Digest DigestOf(const std::vector<BYTE>& bytes)
{
    static const BYTE kNothing = 0;
    return DigestOf(bytes.empty() ? &kNothing : bytes.data(), static_cast<int>(bytes.size()));
}

// SHA-1 from the system's CryptoAPI, as an independent reference.
Digest SystemSha1(const std::vector<BYTE>& message)
{
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    Digest out(20);
    DWORD size = 20;
    EXPECT_TRUE(CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    EXPECT_TRUE(CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash));
    EXPECT_TRUE(CryptHashData(hash, message.data(), static_cast<DWORD>(message.size()), 0));
    EXPECT_TRUE(CryptGetHashParam(hash, HP_HASHVAL, out.data(), &size, 0));
    CryptDestroyHash(hash);
    CryptReleaseContext(provider, 0);
    return out;
}

void SwapWords(std::vector<BYTE>& bytes)
{
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        std::swap(bytes[i], bytes[i + 3]);
        std::swap(bytes[i + 1], bytes[i + 2]);
    }
}

}  // namespace

// Expected bytes were computed with an independent Python transcription of the
// algorithm (SHA-1 rounds over little-endian words, zero-filled last block, no length,
// state words stored little-endian), run over the same inputs.
TEST(Digest160, GivesTheKnownResults)
{
    std::vector<BYTE> counting(65);
    for (int i = 0; i < 65; ++i)
        counting[i] = static_cast<BYTE>(i);
    Digest secret(20), folder(20), emptyText(20);
    ASSERT_TRUE(Digest160Text(L"", emptyText.data(), 20));
    ASSERT_TRUE(Digest160Text(L"secret", secret.data(), 20));
    ASSERT_TRUE(Digest160Text(L"C:\\PROGRAM FILES\\VELMORA", folder.data(), 20));
    const Digest empty = {0xE5, 0x04, 0xB4, 0x92, 0xED, 0x8C, 0x58, 0x56, 0x4E, 0xCD,
                          0x1A, 0x6C, 0x68, 0x3F, 0x05, 0xBF, 0x93, 0x3A, 0xF7, 0x09};
    const Digest abc = {0xCE, 0x4C, 0x95, 0xA7, 0x3D, 0x61, 0xB1, 0x95, 0x19, 0x9C,
                        0xC8, 0x63, 0x84, 0x01, 0xD2, 0x28, 0x8D, 0x3E, 0xAE, 0xB5};
    const struct { const char* what; Digest actual; Digest expected; } cases[] = {
        {"empty", DigestOf("", 0), empty},
        {"empty text", emptyText, empty},
        // The empty input is one all-zero block; trailing zeros in the last block change nothing.
        {"zero block", DigestOf(std::vector<BYTE>(64, 0)), empty},
        {"abc", DigestOf("abc", 3), abc},
        {"abc and zeros", DigestOf("abc\0\0\0", 6), abc},
        {"one block", DigestOf(counting.data(), 64), {0xEA, 0xB4, 0xC9, 0xD5, 0x38, 0x07, 0x7C, 0x31, 0x9C, 0x5A,
                                                      0xA5, 0xB5, 0x7F, 0x7C, 0xD9, 0x87, 0xCE, 0x18, 0x19, 0x38}},
        {"block and one", DigestOf(counting.data(), 65), {0xB9, 0xCE, 0xF5, 0x1E, 0x4F, 0xCD, 0x93, 0xB1, 0x89, 0x15,
                                                          0x71, 0xAC, 0x56, 0xA1, 0x31, 0x52, 0x6D, 0xFF, 0x7B, 0x01}},
        {"text", secret, {0x11, 0xEA, 0x84, 0xBA, 0xDD, 0xBA, 0x81, 0x02, 0x16, 0xB4,
                          0x32, 0x0C, 0x7F, 0x93, 0x28, 0x98, 0xC1, 0xD8, 0xE4, 0xC6}},
        {"folder text", folder, {0xA0, 0xEF, 0xE3, 0xAF, 0xD2, 0x0C, 0xCF, 0xE6, 0x87, 0x86,
                                 0xF9, 0xBE, 0x57, 0xC6, 0x68, 0x6B, 0x57, 0xA7, 0xF8, 0xC2}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, c.actual) << c.what;
}

// One block holding a SHA-1-padded message with its words byte-swapped runs the same
// rounds as SHA-1 on that message; only the output byte order differs. This ties the
// compression function to the system's SHA-1 for many inputs.
TEST(Digest160, RunsTheSha1CompressionFunction)
{
    for (size_t length = 0; length <= 55; length += 5) {
        std::vector<BYTE> message(length);
        for (size_t i = 0; i < length; ++i)
            message[i] = static_cast<BYTE>(i * 37 + length);
        std::vector<BYTE> block(message);
        block.push_back(0x80);
        block.resize(56, 0);
        ULONGLONG bits = length * 8;
        for (int i = 7; i >= 0; --i)
            block.push_back(static_cast<BYTE>(bits >> (8 * i)));
        SwapWords(block);

        Digest expected = SystemSha1(message);
        SwapWords(expected);
        EXPECT_EQ(expected, DigestOf(block)) << "message length " << length;
    }
}

TEST(Digest160, PadsWithZerosAndHashesNoLength)
{
    std::vector<BYTE> block(64);
    for (int i = 0; i < 64; ++i)
        block[i] = static_cast<BYTE>(0xA0 ^ i);
    // Exactly 64 bytes: one block, no padding block after it.
    std::vector<BYTE> withZeroBlock(block), sixtyFive(block);
    withZeroBlock.resize(128, 0);
    EXPECT_NE(DigestOf(block), DigestOf(withZeroBlock));
    // 65 bytes: the second block is the last byte and 63 zeros.
    sixtyFive.push_back(0x5A);
    std::vector<BYTE> twoBlocks(sixtyFive);
    twoBlocks.resize(128, 0);
    EXPECT_EQ(DigestOf(twoBlocks), DigestOf(sixtyFive));
    EXPECT_NE(DigestOf(block), DigestOf(sixtyFive));
}

TEST(Digest160, TextHashesItsUtf16BytesWithoutTerminator)
{
    const wchar_t* text = L"P\x0430ssw\x043E\x0440\x0434!";
    std::vector<BYTE> bytes;
    for (const wchar_t* c = text; *c; ++c)
        bytes.insert(bytes.end(), {static_cast<BYTE>(*c & 0xFF), static_cast<BYTE>(*c >> 8)});
    Digest fromText(20);
    ASSERT_TRUE(Digest160Text(text, fromText.data(), 20));
    EXPECT_EQ(DigestOf(bytes), fromText);
}

TEST(Digest160, WritesOnlyTheBytesAskedForAndRefusesMissingBuffers)
{
    const Digest full = DigestOf("abc", 3);
    BYTE out[32];
    for (int size : {32, 20, 5, 0}) {
        memset(out, 0xCC, sizeof(out));
        ASSERT_TRUE(Digest160("abc", 3, out, size)) << size;
        int written = size < 20 ? size : 20;
        EXPECT_EQ(Digest(full.begin(), full.begin() + written), Digest(out, out + written)) << size;
        EXPECT_EQ(Digest(32 - written, 0xCC), Digest(out + written, out + 32)) << size;
    }
    memset(out, 0xCC, sizeof(out));
    SetLastError(0);
    EXPECT_FALSE(Digest160(nullptr, 0, out, 20));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(Digest160("abc", 3, nullptr, 20));
    EXPECT_FALSE(Digest160("abc", -1, out, 20));
    EXPECT_FALSE(Digest160("abc", 3, out, -1));
    EXPECT_FALSE(Digest160Text(nullptr, out, 20));
    EXPECT_FALSE(Digest160Text(L"abc", nullptr, 20));
    EXPECT_FALSE(Digest160Text(L"abc", out, -20));
    EXPECT_EQ(Digest(32, 0xCC), Digest(out, out + 32));
}
