// Waits between the extraction's two threads end at their limit, and the log says so.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/bounded_wait.h"
#include "base/scoped_handle.h"
#include "base/setup_log.h"
#include "engine/payload_ring.h"
#include "support/captured_log.h"

namespace {

const DWORD kLimitMs = 100;

} // namespace

// A writer with no inflater behind it, and an inflater with no writer taking its slots:
// each side gives up at the ring's limit instead of waiting for ever, and logs it.
TEST(PayloadRing, EachSideGivesUpAtItsLimitWhenTheOtherIsStuck)
{
    CapturedLog log;
    ASSERT_TRUE(log.Opened());
    static BYTE first[CPayloadRing::kSlotSize];
    CPayloadRing ring(kLimitMs);
    ASSERT_TRUE(ring.Create(first));

    DWORD start = GetTickCount();
    SetLastError(0);
    EXPECT_EQ(nullptr, ring.NextFilled());
    EXPECT_EQ(static_cast<DWORD>(ERROR_TIMEOUT), GetLastError());
    EXPECT_GE(GetTickCount() - start, kLimitMs - 20);

    for (DWORD i = 0; i < CPayloadRing::kSlots; ++i) {
        ASSERT_NE(nullptr, ring.NextEmpty());
        ring.Fill();
    }
    start = GetTickCount();
    EXPECT_EQ(nullptr, ring.NextEmpty());
    EXPECT_GE(GetTickCount() - start, kLimitMs - 20);
    // What was filled is still the writer's to take.
    EXPECT_NE(nullptr, ring.NextFilled());

    const std::string text = log.Text();
    EXPECT_NE(std::string::npos, text.find("wait: inflated data in the payload's ring did not come within 100 ms"));
    EXPECT_NE(std::string::npos, text.find("wait: room in the payload's ring (its writer) did not come within 100 ms"));
}

// A thread that outlasts a round is waited for until it ends, each round logged.
TEST(WaitForThreadEnd, WaitsPastItsRoundsUntilTheThreadEndsAndLogsEachRound)
{
    CapturedLog log;
    ASSERT_TRUE(log.Opened());
    UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    UniqueHandle thread(CreateThread(
        nullptr, 0, [](void* event) -> DWORD { return WaitForSingleObject(static_cast<HANDLE>(event), 10000); },
        release.Get(), 0, nullptr));
    ASSERT_TRUE(thread.IsValid());
    UniqueHandle releaser(CreateThread(
        nullptr, 0, [](void* event) -> DWORD { Sleep(350); return SetEvent(static_cast<HANDLE>(event)); },
        release.Get(), 0, nullptr));
    ASSERT_TRUE(WaitForThreadEnd(thread.Get(), kLimitMs, L"the slow thread's end"));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.Get(), 0));
    WaitForSingleObject(releaser.Get(), 10000);
    const std::string text = log.Text();
    EXPECT_NE(std::string::npos, text.find("wait: the slow thread's end did not come within 100 ms"));
}
