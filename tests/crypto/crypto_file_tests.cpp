// The encrypted data file: its byte layout, buffering, refusals, and config\start.dat.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>
#include <string>
#include <vector>

#include "base/install_settings.h"
#include "base/scoped_handle.h"
#include "base/scoped_seam.h"
#include "formats/crypto/aes_cipher.h"
#include "formats/crypto/crypto_file.h"
#include "formats/crypto/crypto_file_seams.h"
#include "formats/crypto/data_key.h"
#include "formats/crypto/start_file.h"
#include "formats/digest/digest160.h"
#include "support/temp_folder.h"

namespace {

const size_t kHeader = CCryptoFile::kHeaderSize;

ULONGLONG LengthField(const std::string& file)
{
    ULONGLONG length = 0;
    if (file.size() >= CCryptoFile::kDataLengthOffset + 8)
        memcpy(&length, file.data() + CCryptoFile::kDataLengthOffset, 8);
    return length;
}

std::string DecryptData(const std::string& file)
{
    CAesCipher cipher;
    EXPECT_TRUE(cipher.SetKey(DataKey, kDataKeyBits));
    std::string data = file.size() > kHeader ? file.substr(kHeader) : std::string();
    for (size_t offset = 0; offset + 16 <= data.size(); offset += 16) {
        BYTE* block = reinterpret_cast<BYTE*>(&data[offset]);
        cipher.DecryptBlock(block, block);
    }
    return data;
}

// Reads a file that a test still holds open for writing.
std::string ReadOpenFile(const std::wstring& path)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (file && ReadFile(file.Get(), chunk, sizeof(chunk), &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    return bytes;
}

std::string Pattern(size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed * 7) >> 2);
    return bytes;
}

// The file holds `data` padded to whole blocks, and its length field says how much.
void ExpectHolds(const std::wstring& path, const std::string& data)
{
    std::string bytes = ReadWholeFile(path);
    EXPECT_EQ(kHeader + (data.size() + 15) / 16 * 16, bytes.size()) << data.size();
    EXPECT_EQ(data.size(), LengthField(bytes));
    EXPECT_EQ(data, DecryptData(bytes).substr(0, data.size()));
}

class CryptoFileTest : public ::testing::Test
{
protected:
    bool OpenWithKey(CCryptoFile& file, DWORD share = 0)
    {
        return file.Open(path_.c_str(), share, CREATE_ALWAYS) && file.SetKey(DataKey, kDataKeyBits);
    }
    // Writes `data` into a new file through one CCryptoFile; without `close` the object
    // is destroyed with the data still buffered.
    void WriteData(const std::string& data, DWORD bufferSize, bool close = true)
    {
        CCryptoFile file(false, bufferSize);
        ASSERT_TRUE(OpenWithKey(file));
        EXPECT_EQ(data.size(), file.Write(data.data(), static_cast<DWORD>(data.size())));
        if (close)
            file.Close();
    }

    TempFolder folder_{L"cryptofile"};
    std::wstring path_ = folder_.File(L"data.bin");
};

}  // namespace

// The header: magic, version, eight zero bytes, encrypted zero blocks, then the length;
// the data padded to whole blocks behind it.
TEST_F(CryptoFileTest, HeaderCarriesMagicVersionEncryptedZerosAndTheUnpaddedLength)
{
    CAesCipher cipher;
    ASSERT_TRUE(cipher.SetKey(DataKey, kDataKeyBits));
    BYTE zeros[16] = {}, encryptedZeros[16];
    cipher.EncryptBlock(zeros, encryptedZeros);
    for (DWORD size : {1u, 15u, 16u, 17u, 100u, 704u}) {
        SCOPED_TRACE(testing::Message() << size << " bytes");
        std::string data = Pattern(size, static_cast<int>(size));
        WriteData(data, 1024);
        ExpectHolds(path_, data);
        std::string bytes = ReadWholeFile(path_);
        EXPECT_EQ(std::string("VLCF\x01\0\0\0", 8) + std::string(8, '\0'), bytes.substr(0, 16));
        for (size_t offset = 16; offset < 688; offset += 16)
            EXPECT_EQ(0, memcmp(bytes.data() + offset, encryptedZeros, 16)) << "header block at " << offset;
        EXPECT_EQ(0, bytes[688]);
        EXPECT_EQ(std::string(39, '\0'), bytes.substr(697, 39));
    }
}

