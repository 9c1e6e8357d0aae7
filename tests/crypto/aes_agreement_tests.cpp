// The processor's AES instructions and the table code must give the same bytes: random
// keys of every length, random blocks, many at once (with the tails that do not fill a
// batch of the instructions) and one at a time, in place and not.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <vector>

#include "formats/crypto/aes_cipher.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes RandomBytes(std::mt19937& random, size_t count)
{
    Bytes bytes(count);
    for (BYTE& byte : bytes)
        byte = static_cast<BYTE>(random());
    return bytes;
}

Bytes EncryptAll(const CAesCipher& cipher, const Bytes& in)
{
    Bytes out(in.size());
    cipher.EncryptBlocks(in.data(), out.data(), in.size() / CAesCipher::kBlockSize);
    return out;
}

Bytes DecryptAll(const CAesCipher& cipher, const Bytes& in)
{
    Bytes out(in.size());
    cipher.DecryptBlocks(in.data(), out.data(), in.size() / CAesCipher::kBlockSize);
    return out;
}

Bytes DecryptOneByOne(const CAesCipher& cipher, Bytes data)
{
    for (size_t offset = 0; offset < data.size(); offset += CAesCipher::kBlockSize)
        cipher.DecryptBlock(&data[offset], &data[offset]);
    return data;
}

}  // namespace

TEST(AesCipherPaths, InstructionsAndTablesAgreeOnRandomKeysAndBlocks)
{
    if (!AesInstructionsAvailable())
        GTEST_SKIP() << "this processor has no AES instructions: only the tables run here";

    std::mt19937 random(0x5EED1234);
    for (int bits : {128, 192, 256}) {
        for (int trial = 0; trial < 40; ++trial) {
            Bytes key = RandomBytes(random, bits / 8);
            CAesCipher fast, tables;
            ASSERT_TRUE(fast.SetKey(key.data(), bits));
            ASSERT_TRUE(tables.SetKey(key.data(), bits, CAesCipher::Rounds::kTables));
            ASSERT_TRUE(fast.UsesAesInstructions());
            ASSERT_FALSE(tables.UsesAesInstructions());

            // 1 to 37 blocks: whole batches of the instructions, and tails of every length.
            size_t blocks = 1 + random() % 37;
            Bytes plain = RandomBytes(random, blocks * CAesCipher::kBlockSize);
            Bytes sealed = EncryptAll(tables, plain);
            EXPECT_EQ(sealed, EncryptAll(fast, plain)) << bits << " bits, trial " << trial;
            EXPECT_EQ(plain, DecryptAll(fast, sealed)) << bits << " bits, trial " << trial;

            // Blocks that no encryption produced decrypt alike too, however they are fed.
            Bytes noise = RandomBytes(random, blocks * CAesCipher::kBlockSize);
            Bytes opened = DecryptAll(tables, noise);
            EXPECT_EQ(opened, DecryptAll(fast, noise)) << bits << " bits, trial " << trial;
            EXPECT_EQ(opened, DecryptOneByOne(fast, noise)) << bits << " bits, trial " << trial;
            Bytes inPlace = noise;
            fast.DecryptBlocks(inPlace.data(), inPlace.data(), blocks);
            EXPECT_EQ(opened, inPlace) << bits << " bits, trial " << trial;
        }
    }
}
