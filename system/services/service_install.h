#pragma once
#include <windows.h>

// How often InstallService tries to create its service, and the pause between tries:
// a service that was just removed can stay marked for deletion for a moment.
const unsigned kServiceCreateTries = 30;
const DWORD kServiceCreatePauseMs = 200;

// InstallService with its own bound on the creation tries (at least one).
bool InstallServiceWithin(const wchar_t* binaryPath, const wchar_t* serviceName,
                          const wchar_t* displayName, const wchar_t* description,
                          unsigned tries, DWORD pauseMs);
