#include "system/services/readiness_event.h"

#include "base/object_security.h"

#include <windows.h>

#include <utility>

namespace {

// EVENT_MODIFY_STATE | SYNCHRONIZE for SYSTEM and Administrators, nobody else.
const wchar_t kReadyEventSecurity[] = L"O:BAD:P(A;;0x100002;;;SY)(A;;0x100002;;;BA)";

} // namespace

bool CreateReadinessEvent(const wchar_t* name, UniqueHandle& event)
{
    event.Reset();
    UniqueLocalMemory descriptor;
    if (!SecurityFromText(kReadyEventSecurity, descriptor))
        return false;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.Get(), FALSE};
    UniqueHandle created(CreateEventW(&attributes, TRUE, FALSE, name));
    bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    // An existing event is opened for what the setup needs: its rights grant no more.
    if (!created && GetLastError() == ERROR_ACCESS_DENIED) {
        existed = true;
        created.Reset(OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE | READ_CONTROL, FALSE, name));
    }
    if (existed && (!created || !OwnedBySystemOrAdministrators(created.Get()))) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    if (!created)
        return false;
    // A set event left over from an earlier run would report a server that is not ready.
    if (!ResetEvent(created.Get()))
        return false;
    event = std::move(created);
    return true;
}
