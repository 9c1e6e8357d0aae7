#include "base/instance_lock.h"

#include "base/object_security.h"
#include "base/system_function.h"

const wchar_t kInstanceLockName[] = L"Global\\VelmoraSetupRunning";
const wchar_t kInstanceLockNamespaceName[] = L"VelmoraSetup\\VelmoraSetupRunning";

namespace {

const wchar_t kNamespaceAlias[] = L"VelmoraSetup";
const wchar_t kBoundaryName[] = L"VelmoraSetupBoundary";

// Owned by the Administrators group and opened by nobody but administrators and SYSTEM:
// an ordinary user can neither hold our lock open nor learn more from it than that a
// setup runs. The namespace has the same rights.
const wchar_t kLockSecurity[] = L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";

using CreateBoundaryCall = HANDLE(WINAPI*)(LPCWSTR, ULONG);
using AddSidCall = BOOL(WINAPI*)(HANDLE*, PSID);
using DeleteBoundaryCall = VOID(WINAPI*)(HANDLE);
using CreateNamespaceCall = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
using OpenNamespaceCall = HANDLE(WINAPI*)(LPVOID, LPCWSTR);
using CloseNamespaceCall = BOOLEAN(WINAPI*)(HANDLE, ULONG);

// The calls of Windows Vista and later, looked up: XP has none of them.
struct NamespaceCalls
{
    NamespaceCalls()
    {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        createBoundary = SystemFunction<CreateBoundaryCall>(kernel, "CreateBoundaryDescriptorW");
        addSid = SystemFunction<AddSidCall>(kernel, "AddSIDToBoundaryDescriptor");
        deleteBoundary = SystemFunction<DeleteBoundaryCall>(kernel, "DeleteBoundaryDescriptor");
        createNamespace = SystemFunction<CreateNamespaceCall>(kernel, "CreatePrivateNamespaceW");
        openNamespace = SystemFunction<OpenNamespaceCall>(kernel, "OpenPrivateNamespaceW");
        closeNamespace = SystemFunction<CloseNamespaceCall>(kernel, "ClosePrivateNamespace");
    }
    bool Complete() const
    {
        return createBoundary && addSid && deleteBoundary && createNamespace && openNamespace && closeNamespace;
    }

    CreateBoundaryCall createBoundary;
    AddSidCall addSid;
    DeleteBoundaryCall deleteBoundary;
    CreateNamespaceCall createNamespace;
    OpenNamespaceCall openNamespace;
    CloseNamespaceCall closeNamespace;
};

const NamespaceCalls& Calls()
{
    static const NamespaceCalls calls;
    return calls;
}

// This machine; the namespace it makes or opens stays with `held`.
class LocalInstanceLockMachine final : public InstanceLockMachine
{
public:
    LocalInstanceLockMachine(UniqueHandle& mutex, HANDLE& held) : mutex_(mutex), held_(held) {}

    bool HasPrivateNamespaces() override { return Calls().Complete(); }
    bool CreateNamespace(DWORD& error) override { return Namespace(true, error); }
    bool OpenNamespace(DWORD& error) override { return Namespace(false, error); }

    MutexAnswer CreateLockMutex(bool inNamespace) override
    {
        UniqueLocalMemory descriptor;
        if (!SecurityFromText(kLockSecurity, descriptor))
            return {false, GetLastError(), false};
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.Get(), FALSE};
        mutex_.Reset(CreateMutexW(&attributes, FALSE, inNamespace ? kInstanceLockNamespaceName : kInstanceLockName));
        const DWORD error = GetLastError();
        const bool existing = mutex_ && error == ERROR_ALREADY_EXISTS;
        return {mutex_.IsValid(), error, existing && OwnedBySystemOrAdministrators(mutex_.Get())};
    }

private:
    bool Namespace(bool create, DWORD& error)
    {
        const NamespaceCalls& calls = Calls();
        SetLastError(ERROR_SUCCESS);
        HANDLE boundary = calls.createBoundary(kBoundaryName, 0);
        if (!boundary) {
            // A stub that fails without a reason (Wine 8) is no namespace at all.
            error = GetLastError() ? GetLastError() : ERROR_CALL_NOT_IMPLEMENTED;
            return false;
        }
        BYTE administrators[SECURITY_MAX_SID_SIZE] = {};
        DWORD size = sizeof(administrators);
        HANDLE made = nullptr;
        if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
            calls.addSid(&boundary, administrators)) {
            UniqueLocalMemory descriptor;
            if (SecurityFromText(kLockSecurity, descriptor)) {
                SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.Get(), FALSE};
                made = create ? calls.createNamespace(&attributes, boundary, kNamespaceAlias)
                              : calls.openNamespace(boundary, kNamespaceAlias);
            }
        }
        error = made ? ERROR_SUCCESS : GetLastError();
        calls.deleteBoundary(boundary);
        if (made)
            held_ = made;
        return made != nullptr;
    }

    UniqueHandle& mutex_;
    HANDLE& held_;
};

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

InstanceLockOutcome TakeInstanceLock(InstanceLockMachine& machine)
{
    bool inNamespace = machine.HasPrivateNamespaces();
    if (inNamespace) {
        DWORD error = ERROR_SUCCESS;
        // Another setup's namespace is opened; calls that are there but do nothing (Wine
        // 8) count as missing.
        if (!machine.CreateNamespace(error)) {
            if (error == ERROR_CALL_NOT_IMPLEMENTED)
                inNamespace = false;
            else if (error != ERROR_ALREADY_EXISTS || !machine.OpenNamespace(error))
                return {InstanceLockVerdict::kFailed, true, error};
        }
    }
    const InstanceLockMachine::MutexAnswer answer = machine.CreateLockMutex(inNamespace);
    const InstanceLockVerdict verdict = JudgeInstanceLock(answer.opened, answer.error, answer.ownerAdministrative);
    return {verdict, inNamespace, verdict == InstanceLockVerdict::kFailed ? answer.error : ERROR_SUCCESS};
}

CInstanceLock::CInstanceLock() = default;

CInstanceLock::~CInstanceLock()
{
    mutex_.Reset();
    if (namespace_)
        Calls().closeNamespace(namespace_, 0);
}

InstanceLockVerdict CInstanceLock::Acquire()
{
    LocalInstanceLockMachine machine(mutex_, namespace_);
    const InstanceLockOutcome outcome = TakeInstanceLock(machine);
    inNamespace_ = outcome.inNamespace;
    if (outcome.verdict != InstanceLockVerdict::kHeld)
        mutex_.Reset();
    SetLastError(outcome.error);
    return outcome.verdict;
}
