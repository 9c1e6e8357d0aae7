// The hosts entry: which lines name the domain, and the exact bytes that the rewrite and
// the appended block leave in the file.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <algorithm>
#include <string.h>
#include <string>
#include <vector>

#include "support/security_text.h"
#include "support/temp_folder.h"
#include "system/hosts/hosts_file.h"
#include "system/hosts/hosts_take_back.h"

namespace {

const char kDomain[] = "intranet.example";

sockaddr_in Address(BYTE a, BYTE b, BYTE c, BYTE d)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(443);
    address.sin_addr.S_un.S_un_b = { a, b, c, d };
    return address;
}

std::string Block(const std::string& addressText, const std::string& domain)
{
    return "\r\n\r\n# Added by Velmora Setup\r\n" + addressText + domain + "\r\n\r\n";
}

bool SetFileRights(const std::wstring& path, const std::wstring& sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    bool set = SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    return set;
}

// A hosts file of the test's own.
class HostsEntry : public ::testing::Test
{
protected:
    // What the entry leaves in a file that held `before`: every line but the domain's, then
    // the block.
    std::string AddedTo(const std::string& before)
    {
        EXPECT_TRUE(WriteWholeFile(path, before));
        EXPECT_TRUE(AddHostsEntry(folder.Path().c_str(), Address(10, 0, 0, 1), kDomain, nullptr));
        return ReadWholeFile(path);
    }

    TempFolder folder{L"hosts"};
    std::wstring path = folder.File(L"hosts");
    HostsTakenLines taken;
};

struct Taken
{
    const char* before;
    const char* after;
};

HostsTakenLines TakenLines(const std::vector<Taken>& lines)
{
    HostsTakenLines taken;
    for (const Taken& line : lines) {
        strcpy(taken.lines[taken.count].before, line.before);
        strcpy(taken.lines[taken.count++].after, line.after);
    }
    return taken;
}

} // namespace

TEST(HostsLine, DomainCountsOnlyAsAWholeActiveHostName)
{
    // The length given counts, not a terminator: a NUL inside the line is content.
    const std::string withNul("10.0.0.1 a\0 intranet.example", 28);
    const struct { std::string line; bool names; size_t length = std::string::npos; const char* domain = kDomain; } cases[] = {
        {"10.0.0.1 intranet.example", true},
        {"10.0.0.1\tintranet.example\t# old server", true},
        {"10.0.0.1 intranet.example# note", true},
        {"10.0.0.1 wiki intranet.example mail", true},
        {"intranet.example", true},
        {withNul, true},
        {withNul, false, 12},
        {"10.0.0.1 www.intranet.example", false},  // a longer name ending with the domain
        {"10.0.0.1 intranet.example.org", false},  // ... starting with it
        {"10.0.0.1 myintranet.example", false},
        {"# 10.0.0.1 intranet.example", false},
        {"#10.0.0.9 intranet.example", false},
        {"10.0.0.1 wiki # intranet.example", false},
        {"10.0.0.1 Intranet.Example", false},  // compared byte for byte
        {"", false},
        {"10.0.0.1 x", false, std::string::npos, ""},  // an empty domain names nothing
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.names, HostsLineNamesDomain(c.line.data(), std::min(c.length, c.line.size()), c.domain)) << c.line;
}

TEST(HostsAddress, DottedWithOneBlankAndLoopbackForAnyAddress)
{
    const struct { sockaddr_in address; size_t capacity; const char* text; } cases[] = {
        {Address(0, 0, 0, 0), 32, "127.0.0.1 "},
        {Address(192, 168, 5, 20), 32, "192.168.5.20 "},
        {Address(255, 255, 255, 255), 32, "255.255.255.255 "},
        {Address(10, 0, 0, 1), 6, "10.0."},  // cut to the capacity
    };
    for (const auto& c : cases) {
        char text[32] = {};
        FormatHostsAddress(c.address, text, c.capacity);
        EXPECT_STREQ(c.text, text);
    }
}

