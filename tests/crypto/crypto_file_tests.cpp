// The encrypted data file: its byte layout, buffering, failures, and config\start.dat.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string.h>
#include <string>
#include <vector>

#include "base/install_settings.h"
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
    bool OpenWithKey(CCryptoFile& file)
    {
        return file.Open(path_.c_str(), 0, CREATE_ALWAYS) && file.SetKey(DataKey, kDataKeyBits);
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
    for (DWORD size : {15u, 16u, 17u}) {
        SCOPED_TRACE(testing::Message() << size << " bytes");
        std::string data = Pattern(size, static_cast<int>(size));
        ASSERT_NO_FATAL_FAILURE(WriteData(data, 1024));
        ExpectHolds(path_, data);
        std::string bytes = ReadWholeFile(path_);
        EXPECT_EQ(std::string("VLCF\x01\0\0\0", 8) + std::string(8, '\0'), bytes.substr(0, 16));
        for (size_t offset = 16; offset < 688; offset += 16)
            EXPECT_EQ(0, memcmp(bytes.data() + offset, encryptedZeros, 16)) << "header block at " << offset;
        EXPECT_EQ(0, bytes[688]);
        EXPECT_EQ(std::string(39, '\0'), bytes.substr(697, 39));
    }
}

// Without a valid key nothing is written. 20 rounds up to 32: the data goes out in many
// whole buffers and a last part one.
TEST_F(CryptoFileTest, WritesOnlyWithAKeyAndASmallBufferFlushesWholeBuffersAndTheRest)
{
    std::string data = Pattern(16, 5);
    CCryptoFile badKey(false, 64);
    ASSERT_TRUE(badKey.Open(path_.c_str(), 0, CREATE_ALWAYS));
    EXPECT_EQ(0u, badKey.Write(data.data(), 16));
    EXPECT_FALSE(badKey.SetKey(DataKey, 100));
    EXPECT_EQ(0u, badKey.Write(data.data(), 16));
    badKey.Close();
    EXPECT_EQ(0u, ReadWholeFile(path_).size());

    CCryptoFile file(false, 20);
    EXPECT_EQ(32u, file.BufferCapacity());
    ASSERT_TRUE(OpenWithKey(file));
    EXPECT_FALSE(file.Flush()) << "nothing was buffered";
    std::string first = Pattern(70, 2), second = Pattern(45, 3);
    EXPECT_EQ(70u, file.Write(first.data(), 70));
    EXPECT_EQ(70u, file.DataLength());
    EXPECT_EQ(45u, file.Write(second.data(), 45));
    file.Close();
    ExpectHolds(path_, first + second);
    // Destroyed without Close, what it buffered is lost.
    ASSERT_NO_FATAL_FAILURE(WriteData(Pattern(50, 7), 256, false));
    ExpectHolds(path_, "");
}

// Data writes that fail on demand (a full disk, which Wine cannot produce), or that the
// system refuses or cuts short without giving a reason; otherwise they write for real.
struct FailingWrites
{
    enum Mode { kDiskFull, kRefused, kCutShort };
    static int failuresLeft;
    static Mode mode;
    static BOOL WINAPI Call(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED)
    {
        if (failuresLeft == 0)
            return WriteFile(file, buffer, count, written, nullptr);
        --failuresLeft;
        *written = mode == kCutShort ? count / 2 : 0;
        SetLastError(mode == kDiskFull ? ERROR_DISK_FULL : ERROR_SUCCESS);
        return mode == kCutShort;
    }
};
int FailingWrites::failuresLeft = 0;
FailingWrites::Mode FailingWrites::mode = FailingWrites::kDiskFull;

