#pragma once
#include <windows.h>

#include "base/scoped_handle.h"

// One setup at a time on a machine: a named mutex in the Global namespace, held for the
// whole run by its mere existence (the handle stays open until the process ends).

enum class InstanceLockVerdict
{
    kHeld,          // this run holds the lock
    kAnotherSetup,  // another setup, run by an administrator, holds it
    kSquatted,      // something not run by an administrator made the lock, or keeps us out
    kFailed,        // the lock could not be made; the reason is the thread's last error
};

// The decision over CreateMutexW's answer: `opened` a handle came back, `error` the last
// error after the call, `ownerAdministrative` the existing mutex's owner is the
// Administrators group or SYSTEM.
InstanceLockVerdict JudgeInstanceLock(bool opened, DWORD error, bool ownerAdministrative);

// The lock's name, for the log.
extern const wchar_t kInstanceLockName[];

class CInstanceLock
{
public:
    InstanceLockVerdict Acquire();

private:
    UniqueHandle mutex_;
};
