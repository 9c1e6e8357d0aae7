// CBinFile against real files under Wine: buffered line reading, writing at the logical
// position, and the plain file operations.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/bin_file.h"
#include "support/temp_folder.h"

namespace {

const BYTE kCrLf[] = { '\r', '\n' };

// A ReadUntil result and the text it stored.
using Line = std::pair<LONGLONG, std::string>;
using Lines = std::vector<Line>;

// Every ReadUntil result of a file up to and including the first -1.
Lines ReadAllLines(CBinFile& file, size_t outSize, const std::string& delimiter = "\r\n")
{
    Lines lines;
    std::vector<BYTE> out(outSize + 8, 0xCC);  // guard bytes after the buffer
    for (int guard = 0; guard < 10000 && (lines.empty() || lines.back().first != -1); ++guard) {
        LONGLONG result = file.ReadUntil(out.data(), outSize, reinterpret_cast<const BYTE*>(delimiter.data()),
                                         delimiter.size());
        for (size_t i = outSize; i < out.size(); ++i)
            EXPECT_EQ(0xCC, out[i]) << "written past the output buffer";
        lines.emplace_back(result, reinterpret_cast<const char*>(out.data()));
    }
    return lines;
}

// The lines as described: up to the first complete delimiter, cut to size - 1 bytes,
// a partial delimiter at the very end dropped.
Lines ExpectedLines(const std::string& data, const std::string& delimiter, size_t outSize)
{
    Lines lines;
    for (size_t position = 0; position < data.size();) {
        size_t found = data.find(delimiter, position);
        std::string rest = data.substr(position, found == std::string::npos ? std::string::npos : found - position);
        if (found == std::string::npos) {
            for (size_t k = delimiter.size() - 1; k > 0; --k)
                if (rest.size() >= k && rest.compare(rest.size() - k, k, delimiter, 0, k) == 0) {
                    rest.resize(rest.size() - k);
                    break;
                }
            position = data.size();
            if (rest.empty())
                break;
        } else {
            position = found + delimiter.size();
        }
        std::string stored = rest.substr(0, outSize - 1);
        lines.emplace_back(stored.size() == outSize - 1 ? -2 : static_cast<LONGLONG>(stored.size()), stored);
    }
    lines.emplace_back(-1, "");
    return lines;
}

class BinFileTest : public ::testing::Test
{
protected:
    TempFolder folder_{ L"binfile" };

    std::wstring FileWith(const std::string& bytes, const wchar_t* name = L"data.bin")
    {
        std::wstring path = folder_.File(name);
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return path;
    }