TEST_F(CryptoFileTest, SmallBufferFlushesWholeBuffersAndKeepsTheRunningLength)
{
    // 20 rounds up to 32: every full buffer goes out on its own.
    CCryptoFile file(false, 20);
    EXPECT_EQ(32u, file.BufferCapacity());
    ASSERT_TRUE(OpenWithKey(file, FILE_SHARE_READ | FILE_SHARE_WRITE));
    std::string first = Pattern(70, 2), second = Pattern(45, 3);
    EXPECT_EQ(70u, file.Write(first.data(), 70));
    // Two full buffers are on disk; the length written with them is that of the calls
    // finished before them.
    std::string midway = ReadOpenFile(path_);
    EXPECT_EQ(kHeader + 64, midway.size());
    EXPECT_EQ(0u, LengthField(midway));
    EXPECT_EQ(70u, file.DataLength());
    EXPECT_EQ(45u, file.Write(second.data(), 45));
    std::string afterSecond = ReadOpenFile(path_);
    EXPECT_EQ(70u, LengthField(afterSecond));
    file.Close();
    ExpectHolds(path_, first + second);
}

TEST_F(CryptoFileTest, FlushWithNothingBufferedFailsAndLeavesTheLength)
{
    CCryptoFile file(false, 64);
    ASSERT_TRUE(OpenWithKey(file));
    EXPECT_FALSE(file.Flush());
    std::string data = Pattern(10, 4);
    ASSERT_EQ(10u, file.Write(data.data(), 10));
    ASSERT_TRUE(file.Flush());
    EXPECT_FALSE(file.Flush());
    file.Close();
    ExpectHolds(path_, data);
    // Destroyed without Close, what it buffered is lost.
    WriteData(Pattern(50, 7), 256, false);
    ExpectHolds(path_, "");
}

TEST_F(CryptoFileTest, WriteIsRefusedWithoutKeyOpenFileBufferOrWriteAccess)
{
    std::string data = Pattern(16, 5);
    CCryptoFile notOpen(false, 64);
    ASSERT_TRUE(notOpen.SetKey(DataKey, kDataKeyBits));
    EXPECT_EQ(0u, notOpen.Write(data.data(), 16));

    CCryptoFile badKey(false, 64);
    ASSERT_TRUE(badKey.Open(path_.c_str(), 0, CREATE_ALWAYS));
    EXPECT_EQ(0u, badKey.Write(data.data(), 16));
    EXPECT_FALSE(badKey.SetKey(DataKey, 100));
    EXPECT_EQ(0u, badKey.Write(data.data(), 16));
    badKey.Close();
    EXPECT_EQ(0u, ReadWholeFile(path_).size());

    CCryptoFile readOnly(true, 64);
    ASSERT_TRUE(readOnly.Open(path_.c_str(), FILE_SHARE_READ, OPEN_EXISTING));
    ASSERT_TRUE(readOnly.SetKey(DataKey, kDataKeyBits));
    EXPECT_EQ(0u, readOnly.Write(data.data(), 16));

    // A buffer that cannot exist: capacity 0, nothing accepted.
    CCryptoFile noBuffer(false, 0xFFFFFFFF);
    EXPECT_EQ(0u, noBuffer.BufferCapacity());
    ASSERT_TRUE(noBuffer.Open(folder_.File(L"other.bin").c_str(), 0, CREATE_ALWAYS));
    ASSERT_TRUE(noBuffer.SetKey(DataKey, kDataKeyBits));
    EXPECT_EQ(0u, noBuffer.Write(data.data(), 16));
}

