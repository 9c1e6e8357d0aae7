// The AES block cipher: the standard's example vectors, in-place blocks, key handling
// and the one-time table set-up.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>
#include <vector>

#include "formats/crypto/aes_cipher.h"

namespace {

using Block = std::vector<BYTE>;

Block FromHex(const char* hex)
{
    Block bytes;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        bytes.push_back(static_cast<BYTE>(strtoul(pair, nullptr, 16)));
    }
    return bytes;
}

Block Encrypt(const CAesCipher& cipher, const Block& in)
{
    Block out(16, 0);
    cipher.EncryptBlock(in.data(), out.data());
    return out;
}

Block Decrypt(const CAesCipher& cipher, const Block& in)
{
    Block out(16, 0);
    cipher.DecryptBlock(in.data(), out.data());
    return out;
}

struct Vector
{
    int bits;
    const char* key;
    const char* plain;
    const char* cipher;
};

// FIPS-197 appendix B (the worked example) and appendix C.1 to C.3.
const Vector kStandardVectors[] = {
    {128, "2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734", "3925841d02dc09fbdc118597196a0b32"},
    {128, "000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {192, "000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
     "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {256, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
};

struct FirstSetup
{
    HANDLE start;
    bool correct;
};

DWORD WINAPI SetKeyAndEncrypt(void* parameter)
{
    FirstSetup* setup = static_cast<FirstSetup*>(parameter);
    WaitForSingleObject(setup->start, INFINITE);
    const Vector& v = kStandardVectors[1];
    CAesCipher cipher;
    Block key = FromHex(v.key);
    setup->correct = cipher.SetKey(key.data(), v.bits) && Encrypt(cipher, FromHex(v.plain)) == FromHex(v.cipher);
    return 0;
}

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
        wchar_t commandLine[2 * MAX_PATH];
        wsprintfW(commandLine, L"\"%s\" --gtest_filter=AesCipherFirstUse.*", program);
        SetEnvironmentVariableW(kChildMarker, L"1");
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION child = {};
        BOOL started = CreateProcessW(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
        SetEnvironmentVariableW(kChildMarker, nullptr);
        ASSERT_TRUE(started);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.hProcess, 60000));
        DWORD exitCode = 1;
        GetExitCodeProcess(child.hProcess, &exitCode);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
        EXPECT_EQ(0u, exitCode) << "the first key setups in a fresh process disagreed";
        return;
    }

    HANDLE start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, start);
    const int kThreads = 8;
    FirstSetup setups[kThreads];
    HANDLE threads[kThreads];
    for (int i = 0; i < kThreads; ++i) {
        setups[i] = {start, false};
        threads[i] = CreateThread(nullptr, 0, SetKeyAndEncrypt, &setups[i], 0, nullptr);
        ASSERT_NE(nullptr, threads[i]);
    }
    SetEvent(start);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(kThreads, threads, TRUE, 30000));
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_TRUE(setups[i].correct) << "thread " << i;
        CloseHandle(threads[i]);
    }
    CloseHandle(start);
}

// Both the tables and (where the processor has them) the AES instructions.
TEST(AesCipher, MatchesTheStandardVectorsForAllKeySizesAlsoInPlace)
{
    for (CAesCipher::Rounds which : {CAesCipher::Rounds::kTables, CAesCipher::Rounds::kFastest}) {
        for (const Vector& v : kStandardVectors) {
            CAesCipher cipher;
            Block key = FromHex(v.key);
            ASSERT_TRUE(cipher.SetKey(key.data(), v.bits, which)) << v.bits;
            SCOPED_TRACE(cipher.UsesAesInstructions() ? "AES instructions" : "tables");
            EXPECT_EQ(FromHex(v.cipher), Encrypt(cipher, FromHex(v.plain))) << v.key;
            EXPECT_EQ(FromHex(v.plain), Decrypt(cipher, FromHex(v.cipher))) << v.key;
            Block block = FromHex(v.plain);
            cipher.EncryptBlock(block.data(), block.data());
            EXPECT_EQ(FromHex(v.cipher), block) << v.key;
            cipher.DecryptBlock(block.data(), block.data());
            EXPECT_EQ(FromHex(v.plain), block) << v.key;
        }
    }
}

TEST(AesCipher, ANewKeyReplacesTheOldOneWhole)
{
    CAesCipher cipher;
    Block longKey = FromHex(kStandardVectors[3].key);
    Block shortKey = FromHex(kStandardVectors[1].key);
    ASSERT_TRUE(cipher.SetKey(longKey.data(), 256));
    ASSERT_TRUE(cipher.SetKey(shortKey.data(), 128));
    EXPECT_EQ(FromHex(kStandardVectors[1].cipher), Encrypt(cipher, FromHex(kStandardVectors[1].plain)));
    EXPECT_EQ(FromHex(kStandardVectors[1].plain), Decrypt(cipher, FromHex(kStandardVectors[1].cipher)));
}

TEST(AesCipher, RefusesOtherKeyLengthsAndThenEncryptsNothing)
{
    Block key = FromHex(kStandardVectors[3].key);
    for (int bits : {0, 64, 127, 129, 160, 512, -128}) {
        CAesCipher cipher;
        ASSERT_TRUE(cipher.SetKey(key.data(), 128));
        SetLastError(0);
        EXPECT_FALSE(cipher.SetKey(key.data(), bits)) << bits;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
        Block out(32, 0xCC);
        cipher.EncryptBlock(key.data(), out.data());
        cipher.DecryptBlocks(key.data(), out.data(), 2);
        EXPECT_EQ(Block(32, 0xCC), out) << bits;
    }
    CAesCipher cipher;
    EXPECT_FALSE(cipher.SetKey(nullptr, 128));
    EXPECT_FALSE(cipher.HasKey());
}
