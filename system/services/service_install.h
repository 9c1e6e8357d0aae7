#pragma once
#include <windows.h>

// How often InstallService tries to create its service, and the pause between tries:
// a service that was just removed can stay marked for deletion for a moment.
const unsigned kServiceCreateTries = 30;
const DWORD kServiceCreatePauseMs = 200;

// What CreateServiceWithin does with a service of the name that is already there.
enum class ExistingService
{
    kReplace,  // removes it and tries again, as InstallService does
    kRefuse,   // fails with ERROR_SERVICE_EXISTS: the caller found none of the name, so
               // one that came since is somebody else's
};

// Creates the server's service as InstallService does, with its own bound on the creation
// tries (at least one), and tells nobody: false with the reason as the last error.
bool CreateServiceWithin(const wchar_t* binaryPath, const wchar_t* serviceName,
                         const wchar_t* displayName, const wchar_t* description,
                         unsigned tries, DWORD pauseMs, ExistingService existing);

// CreateServiceWithin that shows the system's text for a failure.
bool InstallServiceWithin(const wchar_t* binaryPath, const wchar_t* serviceName,
                          const wchar_t* displayName, const wchar_t* description,
                          unsigned tries, DWORD pauseMs);
