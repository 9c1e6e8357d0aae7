// CBinFile against real files under Wine: buffered line reading, writing at the logical
// position, and the plain file operations.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "engine/bin_file.h"
#include "support/temp_folder.h"

namespace {

const BYTE kCrLf[] = { '\r', '\n' };

struct Line
{
    LONGLONG result;
    std::string text;
    bool operator==(const Line& other) const { return result == other.result && text == other.text; }
};

std::ostream& operator<<(std::ostream& out, const Line& line)
{
    std::string shown;
    for (char c : line.text)
        shown += c == '\r' ? std::string("<CR>") : c == '\n' ? std::string("<LF>") : std::string(1, c);
    return out << "{" << line.result << ", \"" << shown << "\"}";
}

// Every ReadUntil result of a file up to and including the first -1.
std::vector<Line> ReadAllLines(CBinFile& file, size_t outSize, const std::string& delimiter)
{
    std::vector<Line> lines;
    std::vector<BYTE> out(outSize + 8, 0xCC);  // guard bytes after the buffer
    for (int guard = 0; guard < 10000; ++guard) {
        LONGLONG result = file.ReadUntil(out.data(), outSize, reinterpret_cast<const BYTE*>(delimiter.data()),
                                         delimiter.size());
        for (size_t i = outSize; i < out.size(); ++i)
            EXPECT_EQ(0xCC, out[i]) << "written past the output buffer";
        std::string text(reinterpret_cast<const char*>(out.data()));
        lines.push_back({ result, text });
        if (result == -1)
            break;
    }
    return lines;
}

// The lines as described: up to the first complete delimiter, cut to size - 1 bytes,
// a partial delimiter at the very end dropped.
std::vector<Line> ExpectedLines(const std::string& data, const std::string& delimiter, size_t outSize)
{
    std::vector<Line> lines;
    size_t position = 0;
    for (;;) {
        if (position == data.size()) {
            lines.push_back({ -1, "" });
            return lines;
        }
        std::string rest;
        bool ended = false;
        size_t found = data.find(delimiter, position);
        if (found == std::string::npos) {
            rest = data.substr(position);
            for (size_t k = delimiter.size() - 1; k > 0; --k)
                if (rest.size() >= k && rest.compare(rest.size() - k, k, delimiter, 0, k) == 0) {
                    rest.resize(rest.size() - k);
                    break;
                }
            ended = true;
            position = data.size();
        } else {
            rest = data.substr(position, found - position);
            position = found + delimiter.size();
        }
        std::string stored = rest.substr(0, outSize - 1);
        if (ended && stored.empty()) {
            lines.push_back({ -1, "" });
            return lines;
        }
        LONGLONG result = stored.size() == outSize - 1 ? -2 : static_cast<LONGLONG>(stored.size());
        lines.push_back({ result, stored });
    }
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

    std::vector<Line> Lines(const std::string& bytes, DWORD capacity, size_t outSize = 64,
                            const std::string& delimiter = "\r\n")
    {
        CBinFile file(capacity);
        EXPECT_TRUE(file.OpenBuffered(FileWith(bytes).c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
        return ReadAllLines(file, outSize, delimiter);
    }
};

} // namespace

// --- ReadUntil --------------------------------------------------------------------------

TEST_F(BinFileTest, LineEndsAtEveryBufferCapacity)
{
    struct Case
    {
        const char* data;
        const char* delimiter;
        std::vector<Line> lines;
    };
    const Case cases[] = {
        // A lone CR is line content; CR CR LF ends a line whose last byte is CR.
        { "a\rb\r\nc", "\r\n", { { 3, "a\rb" }, { 1, "c" }, { -1, "" } } },
        { "x\r\r\ny", "\r\n", { { 2, "x\r" }, { 1, "y" }, { -1, "" } } },
        // The last line with or without the delimiter; a partial one at the end is dropped.
        { "one\r\ntwo", "\r\n", { { 3, "one" }, { 3, "two" }, { -1, "" } } },
        { "one\r\ntwo\r\n", "\r\n", { { 3, "one" }, { 3, "two" }, { -1, "" } } },
        { "one\r\ntwo\r", "\r\n", { { 3, "one" }, { 3, "two" }, { -1, "" } } },
        // Empty files and empty lines.
        { "", "\r\n", { { -1, "" } } },
        { "\r", "\r\n", { { -1, "" } } },
        { "\r\n", "\r\n", { { 0, "" }, { -1, "" } } },
        { "\r\n\r\nz", "\r\n", { { 0, "" }, { 0, "" }, { 1, "z" }, { -1, "" } } },
        // Delimiters that overlap themselves.
        { "aaabc", "aab", { { 1, "a" }, { 1, "c" }, { -1, "" } } },
        { "x\r\n\r\ny", "\r\n\r\n", { { 1, "x" }, { 1, "y" }, { -1, "" } } },
        { "x\r\n\rz", "\r\n\r\n", { { 5, "x\r\n\rz" }, { -1, "" } } },
    };
    for (const Case& c : cases)
        for (DWORD capacity = 1; capacity <= 7; ++capacity)
            EXPECT_EQ(c.lines, Lines(c.data, capacity, 16, c.delimiter))
                << "data " << Line{ 0, c.data } << ", capacity " << capacity;
}

TEST_F(BinFileTest, DelimiterStraddlingARefillAtEveryOffset)
{
    for (DWORD capacity = 1; capacity <= 8; ++capacity)
        for (size_t length = 0; length <= 17; ++length) {
            std::string first(length, 'x');
            std::vector<Line> expected = { { static_cast<LONGLONG>(length), first }, { 4, "tail" }, { -1, "" } };
            EXPECT_EQ(expected, Lines(first + "\r\ntail\r\n", capacity))
                << "capacity " << capacity << ", length " << length;
        }
}

TEST_F(BinFileTest, LongLinesAreCutAndTheirRestConsumed)
{
    // Output of 6 bytes holds 5: a line of 4 fits, a line of exactly 5 fills it (-2),
    // longer lines are cut, and the next call starts after the delimiter.
    for (DWORD capacity = 1; capacity <= 9; ++capacity) {
        std::vector<Line> expected = {
            { 4, "abcd" }, { -2, "abcde" }, { -2, "abcde" }, { 2, "ok" }, { -2, "01234" }, { -1, "" },
        };
        EXPECT_EQ(expected, Lines("abcd\r\nabcde\r\nabcdefghijk\r\nok\r\n0123456789", capacity, 6))
            << "capacity " << capacity;
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
        ASSERT_EQ(ExpectedLines(data, delimiter, outSize), Lines(data, capacity, outSize, delimiter))
            << "round " << round << ", capacity " << capacity << ", out " << outSize;
    }
}

TEST_F(BinFileTest, ReadUntilRefusesWhatItCannotUse)
{
    CBinFile unbuffered;
    ASSERT_TRUE(unbuffered.Open(FileWith("abc\r\n").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
    BYTE out[8] = { 'q' };
    EXPECT_EQ(-1, unbuffered.ReadUntil(out, sizeof out, kCrLf, 2));

    CBinFile file(16);
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

TEST_F(BinFileTest, BufferedOpeningNeedsACapacityAndAnExistingFile)
{
    CBinFile noBuffer(0);
    EXPECT_FALSE(noBuffer.OpenBuffered(FileWith("x").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_FALSE(noBuffer.IsOpen());

    CBinFile file(16);
    EXPECT_FALSE(file.OpenBuffered(folder_.File(L"missing.txt").c_str(), GENERIC_READ, 0, OPEN_EXISTING));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(BinFileTest, ReopeningStartsWithAnEmptyBuffer)
{
    std::wstring first = FileWith("first line\r\nsecond\r\n", L"a.txt");
    std::wstring second = FileWith("other\r\n", L"b.txt");
    CBinFile file(64);
    BYTE out[32];
    ASSERT_TRUE(file.OpenBuffered(first.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    ASSERT_EQ(10, file.ReadUntil(out, sizeof out, kCrLf, 2));
    ASSERT_TRUE(file.OpenBuffered(second.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_EQ(5, file.ReadUntil(out, sizeof out, kCrLf, 2));
    EXPECT_STREQ("other", reinterpret_cast<char*>(out));
    EXPECT_EQ(-1, file.ReadUntil(out, sizeof out, kCrLf, 2));
}

TEST_F(BinFileTest, RewindReadsFromTheStartAgain)
{
    CBinFile file(4);
    ASSERT_TRUE(file.OpenBuffered(FileWith("abc\r\ndef\r\n").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    BYTE out[16];
    ASSERT_EQ(3, file.ReadUntil(out, sizeof out, kCrLf, 2));
    ASSERT_EQ(3, file.ReadUntil(out, sizeof out, kCrLf, 2));
    EXPECT_EQ(0, file.Rewind());
    EXPECT_EQ((std::vector<Line>{ { 3, "abc" }, { 3, "def" }, { -1, "" } }), ReadAllLines(file, 16, "\r\n"));
}

// --- WriteLine --------------------------------------------------------------------------

TEST_F(BinFileTest, WriteLineAfterPartialReadsWritesAtTheLogicalPosition)
{
    for (DWORD capacity : { 3u, 5u, 7u, 64u }) {
        std::wstring path = FileWith("line1\r\nline2\r\nline3\r\nline4\r\n");
        CBinFile file(capacity);
        ASSERT_TRUE(file.OpenBuffered(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING));
        BYTE out[16];
        ASSERT_EQ(5, file.ReadUntil(out, sizeof out, kCrLf, 2));
        EXPECT_EQ(1, file.WriteLine("LINE2", "\r\n", 2));
        // Reading goes on after what was written, and sees nothing stale or twice.
        EXPECT_EQ((std::vector<Line>{ { 5, "line3" }, { 5, "line4" }, { -1, "" } }), ReadAllLines(file, 16, "\r\n"))
            << "capacity " << capacity;
        file.Close();
        EXPECT_EQ("line1\r\nLINE2\r\nline3\r\nline4\r\n", ReadWholeFile(path)) << "capacity " << capacity;
    }
}

TEST_F(BinFileTest, WriteLineAtTheEndAppends)
{
    std::wstring path = FileWith("keep\r\nlast");
    CBinFile file(8);
    ASSERT_TRUE(file.OpenBuffered(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING));
    ReadAllLines(file, 64, "\r\n");
    EXPECT_EQ(1, file.WriteLine("\r\n# added", "\r\n", 2));
    EXPECT_EQ(1, file.WriteLine("127.0.0.1 "));  // no delimiter
    EXPECT_EQ(1, file.WriteLine("host", "\r\n\r\n", 4));
    file.Close();
    EXPECT_EQ("keep\r\nlast\r\n# added\r\n127.0.0.1 host\r\n\r\n", ReadWholeFile(path));
}

TEST_F(BinFileTest, WriteLineRefusalsAndEmptyText)
{
    std::wstring path = FileWith("abc");
    CBinFile unbuffered;
    ASSERT_TRUE(unbuffered.Open(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0));
    EXPECT_EQ(-1, unbuffered.WriteLine("text", "\r\n", 2));
    unbuffered.Close();

    CBinFile file(8);
    ASSERT_TRUE(file.OpenBuffered(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING));
    EXPECT_EQ(-1, file.WriteLine(nullptr, "\r\n", 2));
    EXPECT_EQ(1, file.WriteLine("", "\r\n", 2));  // writes nothing, not even the delimiter
    file.Close();
    EXPECT_EQ("abc", ReadWholeFile(path));
}

TEST_F(BinFileTest, WriteLineOnAReadOnlyFileIsAShortWrite)
{
    std::wstring path = FileWith("abc");
    CBinFile file(8);
    ASSERT_TRUE(file.OpenBuffered(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_EQ(0, file.WriteLine("text", "\r\n", 2));
    EXPECT_NE(0u, GetLastError());
}

// --- Plain operations -------------------------------------------------------------------

TEST_F(BinFileTest, ClosedFileRefusesEverything)
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
}

TEST_F(BinFileTest, ReadWriteSeekAndSize)
{
    CBinFile file;
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
}

TEST_F(BinFileTest, SetTimeAppliesTheLastWriteTime)
{
    CBinFile file;
    ASSERT_TRUE(file.Open(folder_.File(L"timed.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL));
    SYSTEMTIME when = { 2004, 8, 0, 25, 12, 30, 15, 0 };
    FILETIME lastWrite;
    ASSERT_TRUE(SystemTimeToFileTime(&when, &lastWrite));
    FILETIME ignored, writeAfter;
    EXPECT_TRUE(file.SetTime(nullptr, nullptr, &lastWrite));
    ASSERT_TRUE(GetFileTime(file.Handle(), &ignored, &ignored, &writeAfter));
    EXPECT_EQ(0, CompareFileTime(&lastWrite, &writeAfter));
    // (Wine keeps no creation time of its own on Linux, so it is not compared here.)
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
