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

// ChangeServiceConfig2W, replaceable because Wine accepts failure actions without
// keeping them, so they cannot be read back there.
using ChangeServiceConfig2Call = BOOL(WINAPI*)(SC_HANDLE service, DWORD infoLevel, void* info);
extern ChangeServiceConfig2Call g_changeServiceConfig2;
