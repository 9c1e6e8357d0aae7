#pragma once
#include <windows.h>

#include <functional>
#include <utility>

// A Win32 thread running a function; joined (with a generous limit) on destruction.
class Worker
{
public:
    explicit Worker(std::function<void()> body) : body_(std::move(body))
    {
        thread_ = CreateThread(nullptr, 0, &Worker::Run, this, 0, nullptr);
    }
    ~Worker() { Join(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // True when the thread ended within `ms`.
    bool Join(DWORD ms = 60000)
    {
        if (thread_ && WaitForSingleObject(thread_, ms) != WAIT_OBJECT_0)
            return false;
        if (thread_)
            CloseHandle(thread_);
        thread_ = nullptr;
        return true;
    }

private:
    static DWORD WINAPI Run(void* self) { return static_cast<Worker*>(self)->body_(), 0; }
    std::function<void()> body_;
    HANDLE thread_;
};
