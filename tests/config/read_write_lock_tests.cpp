// CReadWriteLock and the store under it, with real threads.
#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "formats/config/config_file.h"
#include "formats/config/read_write_lock.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace {

// Runs `body(t)` on `count` threads at once; a deadlock ends in the test's time limit.
void RunThreads(int count, const std::function<void(int)>& body)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t)
        threads.emplace_back(body, t);
    for (auto& thread : threads)
        thread.join();
}

} // namespace

TEST(ReadWriteLock, ManyReadersHoldItAtOnce)
{
    CReadWriteLock lock;
    volatile LONG inside = 0, sawAll = 0;
    RunThreads(8, [&](int) {
        SharedLock hold(lock);
        InterlockedIncrement(&inside);
        if (WaitUntil([&] { return inside == 8; }, 10000))
            InterlockedIncrement(&sawAll);
    });
    EXPECT_EQ(8, sawAll) << "readers held it one after another";
}

// What each thread saw as it got in is recorded by that thread, so a wrong order fails
// however the threads are scheduled; the pauses only give a wrong lock time to go wrong.
TEST(ReadWriteLock, AWaitingWriterGoesBeforeNewReaders)
{
    CReadWriteLock lock;
    volatile LONG readerHolds = 1, writerTries = 0, writerIn = 0, lateReaderTries = 0, lateReaderSaw = 0;
    LONG writerSawReader = -1;
    lock.AcquireShared();
    std::thread writer([&] {
        InterlockedExchange(&writerTries, 1);
        ExclusiveLock hold(lock);
        writerSawReader = readerHolds;
        InterlockedExchange(&writerIn, 1);
        Sleep(300);
        InterlockedExchange(&writerIn, 2);
    });
    EXPECT_TRUE(WaitUntil([&] { return writerTries == 1; }));
    Sleep(300);  // for the writer to reach its wait
    std::thread lateReader([&] {
        InterlockedExchange(&lateReaderTries, 1);
        SharedLock hold(lock);
        InterlockedExchange(&lateReaderSaw, writerIn + 10);
    });
    EXPECT_TRUE(WaitUntil([&] { return lateReaderTries == 1; }));
    Sleep(300);  // for the reader to reach its wait
    InterlockedExchange(&readerHolds, 0);
    lock.Release();
    writer.join();
    lateReader.join();
    EXPECT_EQ(0, writerSawReader) << "the writer got in beside a reader";
    EXPECT_EQ(12, lateReaderSaw) << "a new reader went before or beside the waiting writer";
}

// Loads hold the lock alone and saves share it: a save that ran beside a load (or two
// loads side by side) would write a mix of both files.
TEST(ReadWriteLock, ReadersOfTheStoreNeverSeeAHalfLoadedFile)
{
    TempFolder folder(L"cfglock");
    // Two files that set the same keys, one to "A", one to "B".
    std::wstring paths[2] = { folder.File(L"a.cfg"), folder.File(L"b.cfg") };
    for (char value : { 'A', 'B' }) {
        std::string file;
        for (const char* key : { "sql_user", "sql_address", "server_ip", "server_ip_public", "google_api_key" })
            file += std::string(key) + "=" + value + "\r\n";
        ASSERT_TRUE(WriteWholeFile(paths[value - 'A'], file));
    }
    CConfigFile config;
    ASSERT_TRUE(config.Load(paths[0].c_str()));
    volatile LONG mixed = 0, failures = 0;
    RunThreads(6, [&](int t) {
        std::wstring own = folder.File((L"saved" + std::to_wstring(t) + L".cfg").c_str());
        for (int i = 0; i < 300; ++i) {
            if (t % 2 == 0 ? !config.Load(paths[i % 2].c_str()) : !config.Save(own.c_str())) {
                InterlockedIncrement(&failures);
            } else if (t % 2) {
                std::string saved = ReadWholeFile(own);
                if ((saved.find("A\"\r") != std::string::npos) == (saved.find("B\"\r") != std::string::npos))
                    InterlockedIncrement(&mixed);
            }
        }
    });
    EXPECT_EQ(0, failures);
    EXPECT_EQ(0, mixed);
}
