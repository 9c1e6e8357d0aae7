#include "system/services/readiness_event.h"

#include "base/object_security.h"

#include <windows.h>

#include <utility>

namespace {

// EVENT_MODIFY_STATE | SYNCHRONIZE for SYSTEM and Administrators, nobody else.
const wchar_t kReadyEventSecurity[] = L"O:BAD:P(A;;0x100002;;;SY)(A;;0x100002;;;BA)";

} // namespace

ReadinessEventVerdict JudgeReadinessEvent(bool made, DWORD error)
{
    if (made)
        return error == ERROR_ALREADY_EXISTS ? ReadinessEventVerdict::kHeldByAnother : ReadinessEventVerdict::kMade;
    // An event that keeps us out, or another kind of object under the name.
    if (error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_HANDLE || error == ERROR_ALREADY_EXISTS)
        return ReadinessEventVerdict::kHeldByAnother;
    return ReadinessEventVerdict::kFailed;
}

bool CreateReadinessEvent(const wchar_t* name, UniqueHandle& event)
{
    event.Reset();
    UniqueLocalMemory descriptor;
    if (!SecurityFromText(kReadyEventSecurity, descriptor))
        return false;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.Get(), FALSE};
    UniqueHandle made(CreateEventW(&attributes, TRUE, FALSE, name));
    const DWORD error = GetLastError();
    switch (JudgeReadinessEvent(made.IsValid(), error)) {
    case ReadinessEventVerdict::kMade:
        event = std::move(made);
        return true;
    case ReadinessEventVerdict::kHeldByAnother:
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    default:
        SetLastError(error);
        return false;
    }
}