TEST(HostsTakeBack, RemovesTheBlockGivesBackTheNamesAndKeepsEveryOtherLine)
{
    const std::string block = Block("10.0.0.1 ", kDomain);
    const Taken whole = {"10.0.0.9 intranet.example", ""};
    const struct { const char* what; std::string text; std::vector<Taken> taken; std::string after; int left; } cases[] = {
        {"block alone", "a host\r\n" + block, {}, "a host\r\n", 0},
        {"a line added after the block survives", "a host\r\n" + block + "10.0.0.5 mail\n", {}, "a host\r\n10.0.0.5 mail\n", 0},
        {"name given back to its line", "10.0.0.9 www\tmail # x\r\n10.0.0.5 mail\r\n" + block,
         {{"10.0.0.9 www intranet.example\tmail # x", "10.0.0.9 www\tmail # x"}},
         "10.0.0.9 www intranet.example\tmail # x\r\n10.0.0.5 mail\r\n", 0},
        {"same remains on two lines: each gets its own", "10.0.0.9 www\r\n10.0.0.9 www\r\n" + block,
         {{"10.0.0.9 www intranet.example", "10.0.0.9 www"}, {"10.0.0.9 intranet.example www", "10.0.0.9 www"}},
         "10.0.0.9 www intranet.example\r\n10.0.0.9 intranet.example www\r\n", 0},
        {"whole line back where the block was", "a host\r\n" + block + "10.0.0.5 mail\r\n", {whole},
         "a host\r\n10.0.0.9 intranet.example\r\n10.0.0.5 mail\r\n", 0},
        {"line changed since: left and counted", "10.0.0.9 www2\r\n" + block + "10.0.0.9 www\r\n",
         {{"10.0.0.9 www intranet.example", "10.0.0.9 www"}, {"10.0.0.8 intranet.example mail", "10.0.0.8 mail"}},
         "10.0.0.9 www2\r\n10.0.0.9 www intranet.example\r\n", 1},
        {"block gone: bytes kept", "a host\r\n10.0.0.5 mail", {}, "a host\r\n10.0.0.5 mail", 0},
        {"block gone: whole line at the end", "a host\r\n10.0.0.5 mail", {whole},
         "a host\r\n10.0.0.5 mail\r\n10.0.0.9 intranet.example\r\n", 0},
        {"block's line edited: no block", "a\r\n\r\n\r\n# Added by Velmora Setup\r\n10.0.0.1 intranet.example x\r\n", {},
         "a\r\n\r\n\r\n# Added by Velmora Setup\r\n10.0.0.1 intranet.example x\r\n", 0},
        {"LF only", "a host\n\n\n# Added by Velmora Setup\n10.0.0.1 intranet.example\n\n10.0.0.5 mail\n", {whole},
         "a host\n10.0.0.9 intranet.example\n10.0.0.5 mail\n", 0},
        {"domain in comments", "# 10.0.0.9 intranet.example\r\n" + block + "#10.0.0.1 intranet.example\r\n", {whole},
         "# 10.0.0.9 intranet.example\r\n10.0.0.9 intranet.example\r\n#10.0.0.1 intranet.example\r\n", 0},
        {"an earlier run's block without its line stays", "m\r\n\r\n\r\n# Added by Velmora Setup\r\n\r\n" + block,
         {{"192.168.1.2 intranet.example", ""}},
         "m\r\n\r\n\r\n# Added by Velmora Setup\r\n\r\n192.168.1.2 intranet.example\r\n", 0},
        {"emptied file", "", {whole}, "10.0.0.9 intranet.example\r\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out(HostsTakeBackCapacity(c.text.size()), '\0');
        HostsTakeBack result;
        ASSERT_TRUE(TakeBackHostsText(c.text.data(), c.text.size(), "10.0.0.1 ", kDomain, TakenLines(c.taken), &out[0],
                                      out.size(), &result));
        EXPECT_EQ(c.after, out.substr(0, result.length));
        EXPECT_EQ(c.left, result.names_left);
    }
}

// The removal keeps every other line, each ended with CR LF; the block follows the kept text.
TEST_F(HostsEntry, KeepsEveryOtherLineWithCrLfAndDropsTheDomainsLines)
{
    const struct { const char* what; std::string before; std::string after; } cases[] = {
        {"CR LF", "127.0.0.1 localhost\r\n10.0.0.9 intranet.example\r\n# 10.0.0.8 intranet.example\r\n"
                  "10.0.0.7 www.intranet.example\r\n",
         "127.0.0.1 localhost\r\n# 10.0.0.8 intranet.example\r\n10.0.0.7 www.intranet.example\r\n"},
        {"LF only", "127.0.0.1 localhost\n10.0.0.9 intranet.example\n10.0.0.5 mail\n",
         "127.0.0.1 localhost\r\n10.0.0.5 mail\r\n"},
        {"blank lines stay, the last gets its end", "a host\r\nb host\n\nintranet.example\r\n\r\nc host",
         "a host\r\nb host\r\n\r\n\r\nc host\r\n"},
        {"no final line end", "127.0.0.1 localhost\r\n10.0.0.9 intranet.example", "127.0.0.1 localhost\r\n"},
        {"empty file", "", ""},
        {"every line dropped", "10.0.0.9 intranet.example\r\n10.0.0.8 intranet.example\n", ""},
        {"other names on the line stay", "10.0.0.9 www intranet.example\tmail # note\r\n"
                                         "10.0.0.6 intranet.example www2\n10.0.0.8 intranet.example # only\n",
         "10.0.0.9 www\tmail # note\r\n10.0.0.6 www2\r\n"},
        {"an earlier run's block for another address: only the newest stays active",
         "10.0.0.5 mail\r\n" + Block("192.168.1.21 ", kDomain),
         "10.0.0.5 mail\r\n\r\n\r\n# Added by Velmora Setup\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.after + Block("10.0.0.1 ", kDomain), AddedTo(c.before));
    }
}

TEST_F(HostsEntry, FileLargerThanTheReadBufferIsReadWhole)
{
    std::string before, expected;
    for (int i = 0; i < 12000; ++i) {
        std::string line = "10.1." + std::to_string(i / 250 % 250) + "." + std::to_string(i % 250) + " host" +
                           std::to_string(i);
        before += line + (i % 2 ? "\n" : "\r\n");
        expected += line + "\r\n";
        if (i == 4321)
            before += "10.9.9.9 intranet.example\r\n";
    }
    ASSERT_GT(before.size(), 65536u * 2);
    EXPECT_EQ(expected + Block("10.0.0.1 ", kDomain), AddedTo(before));
}

TEST_F(HostsEntry, FileThatCannotBeReadIsNotCopied)
{
    ASSERT_TRUE(WriteWholeFile(path, "127.0.0.1 localhost\r\n10.0.0.9 intranet.example\r\n"));
    CBinFile source(65536), target(65536);
    ASSERT_TRUE(source.OpenBuffered(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING));
    ASSERT_TRUE(target.OpenBuffered(folder.File(L"copy").c_str(), GENERIC_WRITE, 0, CREATE_NEW));
    EXPECT_FALSE(CopyHostsWithoutDomain(source, target, kDomain, taken));
    EXPECT_NE(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
}

TEST_F(HostsEntry, MissingFileAndFolderAreCreatedHoldingOnlyTheBlock)
{
    std::wstring etc = folder.File(L"drivers\\etc");
    ASSERT_TRUE(AddHostsEntry(etc.c_str(), Address(0, 0, 0, 0), kDomain, nullptr));
    EXPECT_EQ(Block("127.0.0.1 ", kDomain), ReadWholeFile(etc + L"\\hosts"));
}

TEST_F(HostsEntry, FailuresLeaveTheFileAndGiveTheReason)
{
    const std::string before = "10.0.0.9 intranet.example\r\n";
    ASSERT_TRUE(WriteWholeFile(path, before));
    {
        // Another program holds the file: it cannot be opened for the rewrite.
        HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        EXPECT_FALSE(AddHostsEntry(folder.Path().c_str(), Address(10, 0, 0, 1), kDomain, nullptr));
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
        CloseHandle(held);
    }
    EXPECT_EQ(before, ReadWholeFile(path));

    EXPECT_FALSE(AddHostsEntry(folder.Path().c_str(), Address(10, 0, 0, 1), "", nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(before, ReadWholeFile(path));

    // The new content cannot be written beside the old (a folder holds its name).
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"hosts.velmora-new").c_str(), nullptr));
    EXPECT_FALSE(AddHostsEntry(folder.Path().c_str(), Address(10, 0, 0, 1), kDomain, nullptr));
    EXPECT_NE(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
    EXPECT_EQ(before, ReadWholeFile(path));

    // A file where the folder should be.
    std::wstring notAFolder = folder.File(L"etc");
    ASSERT_TRUE(WriteWholeFile(notAFolder, "x"));
    EXPECT_FALSE(AddHostsEntry(notAFolder.c_str(), Address(10, 0, 0, 1), kDomain, nullptr));
    EXPECT_EQ("x", ReadWholeFile(notAFolder));
}

TEST_F(HostsEntry, ReplacedFileKeepsItsRightsThroughAddingAndRemoval)
{
    ASSERT_TRUE(WriteWholeFile(path, "10.0.0.5 mail\r\n"));
    const std::wstring rights = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;BU)";
    ASSERT_TRUE(SetFileRights(path, rights));
    const std::wstring before = FileRights(path);
    ASSERT_TRUE(AddHostsEntry(folder.Path().c_str(), Address(10, 0, 0, 1), kDomain, nullptr));
    EXPECT_EQ(before, FileRights(path));
    ASSERT_TRUE(RemoveHostsEntry(folder.Path().c_str(), Address(10, 0, 0, 1), kDomain, taken, nullptr));
    EXPECT_EQ(before, FileRights(path));
}

TEST_F(HostsEntry, RemovalWithoutAFileLeavesNoneAndCountsTheNames)
{
    taken = TakenLines({{"10.0.0.9 intranet.example", ""}});
    int left = -1;
    EXPECT_TRUE(RemoveHostsEntry(folder.Path().c_str(), Address(10, 0, 0, 1), kDomain, taken, &left));
    EXPECT_EQ(1, left);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
}

TEST_F(HostsEntry, LinesThatCannotBeRecordedAreRefusedBeforeAnyChange)
{
    std::string nine;
    for (int i = 0; i < HostsTakenLines::kCapacity + 1; ++i)
        nine += "10.0.0." + std::to_string(i) + " intranet.example\r\n";
    const std::string cases[] = {
        nine,
        "10.0.0.9 " + std::string(sizeof taken.lines[0].before - 9 - sizeof kDomain, 'w') + " " + kDomain + "\r\n",
        std::string("10.0.0.9 a\0 intranet.example\r\n", 30),
    };
    for (const std::string& before : cases) {
        ASSERT_TRUE(WriteWholeFile(path, before));
        EXPECT_FALSE(AddHostsEntry(folder.Path().c_str(), Address(10, 0, 0, 1), kDomain, &taken));
        EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
        EXPECT_EQ(before, ReadWholeFile(path));
        EXPECT_EQ(0, taken.count);
    }
}
