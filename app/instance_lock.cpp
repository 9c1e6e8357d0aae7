#include "app/instance_lock.h"

#include "base/object_security.h"

const wchar_t kInstanceLockName[] = L"Global\\VelmoraSetupRunning";

namespace {

// Owned by the Administrators group and opened by nobody but administrators and SYSTEM:
// an ordinary user can neither hold our lock open nor learn more from it than that a
// setup runs.
const wchar_t kLockSecurity[] = L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";

} // namespace

InstanceLockVerdict JudgeInstanceLock(bool opened, DWORD error, bool ownerAdministrative)
{
    // A lock that keeps an administrator out was not made by a setup: ours lets them in.
    if (!opened)
        return error == ERROR_ACCESS_DENIED ? InstanceLockVerdict::kSquatted : InstanceLockVerdict::kFailed;
    if (error != ERROR_ALREADY_EXISTS)
        return InstanceLockVerdict::kHeld;
    // An ordinary user may make the name first, while no setup runs, to keep every setup
    // from running. Going on regardless would give up the one-at-a-time rule; waiting would
    // hang a deployment. The setup refuses and says who holds the name, so that the
    // administrator can end that program.
    return ownerAdministrative ? InstanceLockVerdict::kAnotherSetup : InstanceLockVerdict::kSquatted;
}

InstanceLockVerdict CInstanceLock::Acquire()
{
    UniqueLocalMemory descriptor;
    if (!SecurityFromText(kLockSecurity, descriptor))
        return InstanceLockVerdict::kFailed;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.Get(), FALSE};
    mutex_.Reset(CreateMutexW(&attributes, FALSE, kInstanceLockName));
    DWORD error = GetLastError();
    bool existing = mutex_ && error == ERROR_ALREADY_EXISTS;
    InstanceLockVerdict verdict =
        JudgeInstanceLock(mutex_.IsValid(), error, existing && OwnedBySystemOrAdministrators(mutex_.Get()));
    if (verdict != InstanceLockVerdict::kHeld)
        mutex_.Reset();
    SetLastError(error);
    return verdict;
}
