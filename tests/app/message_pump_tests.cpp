// Waiting for another thread while it still talks to this thread's windows.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/message_pump.h"
#include "app/scoped_handle.h"

namespace {

const UINT kSentMessage = WM_APP + 1;
const UINT kPostedMessage = WM_APP + 2;
const int kSentCount = 5;

struct Counters
{
    LONG sent = 0;
    LONG posted = 0;
    HANDLE postedHandled = nullptr;
};

LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* counters = reinterpret_cast<Counters*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (counters && message == kSentMessage) {
        ++counters->sent;
        return static_cast<LRESULT>(wParam) + 1;
    }
    if (counters && message == kPostedMessage) {
        ++counters->posted;
        SetEvent(counters->postedHandled);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A window of the test's own thread that counts what reaches it.
class CountingWindow
{
public:
    explicit CountingWindow(Counters* counters)
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = CountingWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VelmoraPumpTestWindow";
        RegisterClassW(&windowClass);
        window_ = CreateWindowW(L"VelmoraPumpTestWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(counters));
    }
    ~CountingWindow() { DestroyWindow(window_); }
    HWND Get() const { return window_; }

private:
    HWND window_;
};

struct WorkerInput
{
    HWND window;
    LONG answered;      // sent messages that came back with the expected answer
    HANDLE postedHandled;
    bool postedSeen;
};

// Sends and posts to the window as the installation worker does; gives up after a few
// seconds per message, so a pump that does not run shows as a failure, not a hang.
DWORD WINAPI TalkingWorker(void* parameter)
{
    auto* input = static_cast<WorkerInput*>(parameter);
    for (int i = 0; i < kSentCount; ++i) {
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutW(input->window, kSentMessage, i, 0, SMTO_NORMAL, 5000, &answer) &&
            answer == static_cast<DWORD_PTR>(i) + 1)
            ++input->answered;
    }
    PostMessageW(input->window, kPostedMessage, 0, 0);
    input->postedSeen = WaitForSingleObject(input->postedHandled, 5000) == WAIT_OBJECT_0;
    return 0;
}

} // namespace

TEST(WaitWithMessagePump, HandlesMessagesFromTheAwaitedThreadAndReturnsWhenItEnds)
{
    UniqueHandle postedHandled(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    Counters counters;
    counters.postedHandled = postedHandled.Get();
    CountingWindow window(&counters);
    ASSERT_NE(nullptr, window.Get());

    WorkerInput input = {window.Get(), 0, postedHandled.Get(), false};
    UniqueHandle worker(CreateThread(nullptr, 0, TalkingWorker, &input, 0, nullptr));
    ASSERT_TRUE(worker.IsValid());

    EXPECT_TRUE(WaitWithMessagePump(worker.Get()));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker.Get(), 0));
    EXPECT_EQ(kSentCount, input.answered);
    EXPECT_EQ(kSentCount, counters.sent);
    EXPECT_TRUE(input.postedSeen);
    EXPECT_EQ(1, counters.posted);
}

TEST(WaitWithMessagePump, ReturnsAtOnceForASignalledHandle)
{
    UniqueHandle event(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    EXPECT_TRUE(WaitWithMessagePump(event.Get()));
}

TEST(WaitWithMessagePump, FailsInsteadOfSpinningOnAnInvalidHandle)
{
    SetLastError(0);
    EXPECT_FALSE(WaitWithMessagePump(nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(WaitWithMessagePump, KeepsAQuitMessageForTheCallersLoop)
{
    UniqueHandle postedHandled(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    Counters counters;
    counters.postedHandled = postedHandled.Get();
    CountingWindow window(&counters);
    WorkerInput input = {window.Get(), 0, postedHandled.Get(), false};

    PostQuitMessage(7);
    // The worker's messages make the pump run with the quit message in the queue.
    UniqueHandle worker(CreateThread(nullptr, 0, TalkingWorker, &input, 0, nullptr));
    EXPECT_TRUE(WaitWithMessagePump(worker.Get()));
    EXPECT_EQ(kSentCount, input.answered);

    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, message.wParam);
}