TEST_F(CryptoFileTest, OpeningAnotherFileFlushesTheFirstAndStartsAfresh)
{
    std::wstring second = folder_.File(L"second.bin");
    std::string a = Pattern(40, 8), b = Pattern(24, 9);
    CCryptoFile file(false, 256);
    ASSERT_TRUE(file.SetKey(DataKey, kDataKeyBits));
    ASSERT_TRUE(file.Open(path_.c_str(), 0, CREATE_ALWAYS));
    ASSERT_EQ(40u, file.Write(a.data(), 40));
    ASSERT_TRUE(file.Open(second.c_str(), 0, CREATE_ALWAYS));
    ASSERT_EQ(24u, file.Write(b.data(), 24));
    file.Close();

    ExpectHolds(path_, a);
    EXPECT_EQ("VLCF", ReadWholeFile(second).substr(0, 4));
    ExpectHolds(second, b);
}

// A full disk, which Wine cannot produce: the data write fails on demand. The fake
// records what each call was given and otherwise writes for real.
struct DataWrites
{
    static int failuresLeft;
    static std::vector<std::string> seen;
    static BOOL WINAPI Call(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped)
    {
        seen.emplace_back(static_cast<const char*>(buffer), count);
        if (overlapped != nullptr || written == nullptr)
            return FALSE;
        if (failuresLeft > 0) {
            --failuresLeft;
            *written = 0;
            SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        return WriteFile(file, buffer, count, written, nullptr);
    }
};
int DataWrites::failuresLeft = 0;
std::vector<std::string> DataWrites::seen;

TEST_F(CryptoFileTest, AFailedFlushNeitherCountsNorRepeatsNorDoubleEncrypts)
{
    DataWrites::seen.clear();
    DataWrites::failuresLeft = 2;
    std::string a = Pattern(20, 11), b = Pattern(40, 12);
    {
        ScopedSeam seam(g_writeFileCall, DataWrites::Call);
        CCryptoFile file(false, 32);
        ASSERT_TRUE(OpenWithKey(file));

        EXPECT_EQ(20u, file.Write(a.data(), 20));   // buffered
        SetLastError(0);
        EXPECT_FALSE(file.Flush());
        EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), GetLastError());
        // 12 more bytes fill the buffer; its flush fails too, so they are not accepted.
        EXPECT_EQ(0u, file.Write(b.data(), 12));
        EXPECT_EQ(20u, file.DataLength());

        EXPECT_EQ(40u, file.Write(b.data(), 40));
        file.Close();
    }

    // Two refused writes of 32 bytes, then the two that went through.
    ASSERT_EQ(4u, DataWrites::seen.size());
    EXPECT_EQ(32u, DataWrites::seen[0].size());
    EXPECT_EQ(DataWrites::seen[0].substr(0, 16), DataWrites::seen[2].substr(0, 16));
    ExpectHolds(path_, a + b);
}

// Data writes that the system refuses, or cuts short, without giving a reason.
struct SilentWrites
{
    static BOOL result;
    static BOOL WINAPI Call(HANDLE, LPCVOID, DWORD count, LPDWORD written, LPOVERLAPPED)
    {
        *written = result ? count / 2 : 0;
        SetLastError(ERROR_SUCCESS);
        return result;
    }
};
BOOL SilentWrites::result = FALSE;

