#pragma once
#include "base/scoped_handle.h"

// The event through which a started server tells the setup that it is ready, named
// `name` (ServerReadyEventName). Created owned by Administrators, with the rights to set
// and wait on it for SYSTEM (the service's account) and Administrators only, and reset.
// Its name can be computed by anyone, so an event of that name that exists already is
// used only when SYSTEM or Administrators own it (one left by an earlier run); one that
// somebody else made could fake readiness, and is refused: false, with
// ERROR_ALREADY_EXISTS in the thread's last error. Other failures leave their reason there.
bool CreateReadinessEvent(const wchar_t* name, UniqueHandle& event);
