#pragma once
#include "base/scoped_handle.h"

// The manager and one service, opened with all access; closed service first, then
// manager, as the members go out of scope.
struct OpenedService
{
    UniqueServiceHandle manager;
    UniqueServiceHandle service;
};

// Opens the local manager on its default database and the named service in it. False,
// with the reason in the thread's last error, when the name is missing (ERROR_INVALID_PARAMETER)
// or either cannot be opened.
bool OpenServiceByName(const wchar_t* serviceName, OpenedService& opened);