TEST_F(CryptoFileTest, AFlushThatFailsWithoutAReasonReportsAWriteFault)
{
    const struct { const char* what; BOOL result; } cases[] = {
        {"refused", FALSE},
        {"cut short", TRUE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CCryptoFile file(false, 32);
        ASSERT_TRUE(OpenWithKey(file));
        std::string a = Pattern(20, 13);
        ASSERT_EQ(20u, file.Write(a.data(), 20));
        SilentWrites::result = c.result;
        {
            ScopedSeam seam(g_writeFileCall, SilentWrites::Call);
            EXPECT_FALSE(file.Flush());
            EXPECT_EQ(static_cast<DWORD>(ERROR_WRITE_FAULT), GetLastError());
            // A full buffer whose flush fails that way is not accepted either.
            EXPECT_EQ(0u, file.Write(a.data(), 12));
            EXPECT_EQ(static_cast<DWORD>(ERROR_WRITE_FAULT), GetLastError());
        }
        EXPECT_EQ(20u, file.DataLength());
        file.Close();
    }
}

class StartFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        saved_ = g_settings;
        memset(&g_settings, 0, sizeof(g_settings));
        CopyTextTo(g_settings.install_dir, folder_.Path().c_str());
    }
    void TearDown() override { g_settings = saved_; }

    template <size_t N>
    static void CopyTextTo(wchar_t (&dest)[N], const wchar_t* text)
    {
        wcsncpy(dest, text, N - 1);
        dest[N - 1] = 0;
    }

    // The engine's call: the settings record's folder and its two records.
    static bool WriteStartFile()
    {
        return ::WriteStartFile(g_settings.install_dir, AdminAccountRecord(g_settings), kAdminAccountRecordSize,
                                ServerLocaleRecord(g_settings), kServerLocaleRecordSize);
    }

    TempFolder folder_{L"startfile"};
    InstallSettings saved_;
};

TEST_F(StartFileTest, HoldsTheTwoRecordsIn1440Bytes)
{
    ASSERT_TRUE(CreateDirectoryW(folder_.File(L"config").c_str(), nullptr));
    CopyTextTo(g_settings.admin_name, L"\x0410\x043D\x043D\x0430");
    CopyTextTo(g_settings.admin_surname, L"Lindqvist");
    CopyTextTo(g_settings.admin_login, L"admin");
    ASSERT_TRUE(Digest160Text(L"pa55word", g_settings.admin_password_digest, 20));
    g_settings.timezone_bias = -180;
    CopyTextTo(g_settings.language, L"ru");

    ASSERT_TRUE(WriteStartFile());

    std::string bytes = ReadWholeFile(folder_.File(L"config\\start.dat"));
    ASSERT_EQ(1440u, bytes.size());
    EXPECT_EQ("VLCF", bytes.substr(0, 4));
    EXPECT_EQ(704u, LengthField(bytes));
    std::string data = DecryptData(bytes);
    ASSERT_EQ(704u, data.size());
    EXPECT_EQ(0, memcmp(data.data(), AdminAccountRecord(g_settings), 416));
    EXPECT_EQ(0, memcmp(data.data() + 416, ServerLocaleRecord(g_settings), 288));
    // Spot checks of the layout the server reads.
    EXPECT_EQ(0, memcmp(data.data() + 256, L"admin", 12));
    EXPECT_EQ(0, memcmp(data.data() + 384, g_settings.admin_password_digest, 20));
    INT32 bias = 0;
    memcpy(&bias, data.data() + 416, 4);
    EXPECT_EQ(-180, bias);
    EXPECT_EQ(0, memcmp(data.data() + 420, L"ru", 6));
}

TEST_F(StartFileTest, FailsWhenTheFileCannotBeCreatedOrItsPathWouldBeCut)
{
    // No config folder; then a folder too long for the full path, refused rather than cut.
    std::wstring longFolder = folder_.Path() + L"\\" + std::wstring(250 - folder_.Path().size(), L'x');
    const struct { std::wstring folder; DWORD code; } cases[] = {
        {folder_.Path(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND)},
        {longFolder, static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE)},
    };
    for (const auto& c : cases) {
        CopyTextTo(g_settings.install_dir, c.folder.c_str());
        SetLastError(0);
        EXPECT_FALSE(WriteStartFile());
        EXPECT_EQ(c.code, GetLastError());
    }
}
