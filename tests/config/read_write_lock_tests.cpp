// CReadWriteLock and the store under it, with real threads.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "config/config_test_support.h"
#include "formats/config/read_write_lock.h"

namespace {

bool WaitUntil(const std::function<bool()>& condition)
{
    for (int waited = 0; waited < 10000 && !condition(); waited += 5)
        Sleep(5);
    return condition();
}

// Starts `body` on a thread and gives it time to reach its wait inside the lock.
std::unique_ptr<Worker> StartAndLetItBlock(std::function<void()> body)
{
    volatile LONG started = 0;
    std::unique_ptr<Worker> worker(new Worker([&started, body] {
        InterlockedExchange(&started, 1);
        body();
    }));
    EXPECT_TRUE(WaitUntil([&] { return started != 0; }));
    Sleep(300);
    return worker;
}

// Runs `body(t)` on `count` threads at once; false when one of them does not end.
bool RunThreads(int count, const std::function<void(int)>& body)
{
    std::vector<std::unique_ptr<Worker>> threads;
    for (int t = 0; t < count; ++t)
        threads.emplace_back(new Worker([&body, t] { body(t); }));
    bool ended = true;
    for (auto& thread : threads)
        ended = thread->Join(120000) && ended;
    return ended;
}

} // namespace

TEST(ReadWriteLock, ManyReadersHoldItAtOnce)
{
    CReadWriteLock lock;
    volatile LONG inside = 0, sawAll = 0;
    EXPECT_TRUE(RunThreads(8, [&](int) {
        SharedLock hold(lock);
        InterlockedIncrement(&inside);
        if (WaitUntil([&] { return inside == 8; }))
            InterlockedIncrement(&sawAll);
    }));
    EXPECT_EQ(8, sawAll) << "readers held it one after another";
}

TEST(ReadWriteLock, AWaitingWriterGoesBeforeNewReadersAndHoldsItAlone)
{
    CReadWriteLock lock;
    volatile LONG writerIn = 0, lateReaderSaw = 0, readerSaw = 0, otherWriterSaw = 0;
    lock.AcquireShared();
    auto writer = StartAndLetItBlock([&] {
        ExclusiveLock hold(lock);
        InterlockedExchange(&writerIn, 1);
        Sleep(300);
        InterlockedExchange(&writerIn, 2);
    });
    EXPECT_EQ(0, writerIn) << "the writer got in beside a reader";
    auto lateReader = StartAndLetItBlock([&] {
        SharedLock hold(lock);
        InterlockedExchange(&lateReaderSaw, writerIn + 10);
    });
    EXPECT_EQ(0, lateReaderSaw) << "a new reader passed a waiting writer";
    lock.Release();
    ASSERT_TRUE(WaitUntil([&] { return writerIn != 0; }));

    // While the writer holds it, neither a reader nor another writer gets in.
    Worker reader([&] {
        SharedLock hold(lock);
        InterlockedExchange(&readerSaw, writerIn + 10);
    });
    Worker otherWriter([&] {
        ExclusiveLock hold(lock);
        InterlockedExchange(&otherWriterSaw, writerIn + 10);
    });
    EXPECT_TRUE(writer->Join() && lateReader->Join() && reader.Join() && otherWriter.Join());
    EXPECT_EQ(12, lateReaderSaw) << "the waiting reader went before or beside the writer";
    EXPECT_EQ(12, readerSaw);
    EXPECT_EQ(12, otherWriterSaw);
}

TEST(ReadWriteLock, StressKeepsWritersAloneWithoutDeadlock)
{
    CReadWriteLock lock;
    volatile LONG readers = 0, writers = 0, violations = 0, rounds = 0;
    ASSERT_TRUE(RunThreads(8, [&](int t) {
        for (int i = 0; i < 3000; ++i, InterlockedIncrement(&rounds)) {
            if (t % 3 == 0) {
                ExclusiveLock hold(lock);
                if (InterlockedIncrement(&writers) != 1 || readers != 0)
                    InterlockedIncrement(&violations);
                InterlockedDecrement(&writers);
            } else {
                SharedLock hold(lock);
                InterlockedIncrement(&readers);
                if (writers != 0)
                    InterlockedIncrement(&violations);
                InterlockedDecrement(&readers);
            }
        }
    })) << "deadlock";
    EXPECT_EQ(0, violations);
    EXPECT_EQ(8 * 3000, rounds);
}

TEST(ReadWriteLock, ReadersOfTheStoreNeverSeeAHalfLoadedFile)
{
    TempFolder folder(L"cfglock");
    // Two files that set every template key, one to "A" values, one to "B" values.
    std::string fileA, fileB;
    for (const char* key : { "sql_user", "sql_password", "sql_address", "server_mode", "server_ip",
                             "server_ip_public", "google_api_key" }) {
        fileA += std::string(key) + "=A\r\n";
        fileB += std::string(key) + "=B\r\n";
    }
    std::wstring pathA = folder.File(L"a.cfg"), pathB = folder.File(L"b.cfg");
    ASSERT_TRUE(WriteWholeFile(pathA, fileA));
    ASSERT_TRUE(WriteWholeFile(pathB, fileB));

    CConfigFile config;
    ASSERT_TRUE(config.Load(pathA.c_str()));
    volatile LONG mixed = 0, saves = 0, failures = 0;
    ASSERT_TRUE(RunThreads(6, [&](int t) {
        std::wstring own = folder.File((L"saved" + std::to_wstring(t) + L".cfg").c_str());
        for (int i = 0; i < 40; ++i) {
            if (t % 2 == 0) {
                if (!config.Load(i % 2 ? pathA.c_str() : pathB.c_str()))
                    InterlockedIncrement(&failures);
            } else if (!config.Save(own.c_str())) {
                InterlockedIncrement(&failures);
            } else {
                std::string saved = ReadWholeFile(own);
                bool hasA = saved.find("=\"A\"") != std::string::npos || saved.find("=A\r") != std::string::npos;
                bool hasB = saved.find("=\"B\"") != std::string::npos || saved.find("=B\r") != std::string::npos;
                if (hasA == hasB)
                    InterlockedIncrement(&mixed);
                InterlockedIncrement(&saves);
            }
        }
    })) << "deadlock";
    EXPECT_EQ(0, failures);
    EXPECT_EQ(0, mixed);
    EXPECT_EQ(3 * 40, saves);
}