// The first flush fails; so does the one that a full buffer starts, and the bytes that
// filled it are not accepted. The data on disk then shows whether a retried buffer was
// counted twice, written twice or encrypted twice.
TEST_F(CryptoFileTest, AFailedFlushReportsWhyAndNeitherCountsNorRepeatsNorDoubleEncrypts)
{
    const struct { FailingWrites::Mode mode; DWORD error; } cases[] = {
        {FailingWrites::kDiskFull, ERROR_DISK_FULL},
        // Without a reason from the system, a write fault.
        {FailingWrites::kRefused, ERROR_WRITE_FAULT},
        {FailingWrites::kCutShort, ERROR_WRITE_FAULT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        FailingWrites::mode = c.mode;
        FailingWrites::failuresLeft = 2;
        std::string a = Pattern(20, 11), b = Pattern(40, 12);
        CCryptoFile file(false, 32);
        ASSERT_TRUE(OpenWithKey(file));
        ScopedSeam seam(g_writeFileCall, FailingWrites::Call);
        EXPECT_EQ(20u, file.Write(a.data(), 20));
        SetLastError(0);
        EXPECT_FALSE(file.Flush());
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(0u, file.Write(b.data(), 12));
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(20u, file.DataLength());
        EXPECT_EQ(40u, file.Write(b.data(), 40));
        file.Close();
        ExpectHolds(path_, a + b);
    }
}

class StartFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        saved_ = g_settings;
        memset(&g_settings, 0, sizeof(g_settings));
        lstrcpynW(g_settings.install_dir, folder_.Path().c_str(), ARRAYSIZE(g_settings.install_dir));
    }
    void TearDown() override { g_settings = saved_; }

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
    lstrcpynW(g_settings.admin_name, L"\x0410\x043D\x043D\x0430", ARRAYSIZE(g_settings.admin_name));
    lstrcpynW(g_settings.admin_surname, L"Lindqvist", ARRAYSIZE(g_settings.admin_surname));
    lstrcpynW(g_settings.admin_login, L"admin", ARRAYSIZE(g_settings.admin_login));
    ASSERT_TRUE(Digest160Text(L"pa55word", g_settings.admin_password_digest, 20));
    g_settings.timezone_bias = -180;
    lstrcpynW(g_settings.language, L"ru", ARRAYSIZE(g_settings.language));

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

namespace {

// What the start file's rights call was asked (Wine keeps no file rights to read back).
struct RightsCall
{
    std::wstring path;
    SECURITY_INFORMATION what = 0;
    std::wstring dacl;  // in text form
    DWORD answer = ERROR_SUCCESS;
};
RightsCall g_rightsCall;

DWORD WINAPI RecordRights(LPWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION what, PSID, PSID, PACL dacl, PACL)
{
    EXPECT_EQ(SE_FILE_OBJECT, type);
    g_rightsCall.path = name;
    g_rightsCall.what = what;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, dacl, FALSE);
    wchar_t* text = nullptr;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(&descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &text, nullptr)) {
        g_rightsCall.dacl = text;
        LocalFree(text);
    }
    return g_rightsCall.answer;
}

} // namespace

// The administrator's account is for SYSTEM (the server) and Administrators: the file's
// rights are its own, not the folder's (which let Users read). Rights that cannot be set, a
// missing config folder and a folder too long for the full path (refused rather than cut)
// fail the write.
TEST_F(StartFileTest, IsReadableBySystemAndAdministratorsOnlyOrNotWritten)
{
    const std::wstring longFolder = folder_.Path() + L"\\" + std::wstring(250 - folder_.Path().size(), L'x');
    const struct { std::wstring folder; DWORD rightsAnswer, error; } cases[] = {
        {folder_.Path(), ERROR_SUCCESS, ERROR_SUCCESS},
        {folder_.Path(), ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
        {folder_.File(L"no config"), ERROR_SUCCESS, ERROR_PATH_NOT_FOUND},
        {longFolder, ERROR_SUCCESS, ERROR_FILENAME_EXCED_RANGE},
    };
    ASSERT_TRUE(CreateDirectoryW(folder_.File(L"config").c_str(), nullptr));
    ScopedSeam<SetNamedSecurityInfoCall> seam(g_setNamedSecurityInfoCall, RecordRights);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "rights " << c.rightsAnswer << ", error " << c.error);
        lstrcpynW(g_settings.install_dir, c.folder.c_str(), ARRAYSIZE(g_settings.install_dir));
        g_rightsCall = RightsCall();
        g_rightsCall.answer = c.rightsAnswer;
        SetLastError(0);
        EXPECT_EQ(c.error == ERROR_SUCCESS, WriteStartFile());
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(c.folder == folder_.Path() ? folder_.File(L"config\\start.dat") : L"", g_rightsCall.path);
        if (g_rightsCall.path.empty())
            continue;  // no file was made
        EXPECT_EQ(static_cast<SECURITY_INFORMATION>(DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION),
                  g_rightsCall.what);
        EXPECT_EQ(L"D:(A;;FA;;;SY)(A;;FA;;;BA)", g_rightsCall.dacl);
    }
}
