#include "formats/config/read_write_lock.h"

CReadWriteLock::CReadWriteLock()
    : readers_(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr)),
      writers_(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr)),
      waitingReaders_(0),
      waitingWriters_(0),
      active_(0)
{
    if (!InitializeCriticalSectionAndSpinCount(&section_, 500))
        InitializeCriticalSection(&section_);
}

CReadWriteLock::~CReadWriteLock()
{
    DeleteCriticalSection(&section_);
    if (readers_)
        CloseHandle(readers_);
    if (writers_)
        CloseHandle(writers_);
}

void CReadWriteLock::AcquireShared()
{
    EnterCriticalSection(&section_);
    bool wait = waitingWriters_ > 0 || active_ < 0;
    if (wait)
        ++waitingReaders_;
    else
        ++active_;
    LeaveCriticalSection(&section_);
    if (wait)
        WaitForSingleObject(readers_, INFINITE);
}

void CReadWriteLock::AcquireExclusive()
{
    EnterCriticalSection(&section_);
    bool wait = active_ != 0;
    if (wait)
        ++waitingWriters_;
    else
        active_ = -1;
    LeaveCriticalSection(&section_);
    if (wait)
        WaitForSingleObject(writers_, INFINITE);
}

void CReadWriteLock::Release()
{
    HANDLE wake = nullptr;
    LONG count = 0;
    EnterCriticalSection(&section_);
    if (active_ > 0)
        --active_;
    else
        active_ = 0;
    if (active_ == 0) {
        // The lock is handed over here, so a woken thread already holds it.
        if (waitingWriters_ > 0) {
            active_ = -1;
            --waitingWriters_;
            wake = writers_;
            count = 1;
        } else if (waitingReaders_ > 0) {
            active_ = waitingReaders_;
            count = waitingReaders_;
            waitingReaders_ = 0;
            wake = readers_;
        }
    }
    LeaveCriticalSection(&section_);
    if (wake)
        ReleaseSemaphore(wake, count, nullptr);
}
