#pragma once
#include <windows.h>

#include "base/scoped_handle.h"

// One setup or uninstall at a time on a machine: a named mutex, held for the whole run by
// its mere existence (the handle stays open until the process ends). Where the system has private
// namespaces (Windows Vista and later), the mutex lives in one whose boundary holds the
// Administrators group: nobody else can reach the name, so nobody else can make it first.
// Where it has not (Windows XP; Wine 8 only stubs the calls), the Global name serves,
// and one made there by a non-administrator is refused.

enum class InstanceLockVerdict
{
    kHeld,          // this run holds the lock
    kAnotherSetup,  // another setup or uninstall, run by an administrator, holds it
    kSquatted,      // something not run by an administrator made the lock, or keeps us out
    kFailed,        // the lock could not be made; the reason is the thread's last error
};

// The decision over CreateMutexW's answer: `opened` a handle came back, `error` the last
// error after the call, `ownerAdministrative` the existing mutex's owner is the
// Administrators group or SYSTEM.
InstanceLockVerdict JudgeInstanceLock(bool opened, DWORD error, bool ownerAdministrative);

// What taking the lock asks of the machine.
class InstanceLockMachine
{
public:
    struct MutexAnswer
    {
        bool opened;
        DWORD error;               // the last error after the call
        bool ownerAdministrative;  // of an existing mutex
    };
    // The private-namespace calls are there (looked up at run time).
    virtual bool HasPrivateNamespaces() = 0;
    // Makes the setup's namespace, its boundary the Administrators group; false with
    // `error` (ERROR_ALREADY_EXISTS: another process has made it).
    virtual bool CreateNamespace(DWORD& error) = 0;
    // Opens the namespace another process has made; false with `error`.
    virtual bool OpenNamespace(DWORD& error) = 0;
    // Makes the lock's mutex, in the namespace or under the Global name.
    virtual MutexAnswer CreateLockMutex(bool inNamespace) = 0;

protected:
    ~InstanceLockMachine() = default;
};

struct InstanceLockOutcome
{
    InstanceLockVerdict verdict;
    bool inNamespace;  // the private namespace's name was used, not the Global one
    DWORD error;       // with kFailed: why
};

// Takes the lock through `machine`: in the namespace where there is one, else under the
// Global name.
InstanceLockOutcome TakeInstanceLock(InstanceLockMachine& machine);

// The lock's names, for the log and the messages.
extern const wchar_t kInstanceLockName[];           // Global
extern const wchar_t kInstanceLockNamespaceName[];  // in the private namespace

class CInstanceLock
{
public:
    CInstanceLock();
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    InstanceLockVerdict Acquire();
    // The name the lock was taken under (or refused).
    const wchar_t* Name() const { return inNamespace_ ? kInstanceLockNamespaceName : kInstanceLockName; }

private:
    UniqueHandle mutex_;
    HANDLE namespace_ = nullptr;
    bool inNamespace_ = false;
};
