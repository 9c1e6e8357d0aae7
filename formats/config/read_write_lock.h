#pragma once
#include <windows.h>

// Many readers or one writer; a writer that waits goes before readers that arrive after
// it. Not re-entrant. Waits have no time limit.
class CReadWriteLock
{
public:
    CReadWriteLock();
    ~CReadWriteLock();
    CReadWriteLock(const CReadWriteLock&) = delete;
    CReadWriteLock& operator=(const CReadWriteLock&) = delete;

    void AcquireShared();
    void AcquireExclusive();
    // Ends either kind of hold.
    void Release();

private:
    CRITICAL_SECTION section_;  // guards the three counters
    HANDLE readers_;            // waiting readers block here
    HANDLE writers_;            // waiting writers block here
    LONG waitingReaders_;
    LONG waitingWriters_;
    LONG active_;               // readers holding the lock; -1 while a writer holds it
};

// Scoped holds of a CReadWriteLock.
class SharedLock
{
public:
    explicit SharedLock(CReadWriteLock& lock) : lock_(lock) { lock_.AcquireShared(); }
    ~SharedLock() { lock_.Release(); }
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;

private:
    CReadWriteLock& lock_;
};

class ExclusiveLock
{
public:
    explicit ExclusiveLock(CReadWriteLock& lock) : lock_(lock) { lock_.AcquireExclusive(); }
    ~ExclusiveLock() { lock_.Release(); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    CReadWriteLock& lock_;
};
