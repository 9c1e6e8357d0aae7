// CReadWriteLock and the store under it, with real threads.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "config/config_test_support.h"
#include "datafiles/read_write_lock.h"
#include "config/worker_thread.h"

namespace {

bool WaitUntil(const std::function<bool()>& condition, DWORD ms = 10000)
{
    for (DWORD waited = 0; waited < ms; waited += 5) {
        if (condition())
            return true;
        Sleep(5);
    }
    return condition();
}

// Time for a started thread to reach its wait inside the lock.
void LetItBlock()
{
    Sleep(300);
}

} // namespace

TEST(ReadWriteLock, ManyReadersHoldItAtOnce)
{
    CReadWriteLock lock;
    const LONG kReaders = 8;
    volatile LONG inside = 0;
    HANDLE leave = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<std::unique_ptr<Worker>> readers;
    for (LONG i = 0; i < kReaders; ++i)
        readers.emplace_back(new Worker([&] {
            SharedLock hold(lock);
            InterlockedIncrement(&inside);
            WaitForSingleObject(leave, 30000);
        }));
    EXPECT_TRUE(WaitUntil([&] { return inside == kReaders; }));
    SetEvent(leave);
    for (auto& reader : readers)
        EXPECT_TRUE(reader->Join());
    CloseHandle(leave);
}

TEST(ReadWriteLock, AWriterWaitsForReadersAndHoldsItAlone)
{
    CReadWriteLock lock;
    volatile LONG writerIn = 0, readerIn = 0, otherWriterIn = 0;
    lock.AcquireShared();
    HANDLE writerStarts = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Worker writer([&] {
        SetEvent(writerStarts);
        lock.AcquireExclusive();
        InterlockedExchange(&writerIn, 1);
        Sleep(300);
        InterlockedExchange(&writerIn, 2);
        lock.Release();
    });
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(writerStarts, 10000));
    CloseHandle(writerStarts);
    LetItBlock();
    EXPECT_EQ(0, writerIn) << "the writer got in beside a reader";
    lock.Release();
    ASSERT_TRUE(WaitUntil([&] { return writerIn == 1; }));

    // While the writer holds it, neither a reader nor another writer gets in.
    Worker reader([&] {
        SharedLock hold(lock);
        InterlockedExchange(&readerIn, writerIn == 2 ? 1 : -1);
    });
    Worker otherWriter([&] {
        ExclusiveLock hold(lock);
        InterlockedExchange(&otherWriterIn, writerIn == 2 ? 1 : -1);
    });
    EXPECT_TRUE(reader.Join());
    EXPECT_TRUE(otherWriter.Join());
    EXPECT_EQ(1, readerIn);
    EXPECT_EQ(1, otherWriterIn);
}

TEST(ReadWriteLock, AWaitingWriterGoesBeforeNewReaders)
{
    CReadWriteLock lock;
    volatile LONG order = 0, writerAt = 0, lateReaderAt = 0;
    HANDLE writerStarts = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE readerStarts = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    lock.AcquireShared();
    Worker writer([&] {
        SetEvent(writerStarts);
        ExclusiveLock hold(lock);
        writerAt = InterlockedIncrement(&order);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(writerStarts, 10000));
    LetItBlock();
    Worker lateReader([&] {
        SetEvent(readerStarts);
        SharedLock hold(lock);
        lateReaderAt = InterlockedIncrement(&order);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(readerStarts, 10000));
    LetItBlock();
    EXPECT_EQ(0, lateReaderAt) << "a new reader passed a waiting writer";
    lock.Release();
    EXPECT_TRUE(writer.Join());
    EXPECT_TRUE(lateReader.Join());
    EXPECT_EQ(1, writerAt);
    EXPECT_EQ(2, lateReaderAt);
    CloseHandle(writerStarts);
    CloseHandle(readerStarts);
}

TEST(ReadWriteLock, StressKeepsWritersAloneWithoutDeadlock)
{
    CReadWriteLock lock;
    volatile LONG readers = 0, writers = 0, violations = 0, rounds = 0;
    std::vector<std::unique_ptr<Worker>> threads;
    for (int t = 0; t < 8; ++t) {
        bool writes = t % 3 == 0;
        threads.emplace_back(new Worker([&, writes] {
            for (int i = 0; i < 3000; ++i) {
                if (writes) {
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
                InterlockedIncrement(&rounds);
            }
        }));
    }
    for (auto& thread : threads)
        ASSERT_TRUE(thread->Join(120000)) << "deadlock";
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
    std::vector<std::unique_ptr<Worker>> threads;
    for (int t = 0; t < 6; ++t) {
        std::wstring own = folder.File((L"saved" + std::to_wstring(t) + L".cfg").c_str());
        bool writes = t % 2 == 0;
        threads.emplace_back(new Worker([&, own, writes] {
            for (int i = 0; i < 40; ++i) {
                if (writes) {
                    if (!config.Load(i % 2 ? pathA.c_str() : pathB.c_str()))
                        InterlockedIncrement(&failures);
                    continue;
                }
                if (!config.Save(own.c_str())) {
                    InterlockedIncrement(&failures);
                    continue;
                }
                std::string saved = ReadWholeFile(own);
                bool hasA = saved.find("=\"A\"") != std::string::npos || saved.find("=A\r") != std::string::npos;
                bool hasB = saved.find("=\"B\"") != std::string::npos || saved.find("=B\r") != std::string::npos;
                if (hasA == hasB)
                    InterlockedIncrement(&mixed);
                InterlockedIncrement(&saves);
            }
        }));
    }
    for (auto& thread : threads)
        ASSERT_TRUE(thread->Join(120000)) << "deadlock";
    EXPECT_EQ(0, failures);
    EXPECT_EQ(0, mixed);
    EXPECT_EQ(3 * 40, saves);
}
