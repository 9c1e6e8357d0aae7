// CBinFile against real files under Wine: buffered line reading, and writes that fall short;
// the run's log, which appends to a file an administrator names.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "base/bin_file.h"
#include "base/scoped_handle.h"
#include "base/setup_log.h"
#include "support/enum_printers.h"
#include "support/host_link.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace {

// A ReadUntil result and the text it stored.
using Line = std::pair<LONGLONG, std::string>;
using Lines = std::vector<Line>;

// Every ReadUntil result of a file up to and including the first -1.
class BinFileTest : public ::testing::Test
{
protected:
    Lines LinesOf(const std::string& bytes, DWORD capacity, size_t outSize, const std::string& delimiter)
    {
        std::wstring path = folder_.File(L"data.bin");
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        CBinFile file(capacity);
        EXPECT_TRUE(file.OpenBuffered(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
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
    TempFolder folder_{ L"binfile" };
};

} // namespace

TEST_F(BinFileTest, LineEndsAndCutsAtEveryBufferCapacity)
{
    const struct { const char* data; const char* delimiter; size_t outSize; Lines lines; } cases[] = {
        // A lone CR is line content; CR CR LF ends a line whose last byte is CR.
        { "a\rb\r\nc", "\r\n", 16, { { 3, "a\rb" }, { 1, "c" }, { -1, "" } } },
        { "x\r\r\ny", "\r\n", 16, { { 2, "x\r" }, { 1, "y" }, { -1, "" } } },
        // The last line with or without the delimiter; a partial one at the end is dropped.
        { "one\r\ntwo", "\r\n", 16, { { 3, "one" }, { 3, "two" }, { -1, "" } } },
        { "one\r\ntwo\r\n", "\r\n", 16, { { 3, "one" }, { 3, "two" }, { -1, "" } } },
        { "one\r\ntwo\r", "\r\n", 16, { { 3, "one" }, { 3, "two" }, { -1, "" } } },
        // Empty lines.
        { "\r\n\r\nz", "\r\n", 16, { { 0, "" }, { 0, "" }, { 1, "z" }, { -1, "" } } },
        // Delimiters that overlap themselves.
        { "aaabc", "aab", 16, { { 1, "a" }, { 1, "c" }, { -1, "" } } },
        { "x\r\n\rz", "\r\n\r\n", 16, { { 5, "x\r\n\rz" }, { -1, "" } } },
        // Output of 6 bytes holds 5: a line of 4 fits, a line of exactly 5 fills it (-2),
        // longer lines are cut, and the next call starts after the delimiter.
        { "abcd\r\nabcde\r\nabcdefghijk\r\nok\r\n0123456789", "\r\n", 6,
          { { 4, "abcd" }, { -2, "abcde" }, { -2, "abcde" }, { 2, "ok" }, { -2, "01234" }, { -1, "" } } },
    };
    // Every capacity from 1 to 9 puts each delimiter across a refill at every offset.
    for (const auto& c : cases)
        for (DWORD capacity = 1; capacity <= 9; ++capacity) {
            SCOPED_TRACE(testing::PrintToString(std::string(c.data)) + ", capacity " + std::to_string(capacity));
            EXPECT_EQ(c.lines, LinesOf(c.data, capacity, c.outSize, c.delimiter));
        }
}

TEST_F(BinFileTest, ShortWritesTheSystemReportsAsDoneStillCarryAReason)
{
    // The client end of a pipe that does not wait takes what fits in the pipe (under Wine:
    // nothing of a larger write) and reports success without a reason.
    const std::string big(100000, 'b');
    const struct { const char* what; const char* text; const std::string& delimiter; } cases[] = {
        {"line text", big.c_str(), std::string()},
        {"line delimiter after a text that fits", "a", big},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        wchar_t name[96];
        wsprintfW(name, L"\\\\.\\pipe\\velmora-short-%lu-%d", GetCurrentProcessId(), ++round);
        UniqueHandle server(CreateNamedPipeW(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 64, 64, 0,
                                             nullptr));
        ASSERT_TRUE(server.IsValid());
        CBinFile file(16);
        ASSERT_TRUE(file.OpenBuffered(name, GENERIC_WRITE, 0, OPEN_EXISTING));
        DWORD mode = PIPE_NOWAIT;
        ASSERT_TRUE(SetNamedPipeHandleState(file.Handle(), &mode, nullptr, nullptr));
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(0, file.WriteLine(c.text, c.delimiter.data(), c.delimiter.size()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_WRITE_FAULT), GetLastError());
    }
}

// Each run adds to what earlier runs left, one UTF-8 line per call; a file that has another
// name (a hard link an ordinary user made to a file of the system) is never written, nor
// one reached through a linked folder, where nothing is made either.
TEST(SetupLog, AppendsUtf8LinesAndRefusesAFileWithAnotherNameOrBehindALink)
{
    TempFolder folder(L"log");
    const std::wstring path = folder.File(L"run.log");
    ASSERT_TRUE(WriteWholeFile(path, "earlier run\r\n"));
    CSetupLog log;
    ASSERT_EQ(LogRefusal::kNone, log.Open(path.c_str()));
    log.Line(L"\u0441\u0435\u0442\u044c %s\r\nwrapped", L"M\u00fcnchen");
    log.Close();
    const std::string text = ReadWholeFile(path);
    EXPECT_EQ(0u, text.find("earlier run\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find("  \xd1\x81\xd0\xb5\xd1\x82\xd1\x8c M\xc3\xbcnchen  wrapped\r\n")) << text;
    EXPECT_EQ(text.size() - 2, text.find("\r\n", text.find("wrapped"))) << "one line";
    // A file that must be new is never one that is there.
    EXPECT_EQ(LogRefusal::kSystemError, log.Open(path.c_str(), CSetupLog::Opening::kCreateOnly));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), GetLastError());
    EXPECT_FALSE(log.IsOpen());
    const std::wstring fresh = folder.File(L"fresh.log");
    ASSERT_EQ(LogRefusal::kNone, log.Open(fresh.c_str(), CSetupLog::Opening::kCreateOnly));
    log.Line(L"first");
    log.Close();
    EXPECT_NE(std::string::npos, ReadWholeFile(fresh).find("  first\r\n"));

    const std::wstring system = folder.File(L"system.ini");
    const std::wstring linked = folder.File(L"linked.log");
    ASSERT_TRUE(WriteWholeFile(system, "kept"));
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"", {system, linked}));
    // The host's program may not have ended when its wait gave up.
    ASSERT_TRUE(WaitUntil([&] { return PathExists(linked); }));
    EXPECT_EQ(LogRefusal::kHardLinks, log.Open(linked.c_str()));
    log.Line(L"lost");
    EXPECT_EQ("kept", ReadWholeFile(system));

    const std::wstring elsewhere = folder.File(L"elsewhere");
    const std::wstring linkedFolder = folder.File(L"logs-link");
    ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {elsewhere, linkedFolder}));
    ASSERT_TRUE(IsLink(linkedFolder));
    for (auto opening : {CSetupLog::Opening::kAppendOrCreate, CSetupLog::Opening::kCreateOnly})
        EXPECT_EQ(LogRefusal::kLinkInPath, log.Open((linkedFolder + L"\\run.log").c_str(), opening));
    EXPECT_FALSE(PathExists(elsewhere + L"\\run.log"));
    EXPECT_EQ(LogRefusal::kFolderMissing, log.Open(folder.File(L"missing\\run.log").c_str()));
    EXPECT_FALSE(PathExists(folder.File(L"missing")));
}
