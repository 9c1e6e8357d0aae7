// Archives built by the payload builder come out of the extractor as they went in.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "payload/payload_fixture.h"

using PayloadRoundTrip = PayloadTest;

// Files empty and around the window size, nested folders (an empty one too), with their
// times and attributes, and noise after the end of the stream ignored. Two empty files in
// different folders: at least one has an entry after it, which must not be taken as its
// content. Creating a member changes its folder's last-write time, so each folder's own
// time must be set after everything inside it, the folders inside included.
TEST_F(PayloadRoundTrip, AFolderTreeComesOutWithContentsTimesAndAttributes)
{
    for (const wchar_t* folder : {L"bin", L"web", L"web\\deep", L"empty folder"})
        ASSERT_TRUE(CreateDirectoryW(Source(folder).c_str(), nullptr));
    const std::pair<const wchar_t*, Bytes> kFiles[] = {
        {L"zero.txt", Bytes()},
        {L"bin\\window-less-one.dat", MakeContent(65535, 1, false)},
        {L"bin\\window.dat", MakeContent(65536, 2, false)},
        {L"bin\\window-plus-one.dat", MakeContent(65537, 3, false)},
        {L"web\\big-text.html", MakeContent(1500000, 5, true)},
        {L"web\\deep\\noise.dat", MakeContent(300000, 7, false)},
        {L"web\\deep\\empty.log", Bytes()},
        {L"hidden.txt", MakeContent(100, 9, true)},
    };
    for (const auto& file : kFiles)
        ASSERT_TRUE(WriteBytes(Source(file.first), file.second));
    const wchar_t* const kStamped[] = {L"web\\deep\\noise.dat", L"web\\deep\\empty.log", L"zero.txt",
                                       L"empty folder", L"web\\deep", L"web"};
    int year = 2011;
    for (const wchar_t* name : kStamped) {
        ASSERT_TRUE(SetTimes(Source(name), MakeTime(year, 1, 2, 3), MakeTime(year, 4, 5, 6), MakeTime(year, 7, 8, 9)));
        ++year;
    }
    ASSERT_TRUE(SetFileAttributesW(Source(L"zero.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW(Source(L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW(Source(L"web\\deep").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    Bytes archive = PackFolderToArchive(Source(), CKeepList()), noise = MakeContent(16 * 300, 13, false);
    archive.insert(archive.end(), noise.begin(), noise.end());

    ASSERT_TRUE(Extract(archive));

    const DWORD kChecked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    year = 2011;
    for (const wchar_t* name : kStamped) {
        SCOPED_TRACE(std::string(name, name + wcslen(name)));
        EXPECT_TRUE(HasTime(Install(name), 2, MakeTime(year, 7, 8, 9))) << "last write";
        EXPECT_TRUE(HasTime(Install(name), 1, MakeTime(year++, 4, 5, 6))) << "last access";
    }
    EXPECT_EQ(ListTree(Source()), ListTree(Install()));
    for (const auto& file : kFiles)
        EXPECT_EQ(file.second, ReadBytes(Install(file.first)))
            << "content of " << std::string(file.first, file.first + wcslen(file.first));
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY, GetFileAttributesW(Install(L"zero.txt").c_str()) & kChecked);
    EXPECT_EQ(FILE_ATTRIBUTE_HIDDEN, GetFileAttributesW(Install(L"hidden.txt").c_str()) & kChecked);
    EXPECT_EQ(0u, GetFileAttributesW(Install(L"web\\deep\\empty.log").c_str()) & kChecked);
    EXPECT_EQ(FILE_ATTRIBUTE_HIDDEN, GetFileAttributesW(Install(L"web\\deep").c_str()) & kChecked);
    ExpectNothingOutsideTheFolders();
}

// The entry after a window-filling file begins k bytes before the window's end, for
// every k that splits its 560 bytes (and the two that do not).
TEST_F(PayloadRoundTrip, EntryStraddlingTheWindowEndAtEveryOffset)
{
    const DWORD kEntry = sizeof(PayloadEntry);
    Bytes tail = MakeContent(1000, 11, true);
    for (DWORD k = 0; k <= kEntry; ++k) {
        Bytes filler = MakeContent(kPayloadBufferSize - kEntry - k, k, true);
        Bytes second = MakeContent(k * 3 + 1, 1000 + k, false);
        Bytes archive = ArchiveBuilder(DataKey, 1)
                            .File(L"filler.txt", filler)
                            .File(L"second.bin", second)
                            .File(L"third.txt", tail)
                            .Finish();
        ASSERT_TRUE(Extract(archive)) << "entry " << k << " bytes before the window's end";
        ASSERT_EQ(second, ReadBytes(Install(L"second.bin"))) << "k = " << k;
        ASSERT_EQ(tail, ReadBytes(Install(L"third.txt"))) << "k = " << k;
        ASSERT_EQ(filler.size(), ReadBytes(Install(L"filler.txt")).size()) << "k = " << k;
    }
}

// When the deflate stream fills the last cipher block exactly, no padding follows it, and
// the inflater may take the last input byte while a long match it codes has not yet been
// written because the window filled up. That output must still reach the file. A few
// noise bytes before the zeros vary the stream's length over every remainder of 16.
TEST_F(PayloadRoundTrip, OutputLeftInTheInflaterAfterTheLastInputIsWritten)
{
    int unpadded = 0;
    for (DWORD over : {1u, 100u, 300u, 700u}) {
        for (DWORD noise = 0; noise < 48; ++noise) {
            Bytes content = MakeContent(noise, noise, false);
            content.resize(2 * kPayloadBufferSize - sizeof(PayloadEntry) + over, 0);
            ArchiveBuilder builder;
            builder.File(L"zeros.bin", content);
            Bytes archive = builder.Finish();
            if (builder.DeflatedBytes() % 16 != 0)
                continue;
            ++unpadded;
            ASSERT_TRUE(Extract(archive));
            Bytes written = ReadBytes(Install(L"zeros.bin"));
            ASSERT_EQ(content.size(), written.size()) << over << " bytes into the third window";
            ASSERT_TRUE(content == written) << over << " bytes into the third window";
        }
    }
    EXPECT_GT(unpadded, 4);
}

// A cancel stops the writer, and the inflater thread with it while it waits for room.
TEST_F(PayloadRoundTrip, ACancelStopsTheExtractionWithItsOwnError)
{
    ArchiveBuilder builder;
    for (int i = 0; i < 40; ++i)
        builder.File((L"f" + std::to_wstring(i) + L".bin").c_str(), MakeContent(100000, 60 + i, false));
    Bytes archive = builder.Finish();
    std::atomic<bool> cancel{true};
    PayloadJob job = Job();
    job.cancel = &cancel;
    SetLastError(0);
    DWORD start = GetTickCount();
    EXPECT_FALSE(ExtractPayloadArchive(job, archive.data(), static_cast<DWORD>(archive.size()), L""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANCELLED), GetLastError());
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_TRUE(ListTree(Install()).empty());
}
