// The AES block cipher: standard vectors, key handling, the one-time table set-up, and the
// processor's instructions agreeing with the tables.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <random>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

#include "formats/crypto/aes_cipher.h"
#include "support/program_run.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes FromHex(const char* hex)
{
    Bytes bytes;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        bytes.push_back(static_cast<BYTE>(strtoul(pair, nullptr, 16)));
    }
    return bytes;
}

// All blocks of `data` through the cipher in one call.
Bytes Blocks(const CAesCipher& cipher, bool decrypt, const Bytes& data)
{
    Bytes out(data.size());
    const size_t blocks = data.size() / CAesCipher::kBlockSize;
    decrypt ? cipher.DecryptBlocks(data.data(), out.data(), blocks) : cipher.EncryptBlocks(data.data(), out.data(), blocks);
    return out;
}

Bytes RandomBytes(std::mt19937& random, size_t count)
{
    Bytes bytes(count);
    for (BYTE& byte : bytes)
        byte = static_cast<BYTE>(random());
    return bytes;
}

struct Vector { int bits; const char* key; const char* plain; const char* cipher; };

// One per key size: FIPS-197 appendix C.1 to C.3.
const Vector kStandardVectors[] = {
    {128, "000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {192, "000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
     "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {256, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
};

}  // namespace

// The tables are built by whichever thread sets a key first, and the others must not see
// them half built. Only a fresh process has not built them yet, so the race runs in a
// copy of this program started for just this test.
TEST(AesCipherFirstUse, ThreadsRacingForTheFirstKeySetupAllGetCorrectTables)
{
    const wchar_t* kChildMarker = L"VELMORA_AES_FIRST_USE_CHILD";
    if (GetEnvironmentVariableW(kChildMarker, nullptr, 0) == 0) {
        wchar_t program[MAX_PATH];
        ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
        SetEnvironmentVariableW(kChildMarker, L"1");
        ProgramRun child = RunProgram({L"\"" + std::wstring(program) + L"\" --gtest_filter=AesCipherFirstUse.*"});
        SetEnvironmentVariableW(kChildMarker, nullptr);
        ASSERT_TRUE(child.ended);
        EXPECT_EQ(0u, child.exitCode) << "the first key setups in a fresh process disagreed";
        return;
    }
    const Vector& v = kStandardVectors[0];
    const Bytes key = FromHex(v.key), plain = FromHex(v.plain), sealed = FromHex(v.cipher);
    std::atomic<bool> go(false);
    std::atomic<int> correct(0);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            while (!go)
                std::this_thread::yield();
            CAesCipher cipher;
            correct += cipher.SetKey(key.data(), v.bits) && Blocks(cipher, false, plain) == sealed;
        });
    go = true;
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(8, correct);
}

// Both the tables and (where the processor has them) the AES instructions; each key set
// over a longer one, which it must replace whole.
TEST(AesCipher, MatchesTheStandardVectorsForAllKeySizes)
{
    for (CAesCipher::Rounds which : {CAesCipher::Rounds::kTables, CAesCipher::Rounds::kFastest}) {
        for (const Vector& v : kStandardVectors) {
            CAesCipher cipher;
            Bytes previous = FromHex(kStandardVectors[v.bits == 256 ? 1 : 2].key), key = FromHex(v.key);
            ASSERT_TRUE(cipher.SetKey(previous.data(), v.bits == 256 ? 192 : 256, which));
            ASSERT_TRUE(cipher.SetKey(key.data(), v.bits, which)) << v.bits;
            SCOPED_TRACE(testing::Message() << (cipher.UsesAesInstructions() ? "AES instructions " : "tables ") << v.bits);
            const Bytes plain = FromHex(v.plain), sealed = FromHex(v.cipher);
            EXPECT_EQ(sealed, Blocks(cipher, false, plain));
            EXPECT_EQ(plain, Blocks(cipher, true, sealed));
            // One block in place, as the data file uses it.
            Bytes block = plain;
            cipher.EncryptBlock(block.data(), block.data());
            EXPECT_EQ(sealed, block);
            cipher.DecryptBlock(block.data(), block.data());
            EXPECT_EQ(plain, block);
        }
    }
}

TEST(AesCipher, RefusesOtherKeyLengthsAndThenEncryptsNothing)
{
    Bytes key = FromHex(kStandardVectors[2].key);
    for (int bits : {0, 127, 129, 512, -128}) {
        CAesCipher cipher;
        ASSERT_TRUE(cipher.SetKey(key.data(), 128));
        SetLastError(0);
        EXPECT_FALSE(cipher.SetKey(key.data(), bits)) << bits;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
        Bytes out(32, 0xCC);
        cipher.EncryptBlock(key.data(), out.data());
        cipher.DecryptBlocks(key.data(), out.data(), 2);
        EXPECT_EQ(Bytes(32, 0xCC), out) << bits;
    }
}

// Random keys of every length, random blocks, many at once (with the tails that do not
// fill a batch of the instructions).
TEST(AesCipherPaths, InstructionsAndTablesAgreeOnRandomKeysAndBlocks)
{
    if (!AesInstructionsAvailable())
        GTEST_SKIP() << "this processor has no AES instructions: only the tables run here";
    std::mt19937 random(0x5EED1234);
    for (int bits : {128, 192, 256}) {
        for (int trial = 0; trial < 40; ++trial) {
            SCOPED_TRACE(testing::Message() << bits << " bits, trial " << trial);
            Bytes key = RandomBytes(random, bits / 8);
            CAesCipher fast, tables;
            ASSERT_TRUE(fast.SetKey(key.data(), bits));
            ASSERT_TRUE(tables.SetKey(key.data(), bits, CAesCipher::Rounds::kTables));
            ASSERT_TRUE(fast.UsesAesInstructions());
            ASSERT_FALSE(tables.UsesAesInstructions());
            // 1 to 37 blocks: whole batches of the instructions, and tails of every length.
            size_t blocks = 1 + random() % 37;
            Bytes plain = RandomBytes(random, blocks * CAesCipher::kBlockSize);
            Bytes sealed = Blocks(tables, false, plain);
            EXPECT_EQ(sealed, Blocks(fast, false, plain));
            fast.DecryptBlocks(sealed.data(), sealed.data(), blocks);  // in place
            EXPECT_EQ(plain, sealed);
        }
    }
}
