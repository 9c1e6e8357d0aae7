// Damaged, foreign and forged archives fail cleanly: false or a clean success, never a
// crash, a hang or a file outside the installation folder.
#include <gtest/gtest.h>
#include <windows.h>

#include "payload/payload_fixture.h"

namespace {

Bytes SampleArchive()
{
    ArchiveBuilder builder;
    builder.Folder(L"bin").Folder(L"bin\\lib");
    for (int i = 0; i < 12; ++i) {
        wchar_t name[64];
        wsprintfW(name, i % 2 ? L"bin\\lib\\part%02d.dat" : L"bin\\file%02d.txt", i);
        builder.File(name, MakeContent(static_cast<size_t>(i * 1500), 40 + i, i % 3 != 0));
    }
    builder.File(L"zero.txt", Bytes());
    return builder.Finish();
}

}  // namespace

using PayloadDamage = PayloadTest;

// Copies too short for a header fail without a message. Truncated copies at every block
// boundary of the start and then throughout, copies with one to three flipped bits, and
// the archive made with another key fail or succeed cleanly.
TEST_F(PayloadDamage, TruncatedFlippedOrForeignArchivesNeverEscapeOrHang)
{
    const Bytes archive = SampleArchive();
    for (DWORD cut = 0; cut < 8; ++cut)
        EXPECT_FALSE(Extract(Bytes(archive.begin(), archive.begin() + cut))) << cut;
    EXPECT_FALSE(corrupt);
    EXPECT_TRUE(ListTree(Install()).empty());
    const BYTE otherKey[16] = {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D,
                               0x3E, 0x3F};
    EXPECT_FALSE(Extract(ArchiveBuilder(otherKey).File(L"a.txt", MakeContent(30000, 50, true)).Finish()));
    EXPECT_FALSE(PathExists(Install(L"a.txt")));
    std::vector<Bytes> damaged;
    for (size_t cut = 8; cut < 4096 && cut < archive.size(); cut += 16)
        damaged.emplace_back(archive.begin(), archive.begin() + cut);
    for (size_t cut = 9; cut < archive.size(); cut += 997)
        damaged.emplace_back(archive.begin(), archive.begin() + cut);
    const size_t truncated = damaged.size();
    unsigned state = 777;
    for (int i = 0; i < 2000; ++i) {
        damaged.push_back(archive);
        for (int f = 0; f <= i % 3; ++f) {
            state = state * 1103515245u + 12345u;
            damaged.back()[4 + (state >> 8) % (archive.size() - 4)] ^= static_cast<BYTE>(1u << ((state >> 4) & 7));
        }
    }
    size_t failedTruncated = 0, failedFlipped = 0;
    for (size_t i = 0; i < damaged.size(); ++i) {
        // A fresh folder inside the installation folder for each truncated copy and every
        // hundred flipped ones.
        if (i < truncated || i % 100 == 0) {
            std::wstring fresh = Install(std::to_wstring(i).c_str());
            ASSERT_TRUE(CreateDirectoryW(fresh.c_str(), nullptr));
            wcscpy(g_settings.install_dir, fresh.c_str());
        }
        if (!Extract(damaged[i]))
            ++(i < truncated ? failedTruncated : failedFlipped);
    }
    // Cut inside a block, the last block decrypts to noise that inflate rejects.
    EXPECT_GT(failedTruncated, 0u);
    EXPECT_GT(failedFlipped, 1000u);
    ExpectNothingOutsideTheFolders();
}

// Names that would land outside the installation folder, on a device, or under another
// name: the corrupt archive warning, once, and nothing written for them. A row per kind of
// name, "/" read as "\\" first; every name of each kind is the NameRules table's.
TEST_F(PayloadDamage, HostileNamesAreRefusedAndStopTheExtraction)
{
    const wchar_t* const kHostile[] = {
        L"..\\escaped.txt", L"a\\..", L"..", L".", L"C:\\escaped.txt", L"\\\\server\\share\\escaped.txt",
        L"/escaped.txt", L"../escaped.txt", L"a/../../escaped.txt", L"file.txt:stream", L"CON", L"", L"a\\",
        L"bad\x0001name.txt", L"Velmora.exe.", L"VELMOR~1.EXE",
    };
    for (const wchar_t* name : kHostile) {
        SCOPED_TRACE(std::string(name, name + wcslen(name)));
        Bytes archive = ArchiveBuilder()
                            .File(L"first.txt", Bytes(3, 'f'))
                            .File(name, Bytes(9, 'x'))
                            .File(L"after.txt", Bytes(3, 'a'))
                            .Finish();
        corrupt = false;
        SetLastError(0);
        EXPECT_FALSE(Extract(archive));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
        EXPECT_TRUE(corrupt);
        EXPECT_FALSE(Extract(ArchiveBuilder().Folder(name).Finish())) << "as a folder";
        EXPECT_EQ(std::vector<std::wstring>{L"first.txt"}, ListTree(Install()));
    }
    EXPECT_FALSE(PathExists(root_ + L"\\escaped.txt"));
    EXPECT_FALSE(PathExists(L"C:\\escaped.txt"));
    ExpectNothingOutsideTheFolders();
}

// A cut path would name another file, so a name too long for the folder stops the
// extraction rather than being cut.
TEST_F(PayloadDamage, UnterminatedOrTooLongNamesAndImpossibleSizesAreRefused)
{
    PayloadEntry unterminated = MakeEntry(L"x", 3);
    for (wchar_t& c : unterminated.name)
        c = L'n';
    const std::wstring tooLong = std::wstring(259 - 4, L'n') + L".txt";
    const struct { const char* what; PayloadEntry entry; DWORD error; } cases[] = {
        {"unterminated name", unterminated, ERROR_INVALID_DATA},
        {"negative size", MakeEntry(L"negative.txt", -2), ERROR_INVALID_DATA},
        {"name too long for the folder", MakeEntry(tooLong.c_str(), 3), ERROR_FILENAME_EXCED_RANGE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes archive = ArchiveBuilder().Entry(c.entry, Bytes(3, 'z')).Finish();
        SetLastError(0);
        EXPECT_FALSE(Extract(archive));
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_TRUE(ListTree(Install()).empty());
    }
}

// The builder packs no such name either, and says which file it is.
TEST_F(PayloadDamage, TheBuilderRefusesANameWindowsReadsAsAnother)
{
    ASSERT_TRUE(CreateDirectoryW(Source(L"web").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(Source(L"web\\APP~1.JS"), Bytes(3, 'a')));
    CMemorySink sink;
    CPayloadWriter writer(sink, DataKey, kDataKeyBits);
    PackResult result;
    ASSERT_TRUE(writer.Begin());
    EXPECT_FALSE(PackFolder(Source().c_str(), CKeepList(), writer, result));
    EXPECT_TRUE(result.nameRefused);
    EXPECT_EQ(Source(L"web\\APP~1.JS"), result.failedPath);
}
