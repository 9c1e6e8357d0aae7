// Waiting for another thread while it still talks to this thread's windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "base/message_pump.h"
#include "base/scoped_handle.h"

namespace {

const UINT kSentMessage = WM_APP + 1;
const UINT kPostedMessage = WM_APP + 2;
const int kSentCount = 5;

// What reached the test's window and what came back to the worker.
struct Traffic
{
    HWND window = nullptr;
    HANDLE postedHandled = nullptr;
    LONG answered = 0;  // sent messages that came back with the expected answer
    bool postedSeen = false;
} g_traffic;

LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kSentMessage)
        return static_cast<LRESULT>(wParam) + 1;
    if (message == kPostedMessage)
        SetEvent(g_traffic.postedHandled);
    return DefWindowProcW(window, message, wParam, lParam);
}

// Sends and posts to the window as the installation worker does; gives up after a few
// seconds per message, so a pump that does not run shows as a failure, not a hang.
DWORD WINAPI TalkingWorker(void*)
{
    for (int i = 0; i < kSentCount; ++i) {
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutW(g_traffic.window, kSentMessage, i, 0, SMTO_NORMAL, 5000, &answer) &&
            answer == static_cast<DWORD_PTR>(i) + 1)
            ++g_traffic.answered;
    }
    PostMessageW(g_traffic.window, kPostedMessage, 0, 0);
    g_traffic.postedSeen = WaitForSingleObject(g_traffic.postedHandled, 5000) == WAIT_OBJECT_0;
    return 0;
}

// A message-only window of this thread, destroyed with its holder.
using WindowHolder = std::unique_ptr<HWND__, BOOL(WINAPI*)(HWND)>;
WindowHolder CountingWindow()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = CountingWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VelmoraPumpTestWindow";
    RegisterClassW(&windowClass);  // fails harmlessly when an earlier window registered it
    return WindowHolder(CreateWindowW(L"VelmoraPumpTestWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), nullptr),
                        DestroyWindow);
}

} // namespace

// A message-only window of the test's thread counts what reaches it while a worker thread
// talks to it and the test waits for the worker with the pump; a quit message posted
// before stays for the caller's loop.
TEST(WaitWithMessagePump, HandlesMessagesFromTheAwaitedThreadReturnsWhenItEndsAndKeepsAQuitMessage)
{
    for (bool quit : {false, true}) {
        SCOPED_TRACE(quit ? "quit message waiting" : "no quit message");
        UniqueHandle postedHandled(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        WindowHolder window = CountingWindow();
        g_traffic = Traffic{};
        g_traffic.postedHandled = postedHandled.Get();
        g_traffic.window = window.get();
        ASSERT_NE(nullptr, g_traffic.window);
        UniqueHandle worker(CreateThread(nullptr, 0, TalkingWorker, nullptr, CREATE_SUSPENDED, nullptr));
        ASSERT_TRUE(worker.IsValid());
        // The worker's messages make the pump run with the quit message in the queue.
        if (quit)
            PostQuitMessage(7);
        ResumeThread(worker.Get());
        EXPECT_TRUE(WaitWithMessagePump(worker.Get(), 60000, L"the talking worker"));
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker.Get(), 0));
        EXPECT_EQ(kSentCount, g_traffic.answered);
        EXPECT_TRUE(g_traffic.postedSeen);
        MSG message = {};
        EXPECT_EQ(quit, PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE);
        EXPECT_EQ(quit ? 7u : 0u, message.wParam);
    }
}

TEST(WaitWithMessagePump, ReturnsAtOnceForASignalledHandleAndFailsForAnInvalidOne)
{
    UniqueHandle event(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    EXPECT_TRUE(WaitWithMessagePump(event.Get(), 1000, L"a set event"));
    SetLastError(0);
    EXPECT_FALSE(WaitWithMessagePump(nullptr, 1000, L"no handle"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

// A handle that is never signalled ends the wait at its limit, with the reason, and the
// messages that came meanwhile were handled.
TEST(WaitWithMessagePump, EndsAtItsLimitAndStillHandlesMessagesMeanwhile)
{
    UniqueHandle never(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    UniqueHandle posted(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_traffic = Traffic{};
    g_traffic.postedHandled = posted.Get();
    WindowHolder window = CountingWindow();
    ASSERT_NE(nullptr, window.get());
    PostMessageW(window.get(), kPostedMessage, 0, 0);
    const DWORD start = GetTickCount();
    SetLastError(0);
    EXPECT_FALSE(WaitWithMessagePump(never.Get(), 300, L"an event nobody sets"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_TIMEOUT), GetLastError());
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 250u);
    EXPECT_LT(took, 10000u);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(posted.Get(), 0));
}