    Lines LinesOf(const std::string& bytes, DWORD capacity, size_t outSize = 64, const std::string& delimiter = "\r\n")
    {
        CBinFile file(capacity);
        EXPECT_TRUE(file.OpenBuffered(FileWith(bytes).c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
        return ReadAllLines(file, outSize, delimiter);
    }

    // A buffered file opened for reading and writing.
    std::wstring OpenReadWrite(CBinFile& file, const std::string& bytes)
    {
        std::wstring path = FileWith(bytes);
        EXPECT_TRUE(file.OpenBuffered(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING));
        return path;
    }
};

} // namespace

// --- ReadUntil --------------------------------------------------------------------------

TEST_F(BinFileTest, LineEndsAndCutsAtEveryBufferCapacity)
{
    struct Case
    {
        const char* data;
        const char* delimiter;
        size_t outSize;
        Lines lines;
    };
    const Case cases[] = {
        // A lone CR is line content; CR CR LF ends a line whose last byte is CR.
        { "a\rb\r\nc", "\r\n", 16, { { 3, "a\rb" }, { 1, "c" }, { -1, "" } } },
        { "x\r\r\ny", "\r\n", 16, { { 2, "x\r" }, { 1, "y" }, { -1, "" } } },
        // The last line with or without the delimiter; a partial one at the end is dropped.
        { "one\r\ntwo", "\r\n", 16, { { 3, "one" }, { 3, "two" }, { -1, "" } } },
        { "one\r\ntwo\r\n", "\r\n", 16, { { 3, "one" }, { 3, "two" }, { -1, "" } } },
        { "one\r\ntwo\r", "\r\n", 16, { { 3, "one" }, { 3, "two" }, { -1, "" } } },
        // Empty files and empty lines.
        { "", "\r\n", 16, { { -1, "" } } },
        { "\r", "\r\n", 16, { { -1, "" } } },
        { "\r\n", "\r\n", 16, { { 0, "" }, { -1, "" } } },
        { "\r\n\r\nz", "\r\n", 16, { { 0, "" }, { 0, "" }, { 1, "z" }, { -1, "" } } },
        // Delimiters that overlap themselves.
        { "aaabc", "aab", 16, { { 1, "a" }, { 1, "c" }, { -1, "" } } },
        { "x\r\n\r\ny", "\r\n\r\n", 16, { { 1, "x" }, { 1, "y" }, { -1, "" } } },
        { "x\r\n\rz", "\r\n\r\n", 16, { { 5, "x\r\n\rz" }, { -1, "" } } },
        // Output of 6 bytes holds 5: a line of 4 fits, a line of exactly 5 fills it (-2),
        // longer lines are cut, and the next call starts after the delimiter.
        { "abcd\r\nabcde\r\nabcdefghijk\r\nok\r\n0123456789", "\r\n", 6,
          { { 4, "abcd" }, { -2, "abcde" }, { -2, "abcde" }, { 2, "ok" }, { -2, "01234" }, { -1, "" } } },
    };
    for (const Case& c : cases)
        for (DWORD capacity = 1; capacity <= 9; ++capacity) {
            SCOPED_TRACE(testing::PrintToString(std::string(c.data)) + ", capacity " + std::to_string(capacity));
            EXPECT_EQ(c.lines, LinesOf(c.data, capacity, c.outSize, c.delimiter));
        }
}

TEST_F(BinFileTest, DelimiterStraddlingARefillAtEveryOffset)
{
    for (DWORD capacity = 1; capacity <= 8; ++capacity)
        for (size_t length = 0; length <= 17; ++length) {
            std::string first(length, 'x');
            Lines expected = { { static_cast<LONGLONG>(length), first }, { 4, "tail" }, { -1, "" } };
            EXPECT_EQ(expected, LinesOf(first + "\r\ntail\r\n", capacity))
                << "capacity " << capacity << ", length " << length;
        }
}

TEST_F(BinFileTest, RandomStreamsMatchTheLineRules)
{
    std::mt19937 random(20261206);
    const std::string delimiters[] = { "\r\n", "\r", "aab", "\r\n\r\n", "abab" };
    const char alphabet[] = { 'a', 'b', '\r', '\n', 'c' };
    for (int round = 0; round < 600; ++round) {
        std::string data(random() % 48, ' ');
        for (char& c : data)
            c = alphabet[random() % sizeof alphabet];
        const std::string& delimiter = delimiters[random() % 5];
        DWORD capacity = 1 + random() % 9;
        size_t outSize = 2 + random() % 10;
        ASSERT_EQ(ExpectedLines(data, delimiter, outSize), LinesOf(data, capacity, outSize, delimiter))
            << "round " << round << ", capacity " << capacity << ", out " << outSize;
    }
}

TEST_F(BinFileTest, BufferedReadingRefusesWhatItCannotUse)
{
    CBinFile noBuffer(0);
    EXPECT_FALSE(noBuffer.OpenBuffered(FileWith("x", L"x.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_FALSE(noBuffer.IsOpen());

    CBinFile unbuffered;
    ASSERT_TRUE(unbuffered.Open(FileWith("abc\r\n").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
    BYTE out[8] = { 'q' };
    EXPECT_EQ(-1, unbuffered.ReadUntil(out, sizeof out, kCrLf, 2));

    CBinFile file(16);
    EXPECT_FALSE(file.OpenBuffered(folder_.File(L"missing.txt").c_str(), GENERIC_READ, 0, OPEN_EXISTING));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    ASSERT_TRUE(file.OpenBuffered(FileWith("abc\r\n", L"other.bin").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  OPEN_EXISTING));
    EXPECT_EQ(-1, file.ReadUntil(nullptr, 8, kCrLf, 2));
    EXPECT_EQ(-1, file.ReadUntil(out, 1, kCrLf, 2));
    EXPECT_EQ(-1, file.ReadUntil(out, sizeof out, kCrLf, 0));
    EXPECT_EQ(-1, file.ReadUntil(out, sizeof out, nullptr, 2));
    // None of that consumed anything.
    EXPECT_EQ(3, file.ReadUntil(out, sizeof out, kCrLf, 2));
    EXPECT_STREQ("abc", reinterpret_cast<char*>(out));
}

TEST_F(BinFileTest, RewindAndReopeningStartWithAnEmptyBuffer)
{
    CBinFile file(64);
    BYTE out[32];
    ASSERT_TRUE(file.OpenBuffered(FileWith("first line\r\nsecond\r\n", L"a.txt").c_str(), GENERIC_READ,
                                  FILE_SHARE_READ, OPEN_EXISTING));
    ASSERT_EQ(10, file.ReadUntil(out, sizeof out, kCrLf, 2));
    EXPECT_EQ(0, file.Rewind());
    EXPECT_EQ((Lines{ { 10, "first line" }, { 6, "second" }, { -1, "" } }), ReadAllLines(file, 32));
    EXPECT_EQ(0, file.Rewind());
    ASSERT_EQ(10, file.ReadUntil(out, sizeof out, kCrLf, 2));  // "second" is left in the buffer
    ASSERT_TRUE(file.OpenBuffered(FileWith("other\r\n", L"b.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  OPEN_EXISTING));
    EXPECT_EQ((Lines{ { 5, "other" }, { -1, "" } }), ReadAllLines(file, 32));
}

// --- WriteLine --------------------------------------------------------------------------

TEST_F(BinFileTest, WriteLineAfterPartialReadsWritesAtTheLogicalPosition)
{
    for (DWORD capacity : { 3u, 5u, 7u, 64u }) {
        SCOPED_TRACE("capacity " + std::to_string(capacity));
        CBinFile file(capacity);
        std::wstring path = OpenReadWrite(file, "line1\r\nline2\r\nline3\r\nline4\r\n");
        BYTE out[16];
        ASSERT_EQ(5, file.ReadUntil(out, sizeof out, kCrLf, 2));
        EXPECT_EQ(1, file.WriteLine("LINE2", "\r\n", 2));
        // Reading goes on after what was written, and sees nothing stale or twice.
        EXPECT_EQ((Lines{ { 5, "line3" }, { 5, "line4" }, { -1, "" } }), ReadAllLines(file, 16));
        file.Close();
        EXPECT_EQ("line1\r\nLINE2\r\nline3\r\nline4\r\n", ReadWholeFile(path));
    }
}

TEST_F(BinFileTest, WriteLineAppendsAtTheEndAndRefusesWhatItCannotWrite)
{
    CBinFile file(8);
    std::wstring path = OpenReadWrite(file, "keep\r\nlast");
    ReadAllLines(file, 64);
    EXPECT_EQ(1, file.WriteLine("\r\n# added", "\r\n", 2));
    EXPECT_EQ(1, file.WriteLine("127.0.0.1 "));  // no delimiter
    EXPECT_EQ(1, file.WriteLine("host", "\r\n\r\n", 4));
    EXPECT_EQ(-1, file.WriteLine(nullptr, "\r\n", 2));
    EXPECT_EQ(1, file.WriteLine("", "\r\n", 2));  // writes nothing, not even the delimiter
    file.Close();
    EXPECT_EQ("keep\r\nlast\r\n# added\r\n127.0.0.1 host\r\n\r\n", ReadWholeFile(path));

    path = FileWith("abc");
    CBinFile plain(8);
    ASSERT_TRUE(plain.Open(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0));
    EXPECT_EQ(-1, plain.WriteLine("text", "\r\n", 2));  // not opened buffered
    ASSERT_TRUE(plain.OpenBuffered(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_EQ(0, plain.WriteLine("text", "\r\n", 2));
    EXPECT_NE(0u, GetLastError());
    plain.Close();
    EXPECT_EQ("abc", ReadWholeFile(path));
}

TEST_F(BinFileTest, ShortWritesTheSystemReportsAsDoneStillCarryAReason)
{
    // The client end of a pipe that does not wait takes what fits in the pipe (under Wine:
    // nothing of a larger write) and reports success without a reason.
    const std::string big(100000, 'b');
    const struct { const char* what; bool line; const char* text; const std::string& delimiter; } cases[] = {
        {"plain write", false, big.c_str(), big},
        {"line text", true, big.c_str(), std::string()},
        {"line delimiter after a text that fits", true, "a", big},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        wchar_t name[96];
        wsprintfW(name, L"\\\\.\\pipe\\velmora-short-%lu-%d", GetCurrentProcessId(), ++round);
        HANDLE server = CreateNamedPipeW(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 64, 64, 0,
                                         nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, server);
        CBinFile file(16);
        ASSERT_TRUE(file.OpenBuffered(name, GENERIC_WRITE, 0, OPEN_EXISTING));
        DWORD mode = PIPE_NOWAIT;
        ASSERT_TRUE(SetNamedPipeHandleState(file.Handle(), &mode, nullptr, nullptr));
        SetLastError(ERROR_SUCCESS);
        if (c.line) {
            EXPECT_EQ(0, file.WriteLine(c.text, c.delimiter.data(), c.delimiter.size()));
        } else {
            EXPECT_GT(big.size(), file.Write(c.text, static_cast<DWORD>(big.size())));
        }
        EXPECT_EQ(static_cast<DWORD>(ERROR_WRITE_FAULT), GetLastError());
        file.Close();
        CloseHandle(server);
    }
}

// --- Plain operations -------------------------------------------------------------------

TEST_F(BinFileTest, ReadWriteSeekSizeAndTimeOnlyWhenOpen)
{
    CBinFile file;
    char byte = 0;
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(0u, file.Read(&byte, 1));
    EXPECT_EQ(0u, file.Write(&byte, 1));
    EXPECT_EQ(-1, file.Seek(0, FILE_BEGIN));
    EXPECT_EQ(0u, file.GetSize());
    EXPECT_FALSE(file.SetSize(0));
    EXPECT_FALSE(file.SetTime(nullptr, nullptr, nullptr));
    EXPECT_EQ(-1, file.Rewind());

    ASSERT_TRUE(file.Open(folder_.File(L"plain.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(0u, file.Write("x", 0));
    EXPECT_EQ(0u, file.Write(nullptr, 4));
    EXPECT_EQ(10u, file.Write("0123456789", 10));
    EXPECT_EQ(10u, file.GetSize());
    EXPECT_EQ(4, file.Seek(4, FILE_BEGIN));
    EXPECT_EQ(6, file.Seek(2, FILE_CURRENT));
    EXPECT_EQ(7, file.Seek(-3, FILE_END));
    char buffer[8] = {};
    EXPECT_EQ(3u, file.Read(buffer, sizeof buffer));
    EXPECT_STREQ("789", buffer);
    EXPECT_EQ(0u, file.Read(buffer, 0));
    EXPECT_EQ(-1, file.Seek(-1, FILE_BEGIN));

    EXPECT_FALSE(file.SetSize(-1));
    EXPECT_TRUE(file.SetSize(4));
    EXPECT_EQ(4u, file.GetSize());
    EXPECT_TRUE(file.SetSize(5000000000LL));  // sizes beyond 32 bits
    EXPECT_EQ(5000000000ULL, file.GetSize());
    EXPECT_TRUE(file.SetSize(0));

    // The last write time is applied (Wine keeps no creation time of its own on Linux).
    SYSTEMTIME when = { 2004, 8, 0, 25, 12, 30, 15, 0 };
    FILETIME lastWrite, ignored, writeAfter;
    ASSERT_TRUE(SystemTimeToFileTime(&when, &lastWrite));
    EXPECT_TRUE(file.SetTime(nullptr, nullptr, &lastWrite));
    ASSERT_TRUE(GetFileTime(file.Handle(), &ignored, &ignored, &writeAfter));
    EXPECT_EQ(0, CompareFileTime(&lastWrite, &writeAfter));
}

namespace {

// What a derived file (the encrypted one) relies on: opening again goes through its Close.
class CountingFile : public CBinFile
{
public:
    int closes = 0;
    void Close() override
    {
        ++closes;
        CBinFile::Close();
    }
};

} // namespace

TEST_F(BinFileTest, OpeningAgainClosesThroughTheVirtualClose)
{
    std::wstring path = FileWith("abc");
    CountingFile file;
    ASSERT_TRUE(file.Open(path.c_str(), GENERIC_READ, 0, OPEN_EXISTING, 0));
    int before = file.closes;
    // Without sharing, this only succeeds when the first handle was closed first.
    EXPECT_TRUE(file.Open(path.c_str(), GENERIC_READ, 0, OPEN_EXISTING, 0));
    EXPECT_EQ(before + 1, file.closes);
    EXPECT_FALSE(file.Open(folder_.File(L"none.bin").c_str(), GENERIC_READ, 0, OPEN_EXISTING, 0));
    EXPECT_EQ(before + 2, file.closes);
    EXPECT_FALSE(file.IsOpen());
}
