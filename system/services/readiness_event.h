#pragma once
#include <windows.h>

#include "base/scoped_handle.h"

// The event through which a started server tells the setup that it is ready, named
// `name` (ServerReadyEventName). Created owned by Administrators, with the rights to set
// and wait on it for SYSTEM (the service's account) and Administrators only, and not set.
// Its name can be computed by anyone, so an object of that name that exists already,
// whoever made it, is never used: its maker could fake readiness or keep it from ever
// being reported. The setup makes the event before its server runs, so that no object of
// the name is ours but the one it makes now.

enum class ReadinessEventVerdict
{
    kMade,            // the event is new and this run's
    kHeldByAnother,   // an object of the name exists: another program holds it
    kFailed,          // it could not be made; the reason is the thread's last error
};

// The decision over CreateEventW's answer: `made` a handle came back, `error` the last
// error after the call.
ReadinessEventVerdict JudgeReadinessEvent(bool made, DWORD error);

// Makes the event. False with ERROR_ALREADY_EXISTS in the thread's last error when
// another program holds the name; other failures leave their reason there.
bool CreateReadinessEvent(const wchar_t* name, UniqueHandle& event);
