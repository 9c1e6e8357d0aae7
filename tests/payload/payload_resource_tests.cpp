// The archive as the build embeds it: packed from tests/payload/sample by the payload
// builder at build time and linked into this program as resource "EXT" 10.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "payload/payload_fixture.h"
#include "payload_test_sample_paths.h"

namespace {

const std::wstring kSample = L"" VELMORA_SAMPLE_PAYLOAD_DIR;

std::wstring SampleFile(const wchar_t* name)
{
    std::wstring path = *name ? kSample + L"\\" + name : kSample;
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path;
}

}  // namespace

using PayloadResource = PayloadTest;

// A module without the archive fails without a message, with the reason the installation
// shows after a failed extraction; this program's archive unpacks to the sample tree.
TEST_F(PayloadResource, TheEmbeddedArchiveUnpacksToTheSampleTree)
{
    PayloadJob foreign = Job();
    foreign.module = GetModuleHandleW(L"kernel32.dll");
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(ExtractPayload(foreign, L""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(corrupt);
    EXPECT_TRUE(ListTree(Install()).empty());

    ASSERT_TRUE(ExtractPayload(Job(), L""));
    EXPECT_EQ(ListTree(SampleFile(L"")), ListTree(Install()));
    for (const wchar_t* name : {L"Velmora.txt", L"config\\settings.cfg", L"web\\index.html", L"web\\img\\logo.svg",
                                L"web\\empty.txt"})
        EXPECT_EQ(ReadBytes(SampleFile(name)), ReadBytes(Install(name))) << std::string(name, name + wcslen(name));
    // The header written with the archive names its longest path, as unpacked.
    size_t longest = 0;
    for (const std::wstring& name : ListTree(Install()))
        longest = std::max(longest, name.size() - (name.back() == L'\\' ? 1 : 0));
    EXPECT_EQ(longest, kPayloadLongestPath);
}

TEST_F(PayloadResource, TheKeepListMarksTheSamplesConfigurationToStay)
{
    ASSERT_TRUE(CreateDirectoryW(Install(L"config").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(Install(L"config\\settings.cfg"), Bytes(7, 'k')));
    ASSERT_TRUE(WriteBytes(Install(L"Velmora.txt"), Bytes(7, 'v')));
    g_settings.upgrade = true;
    ASSERT_TRUE(ExtractPayload(Job(), Backup().c_str()));
    EXPECT_EQ(Bytes(7, 'k'), ReadBytes(Install(L"config\\settings.cfg")));
    EXPECT_EQ(ReadBytes(SampleFile(L"Velmora.txt")), ReadBytes(Install(L"Velmora.txt")));
    EXPECT_EQ(Bytes(7, 'v'), ReadBytes(Backup(L"Velmora.txt")));
}

TEST(KeepList, ReadsPathsCommentsAndFolders)
{
    TempFolder folder(L"keep");
    const std::wstring path = folder.File(L"keep.txt");
    const char text[] = "# kept on upgrades\r\n"
                        "config/velmora.cfg\r\n"
                        "  .\\data\\users   # a folder: everything below it\r\n"
                        "\r\n"
                        "/web/custom.css\n";
    ASSERT_TRUE(WriteBytes(path, Bytes(text, text + sizeof(text) - 1)));
    CKeepList keep;
    ASSERT_TRUE(keep.Load(path.c_str()));
    DeleteFileW(path.c_str());

    EXPECT_EQ(3u, keep.Count());
    const struct { const wchar_t* path; bool kept; } cases[] = {
        {L"config\\velmora.cfg", true}, {L"CONFIG\\Velmora.CFG", true}, {L"data\\users", true},
        {L"data\\users\\alice\\inbox.db", true}, {L"web\\custom.css", true}, {L"config", false},
        {L"config\\velmora.cfg.bak", false}, {L"data\\users2", false}, {L"data", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.kept, keep.Keeps(c.path)) << std::string(c.path, c.path + wcslen(c.path));
    EXPECT_FALSE(CKeepList().Load(path.c_str()));
}
