#include "server/ready_event.h"

#include <windows.h>

#include "base/scoped_handle.h"
#include "formats/digest/ready_event_name.h"

bool SignalServerReady(const wchar_t* folder)
{
    wchar_t name[kServerReadyEventNameLength + 1];
    if (!ServerReadyEventName(folder, name, kServerReadyEventNameLength + 1))
        return false;
    // Only the setup creates the event; the server merely opens it.
    UniqueHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
    return event && SetEvent(event.Get());
}
