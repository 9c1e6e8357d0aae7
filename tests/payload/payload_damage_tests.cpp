// Damaged, foreign and forged archives fail cleanly: false or a clean success, never a
// crash, a hang or a file outside the installation folder.
#include <gtest/gtest.h>
#include <windows.h>

#include "payload/payload_fixture.h"
#include "support/message_box_watcher.h"

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

HWND MakeOwnerWindow()
{
    return CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

using PayloadDamage = PayloadTest;

TEST_F(PayloadDamage, TooShortArchivesFailWithoutAMessage)
{
    g_settings.force_auto = false;
    MessageBoxWatcher watcher;
    Bytes archive = SampleArchive();
    for (size_t size = 0; size < 8; ++size) {
        EXPECT_FALSE(ExtractPayloadArchive(Job(), archive.data(), static_cast<DWORD>(size), L"")) << size;
    }
    Sleep(300);
    EXPECT_TRUE(watcher.Seen().empty());
    EXPECT_TRUE(ListTree(Install()).empty());
}

TEST_F(PayloadDamage, MissingArgumentsFail)
{
    Bytes archive = SampleArchive();
    PayloadJob job = Job();
    EXPECT_FALSE(ExtractPayloadArchive(job, archive.data(), static_cast<DWORD>(archive.size()), nullptr));
    job.input = nullptr;
    EXPECT_FALSE(ExtractPayloadArchive(job, archive.data(), static_cast<DWORD>(archive.size()), L""));
    job = Job();
    job.window = nullptr;
    EXPECT_FALSE(ExtractPayloadArchive(job, archive.data(), static_cast<DWORD>(archive.size()), L""));
    EXPECT_FALSE(ExtractPayload(job, L""));
    EXPECT_TRUE(ListTree(Install()).empty());
}

TEST_F(PayloadDamage, AnArchiveMadeWithAnotherKeyFails)
{
    BYTE otherKey[16];
    for (int i = 0; i < 16; ++i)
        otherKey[i] = static_cast<BYTE>(0x30 + i);
    ArchiveBuilder builder(otherKey);
    builder.File(L"a.txt", MakeContent(30000, 50, true)).File(L"b.txt", MakeContent(3000, 51, false));
    EXPECT_FALSE(Extract(builder.Finish()));
    EXPECT_FALSE(Exists(Install(L"a.txt")));
    ExpectNothingOutsideTheFolders();
}

TEST_F(PayloadDamage, TruncatedArchivesNeverEscapeOrHang)
{
    Bytes archive = SampleArchive();
    std::vector<size_t> cuts;
    for (size_t cut = 8; cut < 4096 && cut < archive.size(); cut += 16)
        cuts.push_back(cut);
    for (size_t cut = 9; cut < archive.size(); cut += 997)
        cuts.push_back(cut);
    int failed = 0;
    for (size_t cut : cuts) {
        Bytes truncated(archive.begin(), archive.begin() + cut);
        if (!Extract(truncated))
            ++failed;
        RemoveTree(Install());
        ASSERT_TRUE(CreateDirectoryW(Install().c_str(), nullptr));
    }
    // Cut inside a block, the last block decrypts to noise that inflate rejects.
    EXPECT_GT(failed, 0);
    ExpectNothingOutsideTheFolders();
}

TEST_F(PayloadDamage, FlippedBitsNeverEscapeOrHang)
{
    Bytes archive = SampleArchive();
    unsigned state = 777;
    int failed = 0;
    const int kMutations = 2000;
    for (int i = 0; i < kMutations; ++i) {
        Bytes mutated(archive);
        int flips = 1 + i % 3;
        for (int f = 0; f < flips; ++f) {
            state = state * 1103515245u + 12345u;
            size_t at = 4 + (state >> 8) % (mutated.size() - 4);
            mutated[at] ^= static_cast<BYTE>(1u << ((state >> 4) & 7));
        }
        if (!Extract(mutated))
            ++failed;
        if (i % 100 == 99) {
            RemoveTree(Install());
            ASSERT_TRUE(CreateDirectoryW(Install().c_str(), nullptr));
        }
    }
    EXPECT_GT(failed, kMutations / 2);
    ExpectNothingOutsideTheFolders();
}

// Names that would land outside the installation folder, on a device, or that are not
// terminated within their field.
TEST_F(PayloadDamage, HostileNamesAreRefusedAndStopTheExtraction)
{
    const wchar_t* const kHostile[] = {
        L"..\\escaped.txt", L"a\\..\\..\\escaped.txt", L"a\\..", L"..", L".",
        L"C:\\escaped.txt", L"C:escaped.txt", L"\\escaped.txt", L"/escaped.txt",
        L"\\\\?\\C:\\escaped.txt", L"\\\\.\\C:\\escaped.txt", L"\\\\server\\share\\escaped.txt",
        L".. \\escaped.txt", L"a\\. .\\..\\..\\escaped.txt", L"../escaped.txt", L"a/../../escaped.txt",
        L"file.txt:stream", L"CON", L"nul.txt", L"a\\com1.log", L"LPT9", L"aux .txt",
        L"", L"a\\\\b.txt", L"a\\", L"bad\x0001name.txt",
    };
    for (const wchar_t* name : kHostile) {
        Bytes archive = ArchiveBuilder()
                            .File(L"first.txt", Bytes(3, 'f'))
                            .File(name, Bytes(9, 'x'))
                            .File(L"after.txt", Bytes(3, 'a'))
                            .Finish();
        SetLastError(0);
        std::string printable(name, name + wcslen(name));
        EXPECT_FALSE(Extract(archive)) << printable;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError()) << printable;
        EXPECT_TRUE(Exists(Install(L"first.txt"))) << printable;
        EXPECT_FALSE(Exists(Install(L"after.txt"))) << printable;
        Bytes asFolder = ArchiveBuilder().Folder(name).Finish();
        EXPECT_FALSE(Extract(asFolder)) << "folder " << printable;
    }
    EXPECT_FALSE(Exists(root_ + L"\\escaped.txt"));
    EXPECT_FALSE(Exists(L"C:\\escaped.txt"));
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

TEST_F(PayloadDamage, AForgedNameShowsTheCorruptArchiveWarningOwnedByThePage)
{
    g_settings.force_auto = false;
    HWND owner = MakeOwnerWindow();
    ASSERT_NE(nullptr, owner);
    Bytes archive = ArchiveBuilder().File(L"..\\escaped.txt", Bytes(4, 'e')).Finish();
    {
        MessageBoxWatcher watcher;
        EXPECT_FALSE(ExtractPayloadArchive(Job(owner), archive.data(), static_cast<DWORD>(archive.size()), L""));
        ASSERT_TRUE(watcher.WaitFor(1));
        std::vector<SeenMessageBox> seen = watcher.Seen();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(L"Velmora Server Setup", seen[0].title);
        EXPECT_EQ(L"Archive file is corrupted", seen[0].text);
        EXPECT_EQ(LoadIconW(nullptr, IDI_EXCLAMATION), seen[0].icon);
        EXPECT_EQ(owner, seen[0].owner);
    }
    DestroyWindow(owner);
    EXPECT_FALSE(Exists(root_ + L"\\escaped.txt"));
}

TEST(PayloadEntryName, AcceptsOrdinaryRelativeNames)
{
    for (const wchar_t* name : {L"a", L"Velmora.exe", L"config\\velmora.cfg", L"web/static/app.js", L".hidden",
                                L"a..b\\c d\\e.f", L"console.txt", L"com10", L"lpt", L"connect\\nul-ish.txt",
                                L"x\\...y"}) {
        wchar_t field[260] = {};
        wcsncpy(field, name, 259);
        EXPECT_TRUE(IsSafeEntryName(field)) << std::string(name, name + wcslen(name));
    }
    wchar_t longest[260];
    for (int i = 0; i < 259; ++i)
        longest[i] = L'a';
    longest[259] = 0;
    EXPECT_TRUE(IsSafeEntryName(longest));
}
